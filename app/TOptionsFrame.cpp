#include "app/TOptionsFrame.h"

TOptionsFrame::TOptionsFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("OptionsFrame"), QStringLiteral("Options"), parent)
{
}
