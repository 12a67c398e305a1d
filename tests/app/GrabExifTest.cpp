// The date a grab's EXIF block gets, from the values its frame was drawn
// with: the time offset, the frame's place in its second at 25 and at
// 30000/1001 frames a second, and the container's creation time.

#include "app/GrabExif.h"

#include "filters/TvData.h"

#include <QTimeZone>
#include <gtest/gtest.h>

TEST(GrabExif, RecordingDateWithOffsetAndSubSecondElseContainerTimeElseNothing)
{
    TInlayValues v;
    ASSERT_TRUE(DatecodeFromDateTime(QDate(2004, 7, 15), QTime(14, 23, 45), v.Datecode));
    v.DatecodeValid = true;
    v.FrameInSecond = 13;
    v.LastPosition = 123456789; // a container time would move; a recording date does not
    const double hour = 1.0 / 24;
    TExifBlock pal = GrabExif(v, 400000, hour, 1000);
    EXPECT_EQ(pal.Recorded, QDateTime(QDate(2004, 7, 15), QTime(15, 23, 45)));
    EXPECT_EQ(pal.SubSecond, 52);
    // 13 x 1001/30000 s = 0.4338 s.
    EXPECT_EQ(GrabExif(v, 333667, 0, std::nullopt).SubSecond, 43);
    v.FrameInSecond = 29;
    EXPECT_EQ(GrabExif(v, 333667, 0, std::nullopt).SubSecond, 96);
    // An offset backwards over midnight and the year.
    ASSERT_TRUE(DatecodeFromDateTime(QDate(2010, 1, 1), QTime(0, 0, 1), v.Datecode));
    v.FrameInSecond = -1;
    const TExifBlock back = GrabExif(v, 400000, -2.0 / 86400, std::nullopt);
    EXPECT_EQ(back.Recorded, QDateTime(QDate(2009, 12, 31), QTime(23, 59, 59)));
    EXPECT_EQ(back.SubSecond, -1);

    // No recording date: the container's time plus the frame's position.
    v.DatecodeValid = false;
    v.LastPosition = 4 * 10000000LL + 4000000; // 4.4 s
    const int64_t created
        = QDateTime(QDate(2015, 6, 7), QTime(8, 9, 10), QTimeZone::utc()).toMSecsSinceEpoch();
    const TExifBlock container = GrabExif(v, 400000, hour, created);
    const QDateTime local = QDateTime(QDate(2015, 6, 7), QTime(8, 9, 14), QTimeZone::utc()).toLocalTime();
    EXPECT_EQ(container.Recorded, QDateTime(local.date(), local.time()));
    EXPECT_EQ(container.SubSecond, 40);
    // Nothing known: no date.
    EXPECT_FALSE(GrabExif(v, 400000, hour, std::nullopt).Recorded.isValid());
}
