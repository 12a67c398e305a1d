#include "support/TErreurForm.h"

#include "support/Product.h"
#include "support/TErrorReport.h"
#include "support/TLinkEdit.h"
#include "support/TLinkMarkup.h"
#include "support/TSystemInformation.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

TErreurForm::TErreurForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ErreurForm"));
    setWindowTitle(QStringLiteral("Erreur de %1").arg(Product::Name));
    setModal(true);
    resize(520, 380);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    Heading = new QLabel(QStringLiteral("%1 est désolé:").arg(Product::Maker), this);
    Heading->setObjectName(QStringLiteral("Heading"));
    QFont headingFont(QStringLiteral("Arial"));
    headingFont.setPixelSize(16);
    headingFont.setBold(true);
    Heading->setFont(headingFont);
    Heading->setStyleSheet(QStringLiteral("color: maroon"));

    Texte = new TLinkEdit(this);
    Texte->setObjectName(QStringLiteral("Texte"));
    QFont textFont(QStringLiteral("Arial"));
    textFont.setPixelSize(11);
    Texte->setFont(textFont);
    Texte->SetAlignment(Qt::AlignHCenter);
    Texte->SetUrlColor(QColor(0, 0, 128));
    Texte->SetMailColor(QColor(0, 0, 128));
    Texte->SetLinkColor(Qt::black);
    Texte->setFrameShape(QFrame::NoFrame);
    QPalette pal = Texte->palette();
    pal.setColor(QPalette::Base, palette().color(QPalette::Button));
    Texte->setPalette(pal);
    Texte->OnUrlClick = [this](const QString& target) { UrlClick(target); };
    Texte->OnMailClick = [this](const QString&) { MailClick(); };

    Quitter = new QPushButton(QStringLiteral("Quitter"), this);
    Quitter->setObjectName(QStringLiteral("Quitter"));
    connect(Quitter, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(Heading, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(Quitter);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Texte, 1);
    layout->addLayout(bottom);
}

void TErreurForm::Fill(const QString& message)
{
    m_message = message;
    Texte->SetRichText(TErrorReport::Text(message));
}

void TErreurForm::MailClick()
{
    QDesktopServices::openUrl(TErrorReport::MailUrl(m_message, TSystemInformation::Text()));
}

void TErreurForm::UrlClick(const QString& target)
{
    const QUrl url = TLinkMarkup::SafeLinkUrl(target);
    if (url.isValid()) QDesktopServices::openUrl(url);
}

void TErreurForm::Show(const QString& message)
{
    Fill(message);
    exec();
}
