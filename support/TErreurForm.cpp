#include "support/TErreurForm.h"

#include "support/Product.h"

TErreurForm::TErreurForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ErreurForm"));
    setWindowTitle(QStringLiteral("Erreur de %1").arg(Product::Name));
}
