#pragma once
// The options panel: the on/off preferences as check boxes. A click stores
// the box into its preference and nothing else; the commands that mirror an
// option set the box themselves.

#include "support/TSidePanel.h"

class QCheckBox;
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

private:
    struct Binding {
        QCheckBox* box;
        TBooleanParameter** parameter;
        QString key;
    };
    QList<Binding> m_bindings;
};
