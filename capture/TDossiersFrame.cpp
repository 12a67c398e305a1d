#include "capture/TDossiersFrame.h"

TDossiersFrame::TDossiersFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("DossiersFrame"), QStringLiteral("Dossiers"), parent)
{
}
