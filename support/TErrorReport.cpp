#include "support/TErrorReport.h"

#include "support/Product.h"
#include "support/TLinkMarkup.h"
#include "support/TMailTo.h"

QString TErrorReport::Text(const QString& message)
{
    QString text = QStringLiteral("<b><color navy>%1</color></b>").arg(Product::Name);
    text += QStringLiteral(" a diagnostiqué des problèmes potentiels");
    text += QStringLiteral(" sur votre système:");
    text += QStringLiteral("<br><br><b>") + message + QStringLiteral("</b><br><br>");
    // One pass over the three places: a "%" in one value is not read as a
    // place for the next.
    const QString support = QStringLiteral(
        "Vous pouvez m'envoyer un <mail %1>e-mail</mail> sur ce problème, en y mettant le maximum "
        "d'indications pour le diagnostiquer... J'étudie tous les e-mails reçus, mais je n'y réponds "
        "malheureusement que très rarement faute de temps.<br><br>Pour avoir une aide sur l'utilisation de "
        "<COLOR Navy><B>%2</B></COLOR>, des informations, des mises à jour éventuelles, vous pouvez vous "
        "rendre sur <url %3>mon site web</url>.")
                                .arg(Product::SupportAddress, Product::Name, Product::WebPage);
    text += support;
    text += QStringLiteral("<br><br>");
    text += QStringLiteral(
        "Pour savoir comment installer les filtres <COLOR Navy><B>Haali Media Splitter</B></COLOR> "
        "ou <COLOR Navy><B>ffdshow</B></COLOR>, vous pouvez aussi rendre sur ");
    text += QStringLiteral("<url ") + Product::FiltersPage + QStringLiteral(">cette page web</url>");
    text += QLatin1Char('.');
    return text;
}

QString TErrorReport::PlainMessage(const QString& message)
{
    return TLinkMarkup::DisplayedText(message);
}

QString TErrorReport::MailSubject()
{
    return QStringLiteral("Erreur de ") + Product::NameAndVersion();
}

QString TErrorReport::MailBody(const QString& message, const QString& systemInformation)
{
    return QStringLiteral("L'erreur suivante s'est produite:\r\n\r\n") + TMailTo::CrLf(PlainMessage(message))
        + QStringLiteral("\r\n\r\nInformations sur le système:\r\n") + systemInformation;
}

QUrl TErrorReport::MailUrl(const QString& message, const QString& systemInformation)
{
    return TMailTo::Url(Product::SupportAddress, MailSubject(), MailBody(message, systemInformation));
}
