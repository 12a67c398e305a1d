// The media forcer: what it accepts, that it swallows every sample, and that
// as a GStreamer sink it makes a decoder chain end on the forced type.

#include "filters/TMediaForcer.h"
#include "graph/MediaTypeGuids.h"
#include "media/TFilterElement.h"
#include "media/TFilterSinkElement.h"
#include "tests/support/TestMedia.h"

#include <atomic>
#include <gst/video/video.h>
#include <gtest/gtest.h>

namespace
{

constexpr GstClockTime kTimeout = 30 * GST_SECOND;

void InitGst()
{
    static const bool done = [] {
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)done;
}

TMediaType VideoType(const GUID& subtype, const GUID& formatType)
{
    TMediaType mt(MEDIATYPE_Video, subtype, formatType);
    if (formatType == FORMAT_VideoInfo2) {
        VIDEOINFOHEADER2 vih;
        vih.bmiHeader.biWidth = 32;
        vih.bmiHeader.biHeight = -16;
        vih.bmiHeader.biBitCount = 32;
        mt.SetFormatBlock(vih);
    } else {
        VIDEOINFOHEADER vih;
        vih.bmiHeader.biWidth = 32;
        vih.bmiHeader.biHeight = -16;
        vih.bmiHeader.biBitCount = 32;
        mt.SetFormatBlock(vih);
    }
    return mt;
}

// Counts what reaches the forcer's transform, which still drops it.
class CountingForcer : public TMediaForcer
{
public:
    HRESULT Transform(TMediaSample* in, TMediaSample* out) override
    {
        ++samples;
        return TMediaForcer::Transform(in, out);
    }
    std::atomic<int> samples { 0 };
};

// A launch description ending in the forcer sink.
class ForcerPipeline
{
public:
    // `upstream` names its last element "last".
    ForcerPipeline(const char* upstream, TMediaForcer& forcer, const char* acceptedCaps)
    {
        GError* error = nullptr;
        pipeline = gst_parse_launch(upstream, &error);
        EXPECT_TRUE(pipeline && GST_IS_PIPELINE(pipeline)) << (error ? error->message : "");
        g_clear_error(&error);
        sink = TFilterSinkElement::Create(&forcer, "forcer", acceptedCaps);
        EXPECT_TRUE(sink);
        if (!pipeline || !GST_IS_PIPELINE(pipeline) || !sink) return;
        gst_bin_add(GST_BIN(pipeline), sink);
        GstElement* last = gst_bin_get_by_name(GST_BIN(pipeline), "last");
        EXPECT_TRUE(last);
        if (!last) return;
        ok = gst_element_link(last, sink);
        gst_object_unref(last);
    }
    ~ForcerPipeline()
    {
        if (!pipeline) return;
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }
    GstStateChangeReturn SetAndWait(GstState state)
    {
        if (!ok) return GST_STATE_CHANGE_FAILURE;
        gst_element_set_state(pipeline, state);
        return gst_element_get_state(pipeline, nullptr, nullptr, kTimeout);
    }
    GstMessageType WaitEnd()
    {
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* m
            = gst_bus_timed_pop_filtered(bus, kTimeout, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        const GstMessageType type = m ? GST_MESSAGE_TYPE(m) : GST_MESSAGE_UNKNOWN;
        if (m) gst_message_unref(m);
        gst_object_unref(bus);
        return type;
    }
    GstCaps* NegotiatedCaps()
    {
        GstPad* pad = gst_element_get_static_pad(sink, "sink");
        GstCaps* caps = gst_pad_get_current_caps(pad);
        gst_object_unref(pad);
        return caps;
    }

    bool ok = false;
    GstElement* pipeline = nullptr;
    GstElement* sink = nullptr;
};

const char* const kRgb32Caps = "video/x-raw,format={BGRx,BGRA}";

} // namespace

TEST(MediaForcer, IdentityAndAcceptedTypes)
{
    TMediaForcer forcer;
    EXPECT_EQ(forcer.ObjectName(), "Kestrine's MediaForcer");
    EXPECT_EQ(forcer.ClassId().ToString(), "{574BBEA3-D5F4-4CE2-B789-A6BF39CAE6D1}");
    EXPECT_EQ(forcer.GetPin(0)->Name(), "XForm In");

    // Nothing forced: anything goes, even a type with no format at all.
    EXPECT_EQ(forcer.CheckInputType(TMediaType()), S_OK);
    EXPECT_EQ(
        forcer.CheckInputType(TMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_MP3, FORMAT_WaveFormatEx)), S_OK);

