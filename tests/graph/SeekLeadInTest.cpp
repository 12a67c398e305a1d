#include "graph/SeekLeadIn.h"

#include <gtest/gtest.h>

namespace
{

class SeekLeadIn : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { gst_init(nullptr, nullptr); }
};

gint64 LeadIn(const char* caps)
{
    GstCaps* c = gst_caps_from_string(caps);
    const gint64 ns = MatroskaSeekLeadIn(c);
    if (c) gst_caps_unref(c);
    return ns;
}

// The splitter's own figures: blocks of the codec's longest frame, at the
// file's rate, rounded down.
TEST_F(SeekLeadIn, FollowsTheSplittersFiguresForEachCodec)
{
    EXPECT_EQ(LeadIn("audio/mpeg,mpegversion=1,layer=3,rate=44100,channels=2"), 783'673'469);
    EXPECT_EQ(LeadIn("audio/mpeg,mpegversion=1,layer=2,rate=48000,channels=2"), 720'000'000);
    EXPECT_EQ(LeadIn("audio/x-ac3,framed=true,rate=48000,channels=6"), 64'000'000);
    EXPECT_EQ(LeadIn("audio/x-eac3,framed=true,rate=48000,channels=2"), 64'000'000);
    EXPECT_EQ(LeadIn("audio/mpeg,mpegversion=4,stream-format=raw,rate=48000,channels=2"), 42'666'666);
    // Codecs the splitter gives none, video, and caps it cannot count from.
    EXPECT_EQ(LeadIn("audio/x-vorbis,rate=48000,channels=2"), 0);
    EXPECT_EQ(LeadIn("audio/x-opus,rate=48000,channels=2"), 0);
    EXPECT_EQ(LeadIn("video/x-h264,width=320,height=240"), 0);
    EXPECT_EQ(LeadIn("audio/mpeg,mpegversion=4,channels=2"), 0);
    EXPECT_EQ(LeadIn("audio/mpeg,mpegversion=1,rate=-48000"), 0);
    EXPECT_EQ(MatroskaSeekLeadIn(nullptr), 0);
}

// A 48 kHz AAC stream with a short set-up block is taken by the splitter
// for one of doubled rate: its caps say 96 kHz while its lead-in counts
// 48 kHz. Half the lead-in would still pass over a key frame at the target;
// a larger one could start the seek after it.
TEST_F(SeekLeadIn, TakesTheAacRateFromTheSetUpBlockNeverAboveTheCaps)
{
    EXPECT_EQ(LeadIn("audio/mpeg,mpegversion=4,stream-format=raw,codec_data=(buffer)119056e500,"
                     "rate=96000,channels=2"),
        42'666'666);
    // A set-up block for 48 kHz on caps that say 44.1 kHz: no figure is
    // safe, none is given.
    EXPECT_EQ(LeadIn("audio/mpeg,mpegversion=4,stream-format=raw,codec_data=(buffer)1190,"
                     "rate=44100,channels=2"),
        0);
    // A block too short to read: the caps' rate.
    EXPECT_EQ(LeadIn("audio/mpeg,mpegversion=2,codec_data=(buffer)11,rate=48000,channels=2"), 42'666'666);
}

} // namespace
