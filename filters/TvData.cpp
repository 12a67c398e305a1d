#include "filters/TvData.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

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

namespace
{
// A few seconds of frames: far more than the queues hold.
constexpr size_t DvFrameHistory = 128;
std::array<TDvFrameStamp, DvFrameHistory> g_dvFrames;
size_t g_dvFrameCount = 0;
size_t g_dvFrameNext = 0;
} // namespace

void RememberDvFrame(const TDvFrameStamp& stamp)
{
    // A frame read again (after a seek back) replaces its old stamp.
    for (size_t i = 0; i < g_dvFrameCount; ++i)
        if (g_dvFrames[i].Start == stamp.Start) {
            g_dvFrames[i] = stamp;
            return;
        }
    g_dvFrames[g_dvFrameNext] = stamp;
    g_dvFrameNext = (g_dvFrameNext + 1) % DvFrameHistory;
    g_dvFrameCount = std::min(g_dvFrameCount + 1, DvFrameHistory);
}

namespace
{
const TDvFrameStamp* nearestDvFrame(int64_t start, int64_t tolerance)
{
    const TDvFrameStamp* found = nullptr;
    int64_t best = tolerance + 1;
    for (size_t i = 0; i < g_dvFrameCount; ++i) {
        const int64_t distance = std::abs(g_dvFrames[i].Start - start);
        if (distance < best) {
            best = distance;
            found = &g_dvFrames[i];
        }
    }
    return found;
}

int64_t wholeSecond(double datecode)
{
    return std::llround(datecode * 86400.0);
}
} // namespace

bool FindDvFrame(int64_t start, int64_t tolerance, TDvFrameStamp& out)
{
    const TDvFrameStamp* found = nearestDvFrame(start, tolerance);
    if (!found) return false;
    out = *found;
    out.FrameInSecond = -1;
    if (!found->DatecodeValid) return true;
    // Back frame by frame to the one before this second began. The frames
    // are remembered in decoding order, so this is only asked once a frame
    // is wanted, when its predecessors have all been read.
    const int64_t second = wholeSecond(found->Datecode);
    const int64_t frame = 2 * tolerance;
    const TDvFrameStamp* current = found;
    for (int32_t before = 0; before < int32_t(DvFrameHistory); ++before) {
        const TDvFrameStamp* previous = nearestDvFrame(current->Start - frame, tolerance);
        if (!previous || !previous->DatecodeValid) return true;
        const int64_t previousSecond = wholeSecond(previous->Datecode);
        if (previousSecond == second - 1) {
            out.FrameInSecond = before;
            return true;
        }
        if (previousSecond != second) return true;
        current = previous;
    }
    return true;
}

void ForgetDvFrames()
{
    g_dvFrameCount = 0;
    g_dvFrameNext = 0;
}
