// The AVCHD recording date read from H.264 SEI messages, on well-formed and
// damaged messages, and the frame's place in its second among the kept
// frames.

#include "filters/MdpmAnalysis.h"

#include "filters/TvData.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace
{

using Bytes = std::vector<uint8_t>;

// An MDPM payload: UUID, "MDPM", count, tags.
Bytes mdpm(const Bytes& tags, int count = -1)
{
    Bytes p(MdpmUuid.begin(), MdpmUuid.end());
    for (char c : { 'M', 'D', 'P', 'M' })
        p.push_back(uint8_t(c));
    p.push_back(uint8_t(count >= 0 ? count : int(tags.size() / 5)));
    p.insert(p.end(), tags.begin(), tags.end());
    return p;
}

// 2009-12-31 23:59:58 with a third tag in front.
const Bytes GoodTags { 0x13, 0x01, 0x02, 0x03, 0x04, 0x18, 0x00, 0x20, 0x09, 0x12, 0x19, 0x31, 0x23, 0x59,
    0x58 };

// The bytes are copied to a block of exactly their size, so that a read past
// the end is one past an allocation (caught by the sanitized build).
bool readPayload(const Bytes& bytes, double& datecode)
{
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() ? bytes.size() : 1]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    return ReadMdpmDate(exact.get(), bytes.size(), datecode);
}

bool readAccessUnit(const Bytes& bytes, double& datecode)
{
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() ? bytes.size() : 1]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    return ReadH264RecordingDate(exact.get(), bytes.size(), datecode);
}

// An SEI NAL unit holding the payload as a user-data-unregistered message,
// with the emulation-prevention bytes an encoder adds.
Bytes seiNal(const Bytes& payload)
{
    Bytes rbsp { H264SeiUserDataUnregistered, uint8_t(payload.size()) };
    rbsp.insert(rbsp.end(), payload.begin(), payload.end());
    rbsp.push_back(0x80);
    Bytes nal { 0, 0, 0, 1, 0x06 };
    int zeros = 0;
    for (uint8_t b : rbsp) {
        if (zeros >= 2 && b <= 3) {
            nal.push_back(3);
            zeros = 0;
        }
        nal.push_back(b);
        zeros = b == 0 ? zeros + 1 : 0;
    }
    return nal;
}

QDateTime dateOf(double datecode)
{
    return DatecodeToDateTime(datecode);
}

} // namespace

TEST(MdpmAnalysis, ReadsTheDateOfAWellFormedMessageAndNothingFromDamagedOnes)
{
    double datecode = 0;
    ASSERT_TRUE(readPayload(mdpm(GoodTags), datecode));
    EXPECT_EQ(dateOf(datecode), QDateTime(QDate(2009, 12, 31), QTime(23, 59, 58)));

    const Bytes good = mdpm(GoodTags);
    // Every shorter message: the date needs both tags whole.
    for (size_t length = 0; length < good.size(); ++length) {
        double d = -1;
        EXPECT_FALSE(readPayload(Bytes(good.begin(), good.begin() + long(length)), d)) << length;
        EXPECT_EQ(d, -1);
    }
    Bytes uuid = good;
    uuid[15] ^= 1;
    EXPECT_FALSE(readPayload(uuid, datecode));
    Bytes letters = good;
    letters[19] = 'X';
    EXPECT_FALSE(readPayload(letters, datecode));
    // A count larger than the tags present: the tags there are read, no
    // byte past the end.
    EXPECT_TRUE(readPayload(mdpm(GoodTags, 40), datecode));
    EXPECT_FALSE(readPayload(mdpm(Bytes(GoodTags.begin(), GoodTags.end() - 2), 3), datecode));
    // A count smaller: the tags beyond it are not the message's.
    EXPECT_FALSE(readPayload(mdpm(GoodTags, 2), datecode));
    // Digits above 9, and dates that do not exist.
    for (size_t at : { 7u, 8u, 9u, 11u, 12u, 13u, 14u }) {
        Bytes tags = GoodTags;
        tags[at] = uint8_t((tags[at] & 0xF0) | 0x0A);
        EXPECT_FALSE(readPayload(mdpm(tags), datecode)) << at;
    }
    Bytes february = GoodTags;
    february[9] = 0x02; // 31 February
    EXPECT_FALSE(readPayload(mdpm(february), datecode));
    Bytes hour = GoodTags;
    hour[12] = 0x24;
    EXPECT_FALSE(readPayload(mdpm(hour), datecode));
}

