#include "filters/TvData.h"

#include <cmath>

namespace
{
constexpr qint64 MsecsPerDay = 86400000;

QDate datecodeEpoch()
{
    return QDate(1899, 12, 30);
}
} // namespace

QRecursiveMutex& SharedRecordLock()
{
    // Outlives the records' last users, as they do.
    static QRecursiveMutex* lock = new QRecursiveMutex;
    return *lock;
}

TvData& VData()
{
    // Never destroyed: streaming threads may still write while the process
    // exits.
    static TvData* record = new TvData;
    return *record;
}

TvData VideoSnapshot()
{
    return SnapshotOf(&VData());
}

TvData SnapshotOf(const TvData* record)
{
    if (!record) return TvData {};
    TSharedRecordLocker lock(&SharedRecordLock());
    return *record;
}

bool DatecodeFromDateTime(const QDate& date, const QTime& time, double& out)
{
    if (!date.isValid() || !time.isValid()) return false;
    const qint64 days = datecodeEpoch().daysTo(date);
    const double fraction = double(time.msecsSinceStartOfDay()) / double(MsecsPerDay);
    // Before the epoch the integer part counts backwards but the fraction
    // still adds the time of day to it, so it is subtracted.
    out = days >= 0 ? double(days) + fraction : double(days) - fraction;
    return true;
}

QDateTime DatecodeToDateTime(double datecode)
{
    if (!std::isfinite(datecode) || std::fabs(datecode) > 3.0e6) return {};
    double whole = std::trunc(datecode);
    qint64 msecs = qint64(std::llround(std::fabs(datecode - whole) * double(MsecsPerDay)));
    if (msecs >= MsecsPerDay) {
        msecs -= MsecsPerDay;
        whole += datecode >= 0 ? 1 : -1;
    }
    const QDate date = datecodeEpoch().addDays(qint64(whole));
    if (!date.isValid() || date.year() < 1 || date.year() > 9999) return {};
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(msecs)));
}
