#include "app/TSourcesFrame.h"

TSourcesFrame::TSourcesFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("SourcesFrame"), QStringLiteral("Sources"), parent)
{
}
