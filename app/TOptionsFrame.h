#pragma once
// The options panel: the on/off preferences as check boxes, and where the
// preferences are kept (rgPrefs). A click on a box stores it into its
// preference and nothing else; the commands that mirror an option set the
// box themselves. Choosing a store deletes the stores given up.

#include "support/TSidePanel.h"

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class TBooleanParameter;

class TOptionsFrame : public TSidePanel
{
    Q_OBJECT
public:
    explicit TOptionsFrame(QWidget* parent);

    // Each box takes its preference's value (after the preferences are read).
    void LoadFromPreferences();
    QCheckBox* Box(const QString& key) const;

    QCheckBox* cbConfirmer = nullptr;
    QCheckBox* cbSauverQuandClic = nullptr;
    QCheckBox* cbMTSVitesseMaxi = nullptr;
    QCheckBox* cbParametrerFiltres = nullptr;
    QCheckBox* cbDesentrelacer = nullptr;
    QCheckBox* cbForcerDecodeur = nullptr;
    QCheckBox* cbTraiterErreurs = nullptr;

    // The installed MPEG decoders to choose from, in the catalogues' order.
    // Filling or selecting from code says nothing; a choice of the user
    // calls the matching handler with the name chosen.
    QLabel* labDecodeursMpegVideo = nullptr;
    QComboBox* cbDecodeursMpegVideo = nullptr;
    QLabel* labDecodeursMpegAudio = nullptr;
    QComboBox* cbDecodeursMpegAudio = nullptr;
    std::function<void(const QString&)> OnVideoDecoderChange;
    std::function<void(const QString&)> OnAudioDecoderChange;

    // The store radio group: its index is the store mode. Setting the index
    // from code runs the choice (SetStoreMode) as a click does, but only
    // when it changes; ShowPrefsIndex only shows it.
    QButtonGroup* rgPrefs = nullptr;
    int PrefsIndex() const { return m_prefsIndex; }
    void SetPrefsIndex(int index);
    void ShowPrefsIndex(int index);

private:
    struct Binding {
        QCheckBox* box;
        TBooleanParameter** parameter;
        QString key;
    };
    QList<Binding> m_bindings;
    int m_prefsIndex = 0;
};
