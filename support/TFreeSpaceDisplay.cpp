#include "support/TFreeSpaceDisplay.h"

#include <algorithm>
#include <climits>

const QString TFreeSpaceDisplay::UnknownText = QStringLiteral("Taille inconnue");

TFreeSpaceDisplay::TFreeSpaceDisplay(int64_t totalBytes, int64_t freeBytes)
{
    if (totalBytes <= 0 || freeBytes < 0) return;
    m_known = true;
    // A gauge counts in int: a file system of more than 2 PB still shows,
    // at its full width.
    m_totalMb = int(std::min<int64_t>(totalBytes >> 20, INT_MAX));
    m_freeMb = int(std::min<int64_t>(std::min(freeBytes, totalBytes) >> 20, m_totalMb));
}

QString TFreeSpaceDisplay::GaugeText() const
{
    if (!m_known) return UnknownText;
    if (m_freeMb < 10241) return QStringLiteral("%1 Mo").arg(m_freeMb);
    return QStringLiteral("%1 Go").arg(m_freeMb / 1024);
}

QString TFreeSpaceDisplay::LabelText() const
{
    if (!m_known) return UnknownText;
    return QStringLiteral("%1 Mo").arg(m_freeMb);
}
