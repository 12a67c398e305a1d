#include "media/TFiltresWarningForm.h"

#include "media/TRequiredFilters.h"
#include "support/Product.h"
#include "support/TLinkEdit.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TFiltresWarningForm::TFiltresWarningForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FiltresWarningForm"));
    setWindowTitle(QStringLiteral("Avertissement"));
    setModal(true);
    setFixedSize(434, 253);
    setAutoFillBackground(true);
    QPalette info = palette();
    info.setColor(QPalette::Window, info.color(QPalette::ToolTipBase));
    info.setColor(QPalette::WindowText, info.color(QPalette::ToolTipText));
    setPalette(info);

    auto* layout = new QVBoxLayout(this);
    Texte = new TLinkEdit(this);
    Texte->setObjectName(QStringLiteral("Texte"));
    Texte->setFrameShape(QFrame::NoFrame);
    Texte->viewport()->setAutoFillBackground(false);
    Texte->OnUrlClick = [](const QString& target) {
        const QUrl url = TLinkMarkup::SafeLinkUrl(target);
        if (url.isValid()) QDesktopServices::openUrl(url);
    };
    layout->addWidget(Texte, 1);
    cbNePlus = new QCheckBox(QStringLiteral("Ne plus m'adresser cet avertissement"), this);
    cbNePlus->setObjectName(QStringLiteral("cbNePlus"));
    layout->addWidget(cbNePlus);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnContinuer = new QPushButton(QStringLiteral("continuer"), this);
    btnContinuer->setDefault(true);
    btnQuitter = new QPushButton(QStringLiteral("Quitter"), this);
    buttons->addWidget(btnContinuer);
    buttons->addWidget(btnQuitter);
    layout->addLayout(buttons);
    connect(btnContinuer, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnQuitter, &QPushButton::clicked, this, &QDialog::reject);
}

bool TFiltresWarningForm::Prepare(bool splitter, bool videoDecoder, bool audioDecoder, QWidget* over)
{
    const int which = TRequiredFilters::WarningCase(splitter, videoDecoder, audioDecoder);
    if (which < 0) return false;
    Texte->SetRichText(TRequiredFilters::WarningMarkup(which, Product::FiltersPage));
    if (over) move(over->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    return true;
}

bool TFiltresWarningForm::DontWarnAgain() const
{
    return cbNePlus->isChecked();
}
