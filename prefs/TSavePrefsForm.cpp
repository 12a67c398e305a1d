#include "prefs/TSavePrefsForm.h"

#include "prefs/StoreMode.h"
#include "support/Product.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TSavePrefsForm::TSavePrefsForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SavePrefsForm"));
    setWindowTitle(QStringLiteral("Enregistrement des préférences de %1").arg(Product::Name));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::RichText);
    // The markup shown as rich text; the markup control renders it natively
    // once it replaces this label.
    QString html = MarkupText();
    html.replace(QStringLiteral("<size 10>"), QStringLiteral("<span style=\"font-size:10pt\">"));
    html.replace(QStringLiteral("</size>"), QStringLiteral("</span>"));
    m_text->setText(html);
    m_text->setMinimumWidth(420);
    layout->addWidget(m_text);

    struct Button {
        const char* caption;
        int mode;
        const char* hint;
    };
    static const Button buttons[] = {
        { "Normal", smRegistry,
            "Enregistre les préférences dans le registre.\r\nSi un fichier ini existait, il est supprimé." },
        { "Portable", smIni,
            "Enregistre les préférences dans un fichier ini.\r\nEfface les valeurs contenues dans le "
            "registre." },
        { "Aucun", smNone,
            "Quitte sans enregistrer les préférences.\r\nSi elles existaient dans un fichier ini ou dans le "
            "registre,\r\nelles sont effacées." },
    };
    auto* row = new QHBoxLayout();
    for (const Button& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.caption), this);
        button->setObjectName(QStringLiteral("btn") + QString::fromUtf8(b.caption));
        button->setToolTip(QString::fromUtf8(b.hint).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        const int mode = b.mode;
        connect(button, &QPushButton::clicked, this, [this, mode] { Choose(mode); });
        row->addWidget(button);
    }
    layout->addLayout(row);
}

QString TSavePrefsForm::MarkupText()
{
    return QStringLiteral(
        "<br><size 10><i>Voulez-vous enregistrer vos préférences pour pouvoir les retrouver au prochain "
        "lancement?<br><br>Cliquez sur votre choix:</i><br><br>* soit pour les enregistrer dans le registre "
        "(mode normal).<br>* soit pour les enregistrer dans un fichier ini (mode portable).<br>* soit pour "
        "ne "
        "pas les enregistrer. Dans ce cas, elles seront perdues et les valeurs par défaut seront chargées "
        "lors "
        "du prochain lancement.<br></size>");
}

int TSavePrefsForm::Ask()
{
    m_choice = -1;
    exec();
    return m_choice;
}

void TSavePrefsForm::Choose(int mode)
{
    m_choice = mode;
    accept();
}
