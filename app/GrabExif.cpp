#include "app/GrabExif.h"

#include "filters/TvData.h"

#include <QTimeZone>

TExifBlock GrabExif(
    const TInlayValues& values, int64_t frameDuration, double offset, std::optional<int64_t> creation)
{
    TExifBlock exif;
    if (values.DatecodeValid) {
        const QDateTime recorded = DatecodeToDateTime(values.Datecode + offset);
        if (!recorded.isValid()) return exif;
        // The offset is set in whole seconds; the date is kept to the second
        // and the frame's place in it goes to the sub-second tag. Truncated,
        // so the last frame of a second stays in it (29.97 fps: frame 29 is
        // at 0.967 s, "96").
        exif.Recorded = QDateTime(recorded.date(),
            QTime(recorded.time().hour(), recorded.time().minute(), recorded.time().second()));
        if (values.FrameInSecond >= 0 && frameDuration > 0) {
            const int64_t hundredths = int64_t(values.FrameInSecond) * frameDuration / 100000;
            if (hundredths <= 99) exif.SubSecond = int(hundredths);
        }
        return exif;
    }
    if (!creation) return exif;
    const int64_t at = *creation + std::max<int64_t>(values.LastPosition, 0) / 10000;
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(at, QTimeZone::utc()).toLocalTime();
    if (!local.isValid()) return exif;
    const QTime time = local.time();
    exif.Recorded = QDateTime(local.date(), QTime(time.hour(), time.minute(), time.second()));
    exif.SubSecond = time.msec() / 10;
    return exif;
}
