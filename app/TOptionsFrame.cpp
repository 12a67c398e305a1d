#include "app/TOptionsFrame.h"

#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"

#include <QCheckBox>
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
    body()->addStretch(1);
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
