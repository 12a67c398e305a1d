#include "app/TOptionsFrame.h"

#include "prefs/PreferenceStores.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

TOptionsFrame::TOptionsFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("OptionsFrame"), QStringLiteral("Options"), parent)
{
    // The parameters are made after the window, so the bindings hold the
    // address of the global that will point at each.
    auto add
        = [this](QCheckBox*& box, const QString& caption, TBooleanParameter** parameter, const char* key) {
              box = new QCheckBox(caption, this);
              box->setObjectName(QLatin1String(key));
              body()->addWidget(box);
              m_bindings.append({ box, parameter, QLatin1String(key) });
              connect(box, &QCheckBox::clicked, this, [parameter](bool on) {
                  if (*parameter) (*parameter)->Value = on;
              });
          };
    add(cbConfirmer, QStringLiteral("Confirmer avant d'écraser une image"), &ParConfirmerImage,
        "Confirmer Image");
    add(cbSauverQuandClic, QStringLiteral("Enregistrer l'image quand  clic sur la vidéo "),
        &ParSauverQuandClic, "Sauver quand clic");
    add(cbMTSVitesseMaxi, QStringLiteral("Lire les MTS et m2ts en vitesse maxi"), &ParMTSEnVitesseMaxi,
        "MTS en vitesse Maxi");
    add(cbParametrerFiltres, QStringLiteral("Paramétrer les filtres au démarrage"), &ParParametrerFiltres,
        "Parametrer Filtres");
    add(cbDesentrelacer, QStringLiteral("Désentrelacer les images"), &ParInternalDeinterlacer,
        "Internal Deinterlacer");
    add(cbForcerDecodeur, QStringLiteral("Forcer le décodeur"), &ParForcerLeDecodeur, "Forcer le décodeur");
    add(cbTraiterErreurs, QStringLiteral("Traiter les erreurs"), &ParTraiterErreurs, "Traiter Erreurs");

    auto decoders = [this](QLabel*& label, QComboBox*& box, const QString& caption, const char* name,
                        std::function<void(const QString&)> TOptionsFrame::*handler) {
        label = new QLabel(caption, this);
        box = new QComboBox(this);
        box->setObjectName(QLatin1String(name));
        label->setBuddy(box);
        body()->addWidget(label);
        body()->addWidget(box);
        // Only the user's choice: filling and selecting from code do not
        // rebuild a chain.
        connect(box, &QComboBox::activated, this, [this, box, handler](int) {
            if (this->*handler) (this->*handler)(box->currentText());
        });
    };
    decoders(labDecodeursMpegVideo, cbDecodeursMpegVideo, QStringLiteral("décodeurs mpeg video"),
        "cbDecodeursMpegVideo", &TOptionsFrame::OnVideoDecoderChange);
    decoders(labDecodeursMpegAudio, cbDecodeursMpegAudio, QStringLiteral("décodeurs mpeg audio"),
        "cbDecodeursMpegAudio", &TOptionsFrame::OnAudioDecoderChange);

    auto* group = new QGroupBox(QStringLiteral("Sauver les préférences en quittant"), this);
    group->setObjectName(QStringLiteral("rgPrefs"));
    auto* items = new QVBoxLayout(group);
    rgPrefs = new QButtonGroup(group);
    const QString captions[] = { QStringLiteral("Mode normal (registre)"),
        QStringLiteral("Mode portable (clé USB)"), QStringLiteral("Ne pas enregistrer en quittant") };
    for (int i = 0; i < 3; ++i) {
        auto* item = new QRadioButton(captions[i], group);
        rgPrefs->addButton(item, i);
        items->addWidget(item);
    }
    rgPrefs->button(0)->setChecked(true);
    connect(rgPrefs, &QButtonGroup::idClicked, this, [this](int index) { SetPrefsIndex(index); });
    body()->addWidget(group);
    body()->addStretch(1);
}

void TOptionsFrame::SetPrefsIndex(int index)
{
    if (index < smRegistry || index > smNone || index == m_prefsIndex) return;
    ShowPrefsIndex(index);
    SetStoreMode(index);
}

void TOptionsFrame::ShowPrefsIndex(int index)
{
    if (index < smRegistry || index > smNone) return;
    m_prefsIndex = index;
    rgPrefs->button(index)->setChecked(true);
}

void TOptionsFrame::LoadFromPreferences()
{
    for (const Binding& b : m_bindings)
        if (*b.parameter) b.box->setChecked((*b.parameter)->Value);
}

QCheckBox* TOptionsFrame::Box(const QString& key) const
{
    for (const Binding& b : m_bindings)
        if (b.key == key) return b.box;
    return nullptr;
}
