#include "capture/TDossiersFrame.h"

#include "capture/ImageNaming.h"
#include "capture/TWideDirectoryEdit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

TDossiersFrame::TDossiersFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("DossiersFrame"), QStringLiteral("Dossiers"), parent)
{
    body()->addWidget(new QLabel(QStringLiteral("Dossier où enregistrer les images"), this));
    deDossierSave = new TWideDirectoryEdit(this);
    deDossierSave->setObjectName(QStringLiteral("deDossierSave"));
    deDossierSave->DialogTitle = QStringLiteral("Dossier où enregistrer les images");
    body()->addWidget(deDossierSave);

    auto* root = new QGroupBox(this);
    auto* rootGrid = new QGridLayout(root);
    rbUtiliserRacine = new QRadioButton(QStringLiteral("Utiliser la racine:"), root);
    NomRacineEdit = new QLineEdit(root);
    NomRacineEdit->setObjectName(QStringLiteral("NomRacineEdit"));
    NomRacineEdit->setToolTip(QStringLiteral("racine utilisée pour le nom de l'image enregistrée\r\nquand on "
                                             "n'utilise pas le nom du fichier vidéo"));
    rbUtiliserNomVideo = new QRadioButton(QStringLiteral("Utiliser les noms de fichiers vidéo"), root);
    cbLimiterLongueur = new QCheckBox(QStringLiteral("Limiter la longueur utilisée"), root);
    RacineLengthEdit = new QSpinBox(root);
    RacineLengthEdit->setObjectName(QStringLiteral("RacineLengthEdit"));
    RacineLengthEdit->setRange(0, 255);
    rootGrid->addWidget(rbUtiliserRacine, 0, 0);
    rootGrid->addWidget(NomRacineEdit, 0, 1);
    rootGrid->addWidget(rbUtiliserNomVideo, 1, 0, 1, 2);
    rootGrid->addWidget(cbLimiterLongueur, 2, 0, 1, 2);
    rootGrid->addWidget(new QLabel(QStringLiteral("Longueur maxi:"), root), 3, 0);
    rootGrid->addWidget(RacineLengthEdit, 3, 1);
    body()->addWidget(root);

    auto* suffix = new QGroupBox(this);
    auto* suffixGrid = new QGridLayout(suffix);
    rbTimecode = new QRadioButton(QStringLiteral("Ajouter le timestamp"), suffix);
    rbNumero = new QRadioButton(QStringLiteral("Numéroter depuis"), suffix);
    rbNumero->setChecked(true);
    numEdit = new QLineEdit(QStringLiteral("0000"), suffix);
    numEdit->setObjectName(QStringLiteral("numEdit"));
    DigitsEdit = new QSpinBox(suffix);
    DigitsEdit->setObjectName(QStringLiteral("DigitsEdit"));
    DigitsEdit->setRange(0, MaxImageDigits);
    suffixGrid->addWidget(rbTimecode, 0, 0, 1, 2);
    suffixGrid->addWidget(rbNumero, 1, 0);
    suffixGrid->addWidget(numEdit, 1, 1);
    suffixGrid->addWidget(new QLabel(QStringLiteral("Nb de digits:"), suffix), 2, 0);
    suffixGrid->addWidget(DigitsEdit, 2, 1);
    body()->addWidget(suffix);

    rgExtension = new QGroupBox(this);
    rgExtension->setObjectName(QStringLiteral("rgExtension"));
    auto* formats = new QHBoxLayout(rgExtension);
    ExtensionButtons = new QButtonGroup(this);
    const char* const names[] = { "bmp", "jpeg" };
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton(QLatin1String(names[i]), rgExtension);
        ExtensionButtons->addButton(b, i);
        formats->addWidget(b);
    }
    body()->addWidget(rgExtension);

    auto* quality = new QGroupBox(QStringLiteral("Qualité jpeg"), this);
    auto* qualityRow = new QHBoxLayout(quality);
    TrackBar1 = new QSlider(Qt::Horizontal, quality);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setRange(1, 100);
    TrackBar1->setToolTip(
        QStringLiteral("Qualité de l'image jpeg,\r\ndepuis 1 = la pire, mais utilise le moins de "
                       "place\r\njusqu'à 100 = la meilleure, mais utilise beaucoup de place."));
    labQuality = new QLabel(quality);
    labQuality->setObjectName(QStringLiteral("labQuality"));
    labQuality->setMinimumWidth(28);
    qualityRow->addWidget(TrackBar1, 1);
    qualityRow->addWidget(labQuality);
    body()->addWidget(quality);
    body()->addStretch(1);
}

int TDossiersFrame::ExtensionIndex() const
{
    return ExtensionButtons->checkedId();
}

void TDossiersFrame::SetExtensionIndex(int index)
{
    if (QAbstractButton* b = ExtensionButtons->button(index)) b->setChecked(true);
}
