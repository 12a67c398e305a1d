#include "automation/TRaccourcisForm.h"

TRaccourcisForm::TRaccourcisForm(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("RaccourcisForm"));
    setWindowTitle(QStringLiteral("Raccourcis"));
}
