// What the separately installed splitter and decoders do with the settings
// kept in their registry keys.

#include "media/InstalledFilters.h"
#include "media/TFilterPresets.h"
#include "platform/Registry.h"

#include <QTemporaryDir>
#include <gst/gst.h>
#include <gtest/gtest.h>

namespace
{
class InstalledFilterSettings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("STILLEX_REGISTRY_DIR", m_dir.path().toUtf8());
        TRegistry::ResetForTests();
        DetectInstalledFilters();
    }
    void TearDown() override
    {
        TRegistry::ResetForTests();
        qunsetenv("STILLEX_REGISTRY_DIR");
    }
    static const char* splitterFor(const char* caps)
    {
        GstCaps* type = gst_caps_from_string(caps);
        const char* demuxer = HaaliSplitterFor(type);
        gst_caps_unref(type);
        return demuxer ? demuxer : "";
    }
    static bool decoderTakes(std::shared_ptr<TGraphFilter> decoder, const char* caps)
    {
        if (!decoder) return false;
        GstPad* sink = gst_element_get_static_pad(decoder->Element(), "sink");
        GstCaps* takes = gst_pad_query_caps(sink, nullptr);
        GstCaps* type = gst_caps_from_string(caps);
        const bool yes = gst_caps_can_intersect(takes, type);
        gst_caps_unref(type);
        gst_caps_unref(takes);
        gst_object_unref(sink);
        return yes;
    }
    QTemporaryDir m_dir;
};
} // namespace

TEST_F(InstalledFilterSettings, TheSplitterReadsWhatItsMachineKeyAllows)
{
    const char* ts188 = "video/mpegts, systemstream=(boolean)true, packetsize=(int)188";
    const char* ts192 = "video/mpegts, systemstream=(boolean)true, packetsize=(int)192";
    const char* mp4 = "video/quicktime, variant=(string)iso";
    // No key: everything it can read.
    EXPECT_STREQ(splitterFor(ts188), "tsdemux");
    EXPECT_STREQ(splitterFor(ts192), "tsdemux");
    EXPECT_STREQ(splitterFor(mp4), "qtdemux");

    TRegistry machine(RegHive::LocalMachine);
    ASSERT_TRUE(machine.OpenKey(TFilterPresets::SplitterMachineKey, true));
    ASSERT_TRUE(machine.WriteInteger("rts", 0));
    ASSERT_TRUE(machine.WriteInteger("rmp4", 0));
    EXPECT_STREQ(splitterFor(ts188), "");
    EXPECT_STREQ(splitterFor(ts192), "tsdemux");
    EXPECT_STREQ(splitterFor(mp4), "");
    EXPECT_STREQ(splitterFor("video/x-matroska"), "matroskademux");

    // The preset turns them on again.
    ASSERT_TRUE(TFilterPresets::ApplySplitterPreset());
    EXPECT_STREQ(splitterFor(ts188), "tsdemux");
    EXPECT_STREQ(splitterFor(mp4), "qtdemux");
}

TEST_F(InstalledFilterSettings, TheDecoderPackLeavesTheFormatsItsKeySetsToZero)
{
    const char* mpeg1 = "video/mpeg, mpegversion=(int)1, systemstream=(boolean)false";
    const char* mpeg2 = "video/mpeg, mpegversion=(int)2, systemstream=(boolean)false";
    const char* ac3 = "audio/x-ac3";
    const char* mp3 = "audio/mpeg, mpegversion=(int)1, layer=(int)3";
    EXPECT_TRUE(decoderTakes(CreateFfdshowVideoDecoder(), mpeg2));
    EXPECT_TRUE(decoderTakes(CreateFfdshowAudioDecoder(), ac3));

    TRegistry user(RegHive::CurrentUser);
    ASSERT_TRUE(user.OpenKey(TFilterPresets::DecoderKey, true));
    ASSERT_TRUE(user.WriteInteger("mpg2", 0));
    ASSERT_TRUE(user.WriteInteger("mpg1", 1));
    ASSERT_TRUE(user.OpenKey(TFilterPresets::AudioDecoderKey, true));
    ASSERT_TRUE(user.WriteInteger("ac3", 0));
    EXPECT_FALSE(decoderTakes(CreateFfdshowVideoDecoder(), mpeg2));
    EXPECT_TRUE(decoderTakes(CreateFfdshowVideoDecoder(), mpeg1));
    EXPECT_TRUE(decoderTakes(CreateFfdshowVideoDecoder(), "video/x-h264"));
    EXPECT_FALSE(decoderTakes(CreateFfdshowAudioDecoder(), ac3));
    EXPECT_TRUE(decoderTakes(CreateFfdshowAudioDecoder(), mp3));

    // The preset gives MPEG-2 back to the pack.
    ASSERT_TRUE(TFilterPresets::ApplyDecoderPreset());
    EXPECT_TRUE(decoderTakes(CreateFfdshowVideoDecoder(), mpeg2));
    EXPECT_TRUE(decoderTakes(CreateFfdshowAudioDecoder(), ac3));
}
