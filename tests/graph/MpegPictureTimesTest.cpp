#include "graph/MpegPictureTimes.h"

#include <gtest/gtest.h>
#include <vector>

namespace
{

constexpr int64_t Frame = 40'000'000; // ns, 25 fps

// A picture as the parser frames it: an optional group header, the picture
// header with its temporal reference, an optional picture coding extension,
// then a slice.
std::vector<uint8_t> Picture(int reference, bool group = false, bool repeatFirstField = false)
{
    std::vector<uint8_t> b;
    if (group) b.insert(b.end(), { 0, 0, 1, 0xB8, 0x08, 0x00, 0x08, 0x00 });
    b.insert(b.end(),
        { 0, 0, 1, 0x00, uint8_t(reference >> 2), uint8_t(((reference & 3) << 6) | (1 << 3)), 0xFF, 0xF8 });
    // picture_coding_extension: id 8, then the flags byte with repeat_first_field (bit 1).
    b.insert(
        b.end(), { 0, 0, 1, 0xB5, 0x8F, 0xFF, 0xF3, uint8_t(0x80 | (repeatFirstField ? 0x02 : 0)), 0x80 });
    // A slice whose data looks like a picture header: never read.
    b.insert(b.end(), { 0, 0, 1, 0x01, 0x12, 0x00, 0x00, 0x01, 0x00, 0xFF, 0xC0, 0, 0 });
    return b;
}

int64_t Take(TMpegPictureTimes& t, const std::vector<uint8_t>& picture, int64_t pts)
{
    return t.Take(picture.data(), picture.size(), pts);
}

} // namespace

TEST(MpegPictureTimes, UnstampedPicturesTakeTheirPlaceInTheGroup)
{
    TMpegPictureTimes t;
    t.SetFrameDuration(Frame);
    // Decoding order of an open group, I2 B0 B1 P5 B3 B4, the way a program
    // stream from a 25 fps encoder stamped it: P5 and B3 without a time.
    const int64_t base = 540'000'000;
    EXPECT_EQ(Take(t, Picture(2, true), base + 2 * Frame), base + 2 * Frame);
    EXPECT_EQ(Take(t, Picture(0), base), base);
    EXPECT_EQ(Take(t, Picture(1), -1), base + Frame);
    EXPECT_EQ(Take(t, Picture(5), -1), base + 5 * Frame);
    EXPECT_EQ(Take(t, Picture(3), -1), base + 3 * Frame);
    // A stamped picture keeps its own time, and anchors those after it.
    EXPECT_EQ(Take(t, Picture(4), base + 4 * Frame + 7), base + 4 * Frame + 7);
    EXPECT_EQ(Take(t, Picture(8), -1), base + 8 * Frame + 7);

    // References count anew in each group, whose first picture shows after
    // the last one of the group before (reference 8 here): a group that
    // opens without a time goes by that one.
    EXPECT_EQ(Take(t, Picture(2, true), -1), base + 11 * Frame + 7);
    EXPECT_EQ(Take(t, Picture(0), base + 9 * Frame), base + 9 * Frame);
    EXPECT_EQ(Take(t, Picture(1), -1), base + 10 * Frame);

    // A flush forgets the group; no rate, no guess.
    t.Reset();
    EXPECT_EQ(Take(t, Picture(3), -1), -1);
    t.SetFrameDuration(0);
    EXPECT_EQ(Take(t, Picture(1), base), base);
    EXPECT_EQ(Take(t, Picture(2), -1), -1);
}

TEST(MpegPictureTimes, RepeatedFieldsAndDataWithoutAPictureAreLeftAlone)
{
    TMpegPictureTimes t;
    t.SetFrameDuration(Frame);
    // 3:2 pulldown shows pictures for two and three fields: references are
    // no measure of time there.
    EXPECT_EQ(Take(t, Picture(0, true), 0), 0);
    EXPECT_EQ(Take(t, Picture(1, false, true), -1), -1);
    EXPECT_EQ(Take(t, Picture(2), -1), -1);
    // Nor does a group after one with pulldown go by it; a group without
    // pulldown is measured again.
    EXPECT_EQ(Take(t, Picture(0, true), -1), -1);
    EXPECT_EQ(Take(t, Picture(0, true), 10 * Frame), 10 * Frame);
    EXPECT_EQ(Take(t, Picture(1), -1), 11 * Frame);

    // No picture header, a cut header, nothing: the time passes unchanged.
    const std::vector<uint8_t> noPicture { 0, 0, 1, 0xB3, 0x2D, 0x02, 0x40, 0x33, 0x1F };
    EXPECT_EQ(Take(t, noPicture, -1), -1);
    EXPECT_EQ(Take(t, noPicture, 5), 5);
    const std::vector<uint8_t> cut { 0, 0, 1, 0x00, 0x12 };
    EXPECT_EQ(Take(t, cut, -1), -1);
    EXPECT_EQ(t.Take(nullptr, 0, -1), -1);
    // The group is still the one before: its anchor holds.
    EXPECT_EQ(Take(t, Picture(4), -1), 14 * Frame);
}
