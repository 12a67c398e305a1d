#include "filters/TBitmapFilter.h"
#include "media/TFilterElement.h"
#include "platform/WindowMessages.h"

#include <QElapsedTimer>
#include <cstring>
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace
{

class Target : public QObject, public TMessageTarget
{
public:
    qintptr WindowMessage(unsigned msg, quintptr wParam, qintptr lParam) override
    {
        received.emplace_back(msg, wParam, lParam);
        return 0;
    }
    std::vector<std::tuple<unsigned, quintptr, qintptr>> received;

protected:
    bool event(QEvent* e) override { return DispatchWindowMessage(this, e) || QObject::event(e); }
};

// A pipeline made of `upstream` (ending in an element named "head"), the
// filter's element and an appsink named "out". Torn down with the object,
// before the filter it was given goes.
class Pipeline
{
public:
    Pipeline(TBitmapFilter& filter, const std::string& upstream)
    {
        GError* error = nullptr;
        const std::string description = upstream + "  appsink name=out sync=false wait-on-eos=false";
        m_pipeline = gst_parse_launch(description.c_str(), &error);
        if (error) {
            ADD_FAILURE() << "pipeline: " << error->message;
            g_error_free(error);
        }
        if (!m_pipeline) return;
        gst_object_ref_sink(m_pipeline);
        GstElement* element = TFilterElement::Create(&filter, "bitmap", "video/x-raw,format={BGRx,BGRA}");
        EXPECT_NE(element, nullptr);
        if (!element) return;
        gst_bin_add(GST_BIN(m_pipeline), element);
        GstElement* head = Element("head");
        GstElement* out = Element("out");
        EXPECT_TRUE(gst_element_link_many(head, element, out, nullptr));
        gst_object_unref(head);
        gst_object_unref(out);
    }
    ~Pipeline()
    {
        if (!m_pipeline) return;
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
    }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    // A new reference, or null.
    GstElement* Element(const char* name) const
    {
        return m_pipeline ? gst_bin_get_by_name(GST_BIN(m_pipeline), name) : nullptr;
    }

    bool Play()
    {
        return m_pipeline && gst_element_set_state(m_pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    }

    // Waits for the end of the stream, handling window messages meanwhile.
    // False, with the reason reported, on an error or a time-out.
    bool WaitForEnd(int ms = 20000)
    {
        if (!m_pipeline) return false;
        GstBus* bus = gst_element_get_bus(m_pipeline);
        QElapsedTimer timer;
        timer.start();
        bool ended = false;
        while (!ended && timer.elapsed() < ms) {
            ProcessPendingMessages();
            GstMessage* message = gst_bus_timed_pop_filtered(
                bus, 20 * GST_MSECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
            if (!message) continue;
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
                GError* error = nullptr;
                gchar* debug = nullptr;
                gst_message_parse_error(message, &error, &debug);
                ADD_FAILURE() << "pipeline error: " << (error ? error->message : "?") << " "
                              << (debug ? debug : "");
                if (error) g_error_free(error);
                g_free(debug);
                gst_message_unref(message);
                break;
            }
            ended = true;
            gst_message_unref(message);
        }
        gst_object_unref(bus);
        ProcessPendingMessages();
        if (!ended && timer.elapsed() >= ms) ADD_FAILURE() << "no end of stream";
        return ended;
    }

    // Every sample an appsink holds, oldest first.
    std::vector<GstSample*> Samples(const char* sinkName) const
    {
        std::vector<GstSample*> samples;
        GstElement* sink = Element(sinkName);
        if (!sink) return samples;
        while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 0))
            samples.push_back(sample);
        gst_object_unref(sink);
        return samples;
    }

private:
    GstElement* m_pipeline = nullptr;
};

void Release(std::vector<GstSample*>& samples)
{
    for (GstSample* s : samples)
        gst_sample_unref(s);
    samples.clear();
}

