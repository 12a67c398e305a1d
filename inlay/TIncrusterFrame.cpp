#include "inlay/TIncrusterFrame.h"

TIncrusterFrame::TIncrusterFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("IncrusterFrame"), QStringLiteral("Incruster"), parent)
{
}
