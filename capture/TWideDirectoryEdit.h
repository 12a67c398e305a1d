#pragma once
// A folder chooser: a read-only field with a button that opens the folder
// browser on the current folder. The chosen folder comes back with a
// trailing "/".

#include <QWidget>

class QLineEdit;
class QToolButton;

class TWideDirectoryEdit : public QWidget
{
    Q_OBJECT
public:
    explicit TWideDirectoryEdit(QWidget* parent = nullptr);

    QString Directory() const;
    void SetDirectory(const QString& folder);
    // Title of the folder browser.
    QString DialogTitle;
    // Whether the browser may make new folders.
    bool CanCreateNew = false;
    // Opens the browser (what the button does).
    void Browse();
    // Chooses the folder as the browser would have (tests, scripts).
    void Choose(const QString& folder);

    QLineEdit* Edit = nullptr;
    QToolButton* Button = nullptr;

signals:
    void AfterDialog(const QString& folder);
    void DialogAborted();
};
