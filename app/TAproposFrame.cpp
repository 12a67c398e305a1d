#include "app/TAproposFrame.h"

TAproposFrame::TAproposFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("AproposFrame"), QStringLiteral("A propos"), parent)
{
}
