#include "app/TAproposFrame.h"

#include "support/Product.h"
#include "support/TLinkEdit.h"
#include "support/TLinkMarkup.h"
#include "support/TMailTo.h"
#include "support/TSystemInformation.h"

#include <QDesktopServices>
#include <QVBoxLayout>

TAproposFrame::TAproposFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("AproposFrame"), QStringLiteral("A propos"), parent)
{
    // Right clicks here are not the picture's: no window menu over the credits.
    setContextMenuPolicy(Qt::PreventContextMenu);
    Texte = new TLinkEdit(this);
    Texte->setObjectName(QStringLiteral("AproposTexte"));
    Texte->setFrameShape(QFrame::NoFrame);
    Texte->SetAlignment(Qt::AlignHCenter);
    QPalette pal = Texte->palette();
    pal.setColor(QPalette::Base, palette().color(QPalette::Window));
    Texte->setPalette(pal);
    Texte->SetRichText(QStringLiteral(
        "<size 14><b><color maroon>%1</color></b></size><br><br>"
        "%2 extrait des images fixes de vos vidéos: une par une, à intervalles réguliers ou par "
        "script.<br><br>"
        "Il est écrit par %3 avec la boîte à outils <b>Qt</b>; les vidéos sont lues par <b>GStreamer</b> et "
        "ses greffons, les images JPEG écrites par <b>libjpeg-turbo</b>. Merci à leurs auteurs.<br><br>"
        "<url %4>Le site web de %2</url><br><br>"
        "<mail %5>Écrire à %3</mail>")
                           .arg(TLinkMarkup::Escape(Product::NameAndVersion()), Product::Name, Product::Maker,
                               Product::WebPage, Product::SupportAddress));
    Texte->OnUrlHint = [](const QString& target, QString& hint) {
        hint = QStringLiteral("Cliquez ici pour ouvrir le site web %1\r\ndans votre navigateur par défaut")
                   .arg(target);
    };
    Texte->OnMailHint = [](const QString& target, QString& hint) {
        hint = QStringLiteral("Cliquez pour envoyer un e-mail à %1").arg(target);
    };
    Texte->OnUrlClick = [](const QString& target) {
        const QUrl url = TLinkMarkup::SafeLinkUrl(target);
        if (url.isValid()) QDesktopServices::openUrl(url);
    };
    Texte->OnMailClick = [](const QString&) { QDesktopServices::openUrl(MailUrl()); };
    body()->addWidget(Texte, 1);
    FillHeight();
}

QUrl TAproposFrame::MailUrl()
{
    return TMailTo::Url(Product::SupportAddress, QStringLiteral("A propos de ") + Product::NameAndVersion(),
        TSystemInformation::Text());
}