    forcer.SetForcedType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, GUID_NULL);
    EXPECT_EQ(forcer.CheckInputType(VideoType(MEDIASUBTYPE_RGB32, FORMAT_VideoInfo)), S_OK);
    EXPECT_EQ(forcer.CheckInputType(VideoType(MEDIASUBTYPE_RGB32, FORMAT_VideoInfo2)), S_OK);
    EXPECT_EQ(forcer.CheckInputType(VideoType(MEDIASUBTYPE_RGB24, FORMAT_VideoInfo)), E_FAIL);
    EXPECT_EQ(forcer.CheckInputType(VideoType(MEDIASUBTYPE_ARGB32, FORMAT_VideoInfo)), E_FAIL);
    EXPECT_EQ(forcer.CheckInputType(VideoType(MEDIASUBTYPE_MJPG, FORMAT_VideoInfo)), E_FAIL);
    EXPECT_EQ(forcer.CheckInputType(VideoType(MEDIASUBTYPE_H264, FORMAT_VideoInfo2)), E_FAIL);
    TMediaType audioWithVideoSubtype = VideoType(MEDIASUBTYPE_RGB32, FORMAT_VideoInfo);
    audioWithVideoSubtype.majortype = MEDIATYPE_Audio;
    EXPECT_EQ(forcer.CheckInputType(audioWithVideoSubtype), E_FAIL);

    // All three places count.
    forcer.SetForcedType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, FORMAT_VideoInfo2);
    EXPECT_EQ(forcer.CheckInputType(VideoType(MEDIASUBTYPE_RGB32, FORMAT_VideoInfo)), E_FAIL);
    EXPECT_EQ(forcer.CheckInputType(VideoType(MEDIASUBTYPE_RGB32, FORMAT_VideoInfo2)), S_OK);
    forcer.SetForcedType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, GUID_NULL);
    EXPECT_EQ(
        forcer.CheckInputType(TMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx)), S_OK);
    EXPECT_EQ(
        forcer.CheckInputType(TMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT, FORMAT_WaveFormatEx)),
        E_FAIL);
    EXPECT_EQ(forcer.ForcedSubtype(), MEDIASUBTYPE_PCM);
}

TEST(MediaForcer, OutputNeverConnectsAndSamplesEndThere)
{
    TMediaForcer forcer;
    const TMediaType rgb = VideoType(MEDIASUBTYPE_RGB32, FORMAT_VideoInfo);
    TMediaType proposed;
    ALLOCATOR_PROPERTIES request { 1, 100, 1, 0 };
    TMemAllocator allocator;
    EXPECT_TRUE(FAILED(forcer.CheckTransform(rgb, rgb)));
    EXPECT_TRUE(FAILED(forcer.DecideBufferSize(allocator, request)));
    EXPECT_TRUE(FAILED(forcer.GetMediaType(0, proposed)));

    ASSERT_EQ(forcer.ConnectInput(rgb), S_OK);
    EXPECT_TRUE(FAILED(forcer.ProposeOutputType(proposed)));
    EXPECT_TRUE(FAILED(forcer.ConnectOutput(rgb)));
    EXPECT_FALSE(forcer.OutputPin()->IsConnected());

    int delivered = 0, requests = 0;
    TMediaSample scratch;
    forcer.GetDeliveryBuffer = [&](TMediaSample*& out, const TMediaSample*) {
        ++requests;
        out = &scratch;
        return S_OK;
    };
    forcer.Deliver = [&](TMediaSample*) {
        ++delivered;
        return S_OK;
    };
    // The output is unconnected: pausing starts no streaming, but samples
    // are taken.
    ASSERT_EQ(forcer.Pause(), S_OK);
    uint8_t bytes[32] = {};
    TMediaSample sample(bytes, 32);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(forcer.Receive(&sample), S_OK);
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(requests, 3);
    EXPECT_TRUE(forcer.SampleSkipped());
    EXPECT_EQ(forcer.Stop(), S_OK);
}

