#pragma once
// The sources panel: the video and audio streams of the open file, each list
// ending with its "none" entry, and the maximum-speed switch.

#include "support/TSidePanel.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;

class TSourcesFrame : public TSidePanel
{
    Q_OBJECT
public:
    explicit TSourcesFrame(QWidget* parent);

    QGroupBox* GroupVideo = nullptr;
    QComboBox* cboxvideo = nullptr;
    QLabel* LabVideo = nullptr;
    QGroupBox* GroupAudio = nullptr;
    QComboBox* cboxAudio = nullptr;
    QLabel* LabAudio = nullptr;
    QCheckBox* VitesseMaxiBox = nullptr;
};
