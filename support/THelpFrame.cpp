#include "support/THelpFrame.h"

THelpFrame::THelpFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("HelpFrame"), QStringLiteral("Aide"), parent)
{
}