TEST(MediaForcer, SinkEndsAVideoChainOnRgb32)
{
    InitGst();
    {
        CountingForcer forcer;
        forcer.SetForcedType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, GUID_NULL);
        ForcerPipeline p("videotestsrc num-buffers=5 ! video/x-raw,format=I420,width=64,height=48 ! "
                         "videoconvert name=last",
            forcer, kRgb32Caps);
        ASSERT_EQ(p.SetAndWait(GST_STATE_PAUSED), GST_STATE_CHANGE_SUCCESS);
        GstCaps* caps = p.NegotiatedCaps();
        ASSERT_NE(caps, nullptr);
        GstVideoInfo info;
        ASSERT_TRUE(gst_video_info_from_caps(&info, caps));
        gst_caps_unref(caps);
        const GstVideoFormat format = GST_VIDEO_INFO_FORMAT(&info);
        EXPECT_TRUE(format == GST_VIDEO_FORMAT_BGRx || format == GST_VIDEO_FORMAT_BGRA) << format;
        EXPECT_TRUE(forcer.InputPin()->IsConnected());
        EXPECT_EQ(forcer.InputPin()->CurrentMediaType().subtype, MEDIASUBTYPE_RGB32);

        ASSERT_EQ(p.SetAndWait(GST_STATE_PLAYING), GST_STATE_CHANGE_SUCCESS);
        EXPECT_EQ(p.WaitEnd(), GST_MESSAGE_EOS);
        EXPECT_EQ(forcer.samples, 5);
        EXPECT_EQ(forcer.State(), State_Running);
        ASSERT_EQ(p.SetAndWait(GST_STATE_READY), GST_STATE_CHANGE_SUCCESS);
        EXPECT_EQ(forcer.State(), State_Stopped);
        EXPECT_FALSE(forcer.InputPin()->IsConnected());
    }
    {
        // Without a converter the chain cannot end on RGB32: refused, with
        // an error and no crash.
        CountingForcer forcer;
        forcer.SetForcedType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, GUID_NULL);
        ForcerPipeline p(
            "videotestsrc num-buffers=5 ! video/x-raw,format=I420,width=64,height=48 ! identity name=last",
            forcer, nullptr);
        p.SetAndWait(GST_STATE_PLAYING);
        EXPECT_EQ(p.WaitEnd(), GST_MESSAGE_ERROR);
        EXPECT_EQ(forcer.samples, 0);
    }
}

TEST(MediaForcer, SinkAfterDecodebinFindsTheDecoders)
{
    InitGst();
    const QString path = TestMediaPath(QStringLiteral("mpeg2-pal-16x9.mpg"));
    ASSERT_FALSE(path.isEmpty());
    const QByteArray location = path.toUtf8();
    {
        CountingForcer forcer;
        forcer.SetForcedType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, GUID_NULL);
        const QByteArray upstream
            = "filesrc location=\"" + location + "\" ! decodebin ! video/x-raw ! videoconvert name=last";
        ForcerPipeline p(upstream.constData(), forcer, kRgb32Caps);
        ASSERT_EQ(p.SetAndWait(GST_STATE_PAUSED), GST_STATE_CHANGE_SUCCESS);
        const TMediaType mt = forcer.InputPin()->CurrentMediaType();
        EXPECT_EQ(mt.majortype, MEDIATYPE_Video);
        EXPECT_EQ(mt.subtype, MEDIASUBTYPE_RGB32);
        BITMAPINFOHEADER bih;
        ASSERT_TRUE(mt.GetBitmapHeader(bih));
        EXPECT_EQ(bih.biWidth, 720);
        EXPECT_EQ(std::abs(bih.biHeight), 576);
        ASSERT_EQ(p.SetAndWait(GST_STATE_PLAYING), GST_STATE_CHANGE_SUCCESS);
        EXPECT_EQ(p.WaitEnd(), GST_MESSAGE_EOS);
        EXPECT_EQ(forcer.samples, 50);
    }
    {
        CountingForcer forcer;
        forcer.SetForcedType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, GUID_NULL);
        const QByteArray upstream
            = "filesrc location=\"" + location + "\" ! decodebin ! audio/x-raw ! audioconvert name=last";
        ForcerPipeline p(upstream.constData(), forcer, "audio/x-raw,format=S16LE");
        ASSERT_EQ(p.SetAndWait(GST_STATE_PAUSED), GST_STATE_CHANGE_SUCCESS);
        EXPECT_EQ(forcer.InputPin()->CurrentMediaType().subtype, MEDIASUBTYPE_PCM);
        WAVEFORMATEX wfx;
        ASSERT_TRUE(forcer.InputPin()->CurrentMediaType().GetWaveFormat(wfx));
        EXPECT_EQ(wfx.nSamplesPerSec, 48000u);
        EXPECT_EQ(wfx.wBitsPerSample, 16);
    }
}
