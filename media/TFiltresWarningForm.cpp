#include "media/TFiltresWarningForm.h"

#include "support/Product.h"

TFiltresWarningForm::TFiltresWarningForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FiltresWarningForm"));
    setWindowTitle(Product::Name);
}
