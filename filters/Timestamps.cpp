#include "filters/Timestamps.h"

#include <climits>

namespace
{
constexpr int64_t Second = 10'000'000;
constexpr int64_t DefaultFrameDuration = 400'000;

int64_t usable(int64_t frameDuration)
{
    return frameDuration > 0 ? frameDuration : DefaultFrameDuration;
}
} // namespace

TTimestampFields SplitTimestamp(int64_t position, int64_t frameDuration)
{
    // The 20-microsecond margin absorbs rounding just below a boundary.
    const int64_t t = position > INT64_MAX - 200 ? INT64_MAX : position + 200;
    const int64_t s = t / Second;
    TTimestampFields f;
    f.Frames = uint8_t((t % Second) / usable(frameDuration));
    f.Seconds = uint8_t(s % 60);
    f.Minutes = uint8_t((s / 60) % 60);
    f.Hours = int8_t(s / 3600);
    return f;
}

QString FormatTimestamp(int64_t position, int64_t frameDuration)
{
    const TTimestampFields f = SplitTimestamp(position, frameDuration);
    return QString::asprintf(
        "%d:%.2d:%.2d:%.2d", int(f.Hours), int(f.Minutes), int(f.Seconds), int(f.Frames));
}

int64_t TimestampToPosition(const TTimestampFields& f, int64_t frameDuration)
{
    const int64_t whole = (int64_t(f.Hours) * 3600 + int64_t(f.Minutes) * 60 + int64_t(f.Seconds)) * Second;
    // The frame duration comes from the file's header and may be anything:
    // a position beyond the last one stays at the end rather than wrap.
    int64_t position = 0;
    if (__builtin_mul_overflow(int64_t(f.Frames), usable(frameDuration), &position)
        || __builtin_add_overflow(position, whole, &position))
        return INT64_MAX;
    return position;
}

TTimestampFields ParseTimestamp(const QString& text)
{
    QString rest = text;
    auto next = [&rest]() {
        const qsizetype colon = rest.indexOf(QLatin1Char(':'));
        if (colon < 0) return QString();
        const QString part = rest.left(colon);
        rest = rest.mid(colon + 1);
        return part;
    };
    auto number = [](const QString& part) {
        bool ok = false;
        const qlonglong v = part.trimmed().toLongLong(&ok, 10);
        return ok ? v : 0;
    };
    TTimestampFields f;
    f.Hours = int8_t(number(next()));
    f.Minutes = uint8_t(number(next()));
    f.Seconds = uint8_t(number(next()));
    f.Frames = uint8_t(number(rest));
    return f;
}
