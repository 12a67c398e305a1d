#include "inlay/OffsetText.h"

#include <cmath>
#include <cstdint>

QString OffsetText(double days)
{
    // nearbyint rounds in the current mode, which is to nearest, halves to even.
    const auto s = int64_t(std::nearbyint(days * 86400.0));
    const int64_t d = s / 86400;
    const int64_t h = (s / 3600) % 24;
    const int64_t m = (s / 60) % 60;
    const int64_t sec = s % 60;
    if (d == 0 && m == 0 && sec == 0) return QString::asprintf("%d heures", int(h));
    return QString::asprintf("%d jours %.2dh %.2dm %.2ds", int(d), int(h), int(m), int(sec));
}
