#pragma once
// Asked on leaving when no preference store is chosen: where should the
// preferences go (registry, ini file beside the executable, nowhere)?

#include <QDialog>

class QLabel;
class QPushButton;

class TSavePrefsForm : public QDialog
{
    Q_OBJECT
public:
    explicit TSavePrefsForm(QWidget* parent = nullptr);

    // Shows the window modally: the chosen store mode, or -1 when the window
    // was closed without a choice.
    int Ask();
    int Choice() const { return m_choice; }

    // Records a choice and closes, as the buttons and the text's links do.
    void Choose(int mode);

    static QString MarkupText();

private:
    QLabel* m_text;
    int m_choice = -1;
};
