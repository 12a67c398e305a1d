#include "app/TSourcesFrame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

TSourcesFrame::TSourcesFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("SourcesFrame"), QStringLiteral("Sources"), parent)
{
    auto group = [this](const QString& title, QComboBox*& list, QLabel*& label, const QString& hint,
                     const char* listName, const char* labelName) {
        auto* box = new QGroupBox(title, this);
        auto* layout = new QVBoxLayout(box);
        list = new QComboBox(box);
        list->setObjectName(QLatin1String(listName));
        list->setToolTip(hint);
        // Stream names can be long paths: the list stays in the panel.
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(20);
        label = new QLabel(box);
        label->setObjectName(QLatin1String(labelName));
        label->setWordWrap(true);
        layout->addWidget(list);
        layout->addWidget(label);
        body()->addWidget(box);
        return box;
    };
    GroupVideo = group(QStringLiteral("Source Vidéo"), cboxvideo, LabVideo,
        QStringLiteral("Liste des sources  de capture vidéo"), "cboxvideo", "LabVideo");
    GroupAudio = group(QStringLiteral("Source Audio"), cboxAudio, LabAudio,
        QStringLiteral("Liste des sources de capture audio"), "cboxAudio", "LabAudio");
    VitesseMaxiBox = new QCheckBox(QStringLiteral("Vitesse maximale"), this);
    VitesseMaxiBox->setObjectName(QStringLiteral("VitesseMaxiBox"));
    body()->addWidget(VitesseMaxiBox);
    body()->addStretch(1);
}
