// The AVCHD recording date read from H.264 SEI messages, well formed and
// damaged, and a frame's place in its second among the kept frames.

#include "filters/MdpmAnalysis.h"

#include "filters/TvData.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

// 2009-12-31 23:59:58, after a tag of no interest.
const Bytes GoodTags { 0x13, 1, 2, 3, 4, 0x18, 0x00, 0x20, 0x09, 0x12, 0x19, 0x31, 0x23, 0x59, 0x58 };

Bytes mdpm(const Bytes& tags, int count)
{
    Bytes p(MdpmUuid.begin(), MdpmUuid.end());
    p.insert(p.end(), { 'M', 'D', 'P', 'M', uint8_t(count) });
    p.insert(p.end(), tags.begin(), tags.end());
    return p;
}

// A NAL unit's bytes with the emulation-prevention bytes an encoder adds.
Bytes escaped(const Bytes& rbsp)
{
    Bytes out;
    int zeros = 0;
    for (uint8_t b : rbsp) {
        if (zeros >= 2 && b <= 3) out.push_back(3), zeros = 0;
        out.push_back(b);
        zeros = b == 0 ? zeros + 1 : 0;
    }
    return out;
}

// Read from a block of exactly the bytes' size: a read past the end is one
// past an allocation, which the sanitized build stops at.
template <typename Reader> bool readExact(Reader reader, const Bytes& bytes, double& datecode)
{
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() + 1]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    return reader(exact.get(), bytes.size(), datecode);
}
} // namespace

TEST(MdpmAnalysis, WellFormedMessagesGiveTheirDateDamagedOnesNone)
{
    double d = 0;
    ASSERT_TRUE(readExact(ReadMdpmDate, mdpm(GoodTags, 3), d));
    EXPECT_EQ(DatecodeToDateTime(d), QDateTime(QDate(2009, 12, 31), QTime(23, 59, 58)));
    EXPECT_TRUE(readExact(ReadMdpmDate, mdpm(GoodTags, 40), d)); // the tags there are read
    const Bytes good = mdpm(GoodTags, 3);
    for (size_t length = 0; length < good.size(); ++length) // short, or a tag cut at the end
        EXPECT_FALSE(readExact(ReadMdpmDate, Bytes(good.begin(), good.begin() + long(length)), d)) << length;
    EXPECT_FALSE(readExact(ReadMdpmDate, mdpm(GoodTags, 2), d)); // the time tag beyond the count
    for (size_t at : { 15u, 19u }) { // UUID, letters
        Bytes wrong = good;
        wrong[at] ^= 1;
        EXPECT_FALSE(readExact(ReadMdpmDate, wrong, d)) << at;
    }
    for (size_t at : { 7u, 8u, 9u, 11u, 12u, 13u, 14u }) { // a digit above 9
        Bytes tags = GoodTags;
        tags[at] = uint8_t((tags[at] & 0xF0) | 0x0A);
        EXPECT_FALSE(readExact(ReadMdpmDate, mdpm(tags, 3), d)) << at;
    }
    Bytes february = GoodTags;
    february[9] = 0x02; // 31 February
    EXPECT_FALSE(readExact(ReadMdpmDate, mdpm(february, 3), d));

    // In an access unit: after an encoder's own user data, escaped (2000-01-01
    // 00:00:00 has runs of zeros), before the first slice; nothing behind
    // the slice counts.
    const Bytes zeros = mdpm({ 0x18, 0x00, 0x20, 0x00, 0x01, 0x19, 0x01, 0x00, 0x00, 0x00 }, 2);
    Bytes sei { 5, 17 };
    sei.insert(sei.end(), 17, 0x11);
    sei.insert(sei.end(), { 5, uint8_t(zeros.size()) });
    sei.insert(sei.end(), zeros.begin(), zeros.end());
    sei.push_back(0x80);
    Bytes unit { 0, 0, 0, 1, 0x09, 0xF0, 0, 0, 1, 0x06 };
    const Bytes nal = escaped(sei);
    ASSERT_GT(nal.size(), sei.size());
    unit.insert(unit.end(), nal.begin(), nal.end());
    unit.insert(unit.end(), { 0, 0, 1, 0x65, 0x88 });
    ASSERT_TRUE(readExact(ReadH264RecordingDate, unit, d));
    EXPECT_EQ(DatecodeToDateTime(d), QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0)));
    for (size_t length = 0; length < unit.size() - 6; ++length) // the message cut
        EXPECT_FALSE(readExact(ReadH264RecordingDate, Bytes(unit.begin(), unit.begin() + long(length)), d));
    Bytes late { 0, 0, 1, 0x65, 0x88 };
    late.insert(late.end(), unit.begin(), unit.end());
    EXPECT_FALSE(readExact(ReadH264RecordingDate, late, d));
}

TEST(MdpmAnalysis, AFramesPlaceInItsSecondIsKnownOnlyFromTheFrameThatBeganIt)
{
    TSharedRecordLocker lock(&SharedRecordLock());
    constexpr int64_t Frame = 333667; // 29.97 fps
    double base = 0;
    ASSERT_TRUE(DatecodeFromDateTime(QDate(2022, 8, 9), QTime(10, 11, 12), base));
    // The second changes at frame 30; jump: a new recording from there.
    const auto remember = [&](int from, int to, int skip = -1, double jump = 1) {
        ForgetDvFrames();
        for (int odd = 1; odd >= 0; --odd) // out of order, as B-frames come
            for (int k = from + odd; k < to; k += 2)
                if (k != skip)
                    RememberDvFrame({ k * Frame, true, base + (k >= 30 ? jump / 86400 : 0), false, {} });
    };
    const auto place = [&](int k) {
        TDvFrameStamp found;
        return FindDvFrame(k * Frame + 10, Frame / 2, found) ? found.FrameInSecond : -2;
    };
    remember(20, 46);
    EXPECT_EQ(place(43), 13);
    EXPECT_EQ(place(30), 0);
    EXPECT_EQ(place(25), -1); // its second began before the frames kept
    remember(28, 40, 35); // a frame never read
    EXPECT_EQ(place(34), 4);
    EXPECT_EQ(place(38), -1);
    remember(28, 34, -1, 100);
    EXPECT_EQ(place(32), -1);
    ForgetDvFrames();
}
