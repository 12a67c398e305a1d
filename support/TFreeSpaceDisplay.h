#pragma once
// What the free-space gauge shows of the file system holding the images:
// its bounds and value in megabytes, and the texts in "Mo" or "Go". A size
// that could not be read is said as such, never drawn as an empty or a full
// disk.

#include <QString>
#include <cstdint>

class TFreeSpaceDisplay
{
public:
    // Shown in the gauge and under it when the size is not known.
    static const QString UnknownText;

    // Sizes in bytes; a total of 0 or less means "not known".
    TFreeSpaceDisplay(int64_t totalBytes, int64_t freeBytes);

    bool Known() const { return m_known; }
    // Gauge maximum and progress: the total and the used space, in MB.
    int MaxValue() const { return m_totalMb; }
    int Progress() const { return m_totalMb - m_freeMb; }
    int FreeMb() const { return m_freeMb; }
    // "%d Mo" below 10241 MB, else "%d Go" (whole gigabytes).
    QString GaugeText() const;
    // "%d Mo" always.
    QString LabelText() const;

private:
    bool m_known = false;
    int m_totalMb = 0;
    int m_freeMb = 0;
};
