#pragma once
// The missing-filter warning, shown at the first paint when a required
// filter is absent.

#include <QDialog>

class TFiltresWarningForm : public QDialog
{
    Q_OBJECT
public:
    explicit TFiltresWarningForm(QWidget* parent = nullptr);
};
