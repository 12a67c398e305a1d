#pragma once
// The error window: problems met while opening files are reported here, in
// the link markup, in a modal window the user closes with "Quitter".

#include <QDialog>

class QLabel;
class QPushButton;
class TLinkEdit;

class TErreurForm : public QDialog
{
    Q_OBJECT
public:
    explicit TErreurForm(QWidget* parent = nullptr);

    // Fills the window with `message` and shows it modally; returns when the
    // window is closed.
    void Show(const QString& message);
    // Fills the window without showing it.
    void Fill(const QString& message);
    const QString& Message() const { return m_message; }

    QLabel* Heading = nullptr;
    TLinkEdit* Texte = nullptr;
    QPushButton* Quitter = nullptr;

private:
    QString m_message;
};
