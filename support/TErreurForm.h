#pragma once
// The error window: a problem met on the user's machine, with the support
// paragraph and a mail to the support address prepared with the message and
// the description of the system.

#include <QDialog>

class QLabel;
class QPushButton;
class TLinkEdit;

class TErreurForm : public QDialog
{
    Q_OBJECT
public:
    explicit TErreurForm(QWidget* parent = nullptr);

    // Fills the window with the report of `message` and shows it modally;
    // returns when the window is closed.
    void Show(const QString& message);
    // Fills the window without showing it.
    void Fill(const QString& message);
    const QString& Message() const { return m_message; }

    // The mail program gets the prepared mail; the desktop opens the web
    // links (a NUL ending the target dropped). Failures to open either are
    // not reported.
    void MailClick();
    void UrlClick(const QString& target);

    QLabel* Heading = nullptr;
    TLinkEdit* Texte = nullptr;
    QPushButton* Quitter = nullptr;

private:
    QString m_message;
};
