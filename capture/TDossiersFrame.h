#pragma once
// The naming panel: where images go and how they are named, their format
// and the JPEG quality. The main window acts on its controls.

#include "support/TSidePanel.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QSpinBox;
class TWideDirectoryEdit;

class TDossiersFrame : public TSidePanel
{
    Q_OBJECT
public:
    explicit TDossiersFrame(QWidget* parent);

    TWideDirectoryEdit* deDossierSave = nullptr;
    QRadioButton* rbUtiliserRacine = nullptr;
    QLineEdit* NomRacineEdit = nullptr;
    QRadioButton* rbUtiliserNomVideo = nullptr;
    QCheckBox* cbLimiterLongueur = nullptr;
    QSpinBox* RacineLengthEdit = nullptr;
    QRadioButton* rbTimecode = nullptr;
    QRadioButton* rbNumero = nullptr;
    QLineEdit* numEdit = nullptr;
    QSpinBox* DigitsEdit = nullptr;
    QGroupBox* rgExtension = nullptr;
    QButtonGroup* ExtensionButtons = nullptr; // 0 "bmp", 1 "jpeg"
    QSlider* TrackBar1 = nullptr;
    QLabel* labQuality = nullptr;

    // The selected format (0 bmp, 1 jpeg), and selecting one.
    int ExtensionIndex() const;
    void SetExtensionIndex(int index);
};
