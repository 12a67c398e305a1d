#include "capture/TWideDirectoryEdit.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

TWideDirectoryEdit::TWideDirectoryEdit(QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    Edit = new QLineEdit(this);
    Edit->setReadOnly(true);
    Edit->setFixedHeight(21);
    Button = new QToolButton(this);
    Button->setFixedSize(21, 21);
    Button->setIcon(QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon));
    row->addWidget(Edit, 1);
    row->addWidget(Button);
    connect(Button, &QToolButton::clicked, this, &TWideDirectoryEdit::Browse);
}

QString TWideDirectoryEdit::Directory() const
{
    return Edit->text();
}

void TWideDirectoryEdit::SetDirectory(const QString& folder)
{
    Edit->setText(folder);
    Edit->setCursorPosition(0);
}

void TWideDirectoryEdit::Browse()
{
    const QString current = Directory();
    QFileDialog::Options options = QFileDialog::ShowDirsOnly;
    if (!CanCreateNew) options |= QFileDialog::ReadOnly;
    const QString folder = QFileDialog::getExistingDirectory(
        this, DialogTitle, QDir(current).exists() ? current : QDir::homePath(), options);
    if (folder.isEmpty()) {
        emit DialogAborted();
        return;
    }
    Choose(folder);
}

void TWideDirectoryEdit::Choose(const QString& folder)
{
    QString chosen = QDir::fromNativeSeparators(folder);
    if (!chosen.endsWith(QLatin1Char('/'))) chosen += QLatin1Char('/');
    SetDirectory(chosen);
    emit AfterDialog(chosen);
}