// The frame of a sample mapped for reading; invalid when it cannot be.
struct MappedFrame {
    explicit MappedFrame(GstSample* sample)
    {
        GstCaps* caps = sample ? gst_sample_get_caps(sample) : nullptr;
        GstBuffer* buffer = sample ? gst_sample_get_buffer(sample) : nullptr;
        valid = caps && buffer && gst_video_info_from_caps(&info, caps)
            && gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ);
    }
    ~MappedFrame()
    {
        if (valid) gst_video_frame_unmap(&frame);
    }
    const uint8_t* Row(int y) const
    {
        return static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0))
            + y * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    }
    int Width() const { return GST_VIDEO_INFO_WIDTH(&info); }
    int Height() const { return GST_VIDEO_INFO_HEIGHT(&info); }
    int Stride() const { return GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0); }

    GstVideoInfo info;
    GstVideoFrame frame;
    bool valid = false;
};

class BitmapPipeline : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { gst_init(nullptr, nullptr); }
};

// One SMPTE frame of 320 x 240, through the filter and, unchanged, into a
// reference sink beside it.
const std::string SmpteWithReference = "videotestsrc pattern=smpte num-buffers=1 "
                                       "! video/x-raw,width=320,height=240,framerate=25/1 ! videoconvert "
                                       "! video/x-raw,format=BGRx ! tee name=t "
                                       "t. ! queue ! appsink name=ref sync=false wait-on-eos=false "
                                       "t. ! queue name=head ";

// Counts the bitmap pixels that differ (blue, green, red) from the
// reference frame read upside down and/or mirrored.
int BitmapMismatches(TBitmapFilter& filter, const MappedFrame& reference, bool flipped, bool mirrored)
{
    std::lock_guard lock(filter.Bitmap);
    const QImage& image = filter.Bitmap.Image();
    if (image.width() != reference.Width() || image.height() != reference.Height()) return -1;
    int mismatches = 0;
    const int w = image.width(), h = image.height();
    for (int y = 0; y < h; ++y) {
        const uint8_t* expected = reference.Row(flipped ? h - 1 - y : y);
        const uint8_t* actual = image.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            const uint8_t* e = expected + (mirrored ? w - 1 - x : x) * 4;
            if (std::memcmp(e, actual + x * 4, 3) != 0) ++mismatches;
        }
    }
    return mismatches;
}

} // namespace

TEST_F(BitmapPipeline, PictureLandsUprightAndFollowsFlipAndMirror)
{
    struct Case {
        bool flip, mirror;
    };
    for (const Case c :
        { Case { false, false }, Case { true, false }, Case { false, true }, Case { true, true } }) {
        SCOPED_TRACE(testing::Message() << "flip " << c.flip << " mirror " << c.mirror);
        TBitmapFilter filter;
        filter.SetVerticalFlip(c.flip);
        filter.SetHorizontalMirror(c.mirror);
        Pipeline pipeline(filter, SmpteWithReference);
        ASSERT_TRUE(pipeline.Play());
        ASSERT_TRUE(pipeline.WaitForEnd());

        std::vector<GstSample*> reference = pipeline.Samples("ref");
        std::vector<GstSample*> output = pipeline.Samples("out");
        ASSERT_EQ(reference.size(), 1u);
        ASSERT_EQ(output.size(), 1u);
        {
            MappedFrame ref(reference[0]);
            ASSERT_TRUE(ref.valid);
            // The pattern has different top and bottom rows and left and
            // right columns, so a wrong orientation cannot pass.
            ASSERT_NE(std::memcmp(ref.Row(0), ref.Row(239), 320 * 4), 0);
            ASSERT_NE(std::memcmp(ref.Row(0), ref.Row(0) + 319 * 4, 3), 0);
            EXPECT_EQ(BitmapMismatches(filter, ref, c.flip, c.mirror), 0);

            // The output: announced at the maximum, the picture at its top
            // left, marked by a crop meta.
            MappedFrame out(output[0]);
            ASSERT_TRUE(out.valid);
            EXPECT_EQ(out.Width(), 736);
            EXPECT_EQ(out.Height(), 576);
            EXPECT_EQ(out.Stride(), 2944);
            GstVideoCropMeta* crop = gst_buffer_get_video_crop_meta(gst_sample_get_buffer(output[0]));
            ASSERT_NE(crop, nullptr);
            EXPECT_EQ(crop->x, 0u);
            EXPECT_EQ(crop->y, 0u);
            EXPECT_EQ(crop->width, 320u);
            EXPECT_EQ(crop->height, 240u);
            std::lock_guard lock(filter.Bitmap);
            int differentRows = 0;
            for (int y = 0; y < 240; ++y)
                if (std::memcmp(out.Row(y), filter.Bitmap.Image().constScanLine(y), 320 * 4) != 0)
                    ++differentRows;
            EXPECT_EQ(differentRows, 0);
        }
        Release(reference);
        Release(output);
    }
}

