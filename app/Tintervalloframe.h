#pragma once
// The intervallometer's bar under the picture: the interval (a value and its
// unit), the precision mode, the switch that starts and stops a run, and the
// count of images still to take.

#include <QFrame>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QSpinBox;
class QToolButton;

class Tintervalloframe : public QFrame
{
    Q_OBJECT
public:
    explicit Tintervalloframe(QWidget* parent);

    QGroupBox* GroupBox1 = nullptr;
    QSpinBox* RxSpinEdit7 = nullptr; // 1 .. 999999
    QComboBox* cboxIntervallo = nullptr; // "Images", "Secondes", "Minutes"
    QCheckBox* cbPrecision = nullptr;
    QToolButton* RxSwitch1 = nullptr; // checked while a run goes on
    QLabel* chronolab = nullptr;

    // The switch's state, without its click.
    void SetSwitch(bool on);
    // The value field and the unit list, enabled or not (not during a run).
    void SetFieldsEnabled(bool on);
};
