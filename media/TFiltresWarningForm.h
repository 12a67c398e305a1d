#pragma once
// The missing-filter warning, shown once at the first paint when the
// separately installed splitter or decoders are not all there. "continuer"
// accepts, "Quitter" rejects (the program then ends); the check box says
// whether to warn again.

#include <QDialog>

class QCheckBox;
class QPushButton;
class TLinkEdit;

class TFiltresWarningForm : public QDialog
{
    Q_OBJECT
public:
    explicit TFiltresWarningForm(QWidget* parent = nullptr);

    // Composes the text for the presence of the three filters and centres
    // the window over `over`; false when nothing is missing.
    bool Prepare(bool splitter, bool videoDecoder, bool audioDecoder, QWidget* over);
    bool DontWarnAgain() const;

    TLinkEdit* Texte = nullptr;
    QPushButton* btnContinuer = nullptr;
    QPushButton* btnQuitter = nullptr;
    QCheckBox* cbNePlus = nullptr;
};