TEST_F(BitmapPipeline, LargerPictureMidStreamRaisesTheMaximumAndAsksForReconnection)
{
    Target target;
    TBCBaseFilter::SetMainWindow(&target);
    {
        TBitmapFilter filter;
        Pipeline pipeline(filter,
            "appsrc name=src format=time "
            "caps=video/x-raw,format=BGRx,width=320,height=240,framerate=25/1,pixel-aspect-ratio=1/1 "
            "! videoconvert ! queue name=head ");
        GstElement* src = pipeline.Element("src");
        ASSERT_NE(src, nullptr);
        ASSERT_TRUE(pipeline.Play());

        const auto push = [&](int width, int height, uint8_t value, int index) {
            const gsize size = gsize(width) * height * 4;
            GstBuffer* buffer = gst_buffer_new_allocate(nullptr, size, nullptr);
            gst_buffer_memset(buffer, 0, value, size);
            GST_BUFFER_PTS(buffer) = index * 40 * GST_MSECOND;
            GST_BUFFER_DURATION(buffer) = 40 * GST_MSECOND;
            return gst_app_src_push_buffer(GST_APP_SRC(src), buffer);
        };
        ASSERT_EQ(push(320, 240, 0x20, 0), GST_FLOW_OK);
        GstCaps* larger = gst_caps_from_string(
            "video/x-raw,format=BGRx,width=800,height=600,framerate=25/1,pixel-aspect-ratio=1/1");
        gst_app_src_set_caps(GST_APP_SRC(src), larger);
        gst_caps_unref(larger);
        ASSERT_EQ(push(800, 600, 0x40, 1), GST_FLOW_OK);
        ASSERT_EQ(push(800, 600, 0x60, 2), GST_FLOW_OK);
        gst_app_src_end_of_stream(GST_APP_SRC(src));
        gst_object_unref(src);
        ASSERT_TRUE(pipeline.WaitForEnd());

        EXPECT_EQ(filter.MaxWidth, 800);
        EXPECT_EQ(filter.MaxHeight, 600);
        bool outputReconnect = false;
        for (const auto& [msg, wParam, lParam] : target.received)
            if (msg == WM_USER + 4 && lParam == 1) outputReconnect = true;
        EXPECT_TRUE(outputReconnect);

        {
            std::lock_guard lock(filter.Bitmap);
            ASSERT_EQ(filter.Bitmap.Width(), 800);
            ASSERT_EQ(filter.Bitmap.Height(), 600);
            EXPECT_EQ(filter.Bitmap.Image().constScanLine(599)[799 * 4], 0x60);
        }
        // Once renegotiated, the output is announced at the new maximum and
        // carries the whole picture.
        std::vector<GstSample*> output = pipeline.Samples("out");
        ASSERT_EQ(output.size(), 3u);
        {
            MappedFrame last(output.back());
            ASSERT_TRUE(last.valid);
            EXPECT_EQ(last.Width(), 800);
            EXPECT_EQ(last.Height(), 600);
            EXPECT_EQ(last.Row(599)[799 * 4], 0x60);
            MappedFrame first(output.front());
            ASSERT_TRUE(first.valid);
            EXPECT_EQ(first.Width(), 736);
            EXPECT_EQ(first.Row(239)[319 * 4], 0x20);
        }
        Release(output);
    }
    TBCBaseFilter::SetMainWindow(nullptr);
}
