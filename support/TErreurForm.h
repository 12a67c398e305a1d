#pragma once
// The error window: problems met while opening files are reported here.

#include <QDialog>

class TErreurForm : public QDialog {
    Q_OBJECT
public:
    explicit TErreurForm(QWidget* parent = nullptr);
};