TEST(MdpmAnalysis, FindsTheMessageAmongTheSeiOfAnAccessUnitBeforeItsPicture)
{
    const Bytes aud { 0, 0, 0, 1, 0x09, 0xF0 };
    const Bytes sps { 0, 0, 0, 1, 0x67, 0x64, 0x00, 0x0D };
    // Another user-data message first (an encoder's own), then ours; the
    // date's zeros need emulation prevention (00 00 0x): 2000-01-01 00:00:00.
    Bytes other(16, 0x11);
    other.push_back('x');
    const Bytes zeros { 0x18, 0x00, 0x20, 0x00, 0x01, 0x19, 0x01, 0x00, 0x00, 0x00 };
    const Bytes slice { 0, 0, 1, 0x65, 0x88, 0x84 };
    Bytes unit = aud;
    for (const Bytes& part : { sps, seiNal(other), seiNal(mdpm(zeros)), slice })
        unit.insert(unit.end(), part.begin(), part.end());
    double datecode = 0;
    ASSERT_TRUE(readAccessUnit(unit, datecode));
    EXPECT_EQ(dateOf(datecode), QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0)));

    // Behind the picture's first slice nothing is looked at.
    Bytes late = aud;
    for (const Bytes& part : { slice, seiNal(mdpm(GoodTags)) })
        late.insert(late.end(), part.begin(), part.end());
    EXPECT_FALSE(readAccessUnit(late, datecode));

    // Every cut of the unit, and sizes that claim more than there is.
    for (size_t length = 0; length < unit.size(); ++length) {
        double d = 0;
        readAccessUnit(Bytes(unit.begin(), unit.begin() + long(length)), d);
    }
    Bytes big = seiNal(mdpm(GoodTags));
    big[6] = 0xFF; // a size of 255 + ...
    big.insert(big.begin() + 7, 0xFF);
    EXPECT_FALSE(readAccessUnit(big, datecode));
    EXPECT_FALSE(readAccessUnit(Bytes { 0, 0, 1 }, datecode));
    EXPECT_FALSE(readAccessUnit(Bytes { 0, 0, 1, 0x06 }, datecode));
    EXPECT_FALSE(readAccessUnit(Bytes {}, datecode));
}

TEST(MdpmAnalysis, AFramesPlaceInItsSecondIsKnownOnlyFromTheFrameThatBeganIt)
{
    TSharedRecordLocker lock(&SharedRecordLock());
    ForgetDvFrames();
    constexpr int64_t Frame = 333667; // 29.97 fps
    double base = 0;
    ASSERT_TRUE(DatecodeFromDateTime(QDate(2022, 8, 9), QTime(10, 11, 12), base));
    // Frames 20..45; the second changes at frame 30. Remembered out of
    // order, as B-frames come.
    const auto stamp = [&](int k) {
        TDvFrameStamp s;
        s.Start = k * Frame;
        s.DatecodeValid = true;
        s.Datecode = base + (k >= 30 ? 1.0 / 86400 : 0);
        return s;
    };
    for (int k = 20; k < 46; k += 2)
        RememberDvFrame(stamp(k + 1));
    for (int k = 20; k < 46; k += 2)
        RememberDvFrame(stamp(k));
    TDvFrameStamp found;
    ASSERT_TRUE(FindDvFrame(43 * Frame + 10, Frame / 2, found));
    EXPECT_EQ(found.FrameInSecond, 13);
    ASSERT_TRUE(FindDvFrame(30 * Frame, Frame / 2, found));
    EXPECT_EQ(found.FrameInSecond, 0);
    // Frame 20 began no second we saw: its place is unknown.
    ASSERT_TRUE(FindDvFrame(25 * Frame, Frame / 2, found));
    EXPECT_EQ(found.FrameInSecond, -1);
    // A gap (a frame never read) leaves the place unknown too, as does a
    // jump of the date that is not the next second (a new recording).
    ForgetDvFrames();
    for (int k = 28; k < 40; ++k)
        if (k != 35) RememberDvFrame(stamp(k));
    ASSERT_TRUE(FindDvFrame(34 * Frame, Frame / 2, found));
    EXPECT_EQ(found.FrameInSecond, 4);
    ASSERT_TRUE(FindDvFrame(38 * Frame, Frame / 2, found));
    EXPECT_EQ(found.FrameInSecond, -1);
    ForgetDvFrames();
    for (int k = 28; k < 34; ++k) {
        TDvFrameStamp s = stamp(k);
        if (k >= 30) s.Datecode += 100.0 / 86400;
        RememberDvFrame(s);
    }
    ASSERT_TRUE(FindDvFrame(32 * Frame, Frame / 2, found));
    EXPECT_EQ(found.FrameInSecond, -1);
    ForgetDvFrames();
}
