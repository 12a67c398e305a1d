#include "capture/TExtraireFrame.h"

TExtraireFrame::TExtraireFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("ExtraireFrame"), QStringLiteral("Extraire"), parent)
{
}
