// The GStreamer adapter in real pipelines: every buffer reaches the filter
// with segment-relative times, the streaming hooks follow the state changes,
// caps and failures come out as GStreamer expects.

#include "filters/TBCTransInPlaceFilter.h"
#include "filters/TBCTransformFilter.h"
#include "graph/MediaTypeGuids.h"
#include "media/TFilterElement.h"

#include <QMutex>
#include <QMutexLocker>
#include <cstring>
#include <gst/video/video.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

const GUID kTestClass { 0x3A1B2C3D, 0x0001, 0x0002, { 9, 8, 7, 6, 5, 4, 3, 2 } };
constexpr GstClockTime kTimeout = 20 * GST_SECOND;
const char* const kRgb32Caps = "video/x-raw,format={BGRx,BGRA}";

void InitGst()
{
    static const bool done = [] {
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)done;
}

bool IsRgb32Video(const TMediaType& mt)
{
    return mt.majortype == MEDIATYPE_Video && mt.subtype == MEDIASUBTYPE_RGB32
        && (mt.formattype == FORMAT_VideoInfo || mt.formattype == FORMAT_VideoInfo2);
}

// A copy transform that records what it sees. With `outWidth`/`outHeight`
// set it announces a larger picture with the real one in the top-left
// rectangle, as the bitmap filter does.
class RecordingTransform : public TBCTransformFilter
{
public:
    RecordingTransform()
        : TBCTransformFilter(QStringLiteral("recording transform"), kTestClass)
    {
    }
    HRESULT CheckInputType(const TMediaType& mt) override
    {
        BITMAPINFOHEADER bih;
        if (!IsRgb32Video(mt) || !mt.GetBitmapHeader(bih)) return VFW_E_TYPE_NOT_ACCEPTED;
        width = bih.biWidth;
        height = std::abs(bih.biHeight);
        return S_OK;
    }
    HRESULT CheckTransform(const TMediaType& in, const TMediaType& out) override
    {
        BITMAPINFOHEADER bih;
        if (in.subtype != out.subtype || !out.GetBitmapHeader(bih)) return VFW_E_TYPE_NOT_ACCEPTED;
        stride = bih.biWidth * 4;
        return S_OK;
    }
    HRESULT DecideBufferSize(TMemAllocator& allocator, ALLOCATOR_PROPERTIES& request) override
    {
        ALLOCATOR_PROPERTIES actual;
        return allocator.SetProperties(request, actual);
    }
    HRESULT GetMediaType(int position, TMediaType& mt) override
    {
        if (position != 0) return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
        HRESULT hr = InputPin()->ConnectionMediaType(mt);
        if (FAILED(hr) || !outWidth) return hr;
        BITMAPINFOHEADER bih;
        mt.GetBitmapHeader(bih);
        bih.biWidth = outWidth;
        bih.biHeight = -outHeight;
        bih.biSizeImage = uint32_t(outWidth * outHeight * 4);
        mt.SetBitmapHeader(bih);
        mt.lSampleSize = bih.biSizeImage;
        const RECT picture { 0, 0, width, height };
        mt.SetRects(picture, picture);
        return S_OK;
    }
    HRESULT StartStreaming() override
    {
        QMutexLocker lock(&mutex);
        ++starts;
        return S_OK;
    }
    HRESULT StopStreaming() override
    {
        QMutexLocker lock(&mutex);
        ++stops;
        return S_OK;
    }
    HRESULT Transform(TMediaSample* in, TMediaSample* out) override
    {
        QMutexLocker lock(&mutex);
        const int index = int(times.size());
        REFERENCE_TIME start = 0, stop = 0;
        times.push_back(SUCCEEDED(in->GetTime(&start, &stop)) ? start : -1);
        outSizes.push_back(out->GetSize());
        if (failAt == index) return E_FAIL;
        if (dropOdd && index % 2) return S_FALSE;
        const int rowBytes = width * 4;
        if (in->GetActualDataLength() < rowBytes * height || out->GetSize() < stride * height) return E_FAIL;
        for (int y = 0; y < height; ++y)
            std::memcpy(out->Pointer() + y * stride, in->Pointer() + y * rowBytes, size_t(rowBytes));
        out->Pointer()[0] = uint8_t(index); // a mark the test finds in the pushed buffer
        out->SetActualDataLength(stride * (outHeight ? outHeight : height));
        if (shiftTime) {
            start += shiftTime;
            stop += shiftTime;
            out->SetTime(&start, &stop);
        }
        return S_OK;
    }

    QMutex mutex;
    int width = 0, height = 0, stride = 0;
    int outWidth = 0, outHeight = 0;
    int failAt = -1;
    bool dropOdd = false;
    REFERENCE_TIME shiftTime = 0;
    int starts = 0, stops = 0;
    std::vector<REFERENCE_TIME> times;
    std::vector<int32_t> outSizes;
};

class RecordingInPlace : public TBCTransInPlaceFilter
{
public:
    RecordingInPlace()
        : TBCTransInPlaceFilter(QStringLiteral("recording in place"), kTestClass)
    {
    }
    HRESULT CheckInputType(const TMediaType& mt) override
    {
        return refuseAll ? VFW_E_TYPE_NOT_ACCEPTED : S_OK;
    }
    HRESULT StartStreaming() override
    {
        QMutexLocker lock(&mutex);
        ++starts;
        return S_OK;
    }
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override
    {
        QMutexLocker lock(&mutex);
        segmentStarts.push_back(start);
        return TBCTransInPlaceFilter::NewSegment(start, stop, rate);
    }
    HRESULT Transform(TMediaSample* sample) override
    {
        QMutexLocker lock(&mutex);
        REFERENCE_TIME start = 0, stop = 0;
        times.push_back(SUCCEEDED(sample->GetTime(&start, &stop)) ? start : -1);
        durations.push_back(stop - start);
        TMediaType changed;
        BITMAPINFOHEADER bih;
        if (sample->GetMediaType(changed) == S_OK && changed.GetBitmapHeader(bih))
            typeChanges.push_back({ times.size() - 1, bih.biWidth });
        return S_OK;
    }
    std::vector<REFERENCE_TIME> Times()
    {
        QMutexLocker lock(&mutex);
        return times;
    }

    QMutex mutex;
    bool refuseAll = false;
    int starts = 0;
    std::vector<REFERENCE_TIME> times, durations, segmentStarts;
    std::vector<std::pair<size_t, int>> typeChanges; // sample index, new width
};

// upstream ! element ! downstream, the outer parts from launch descriptions.
class Pipeline
{
public:
    Pipeline(const char* upstream, GstElement* element, const char* downstream)
        : element(element)
    {
        pipeline = gst_pipeline_new(nullptr);
        GError* error = nullptr;
        GstElement* up = gst_parse_bin_from_description(upstream, TRUE, &error);
        EXPECT_TRUE(up) << (error ? error->message : "");
        g_clear_error(&error);
        GstElement* down = gst_parse_bin_from_description(downstream, TRUE, &error);
        EXPECT_TRUE(down) << (error ? error->message : "");
        g_clear_error(&error);
        if (!up || !down || !element) {
            if (up) gst_object_unref(gst_object_ref_sink(up));
            if (down) gst_object_unref(gst_object_ref_sink(down));
            return;
        }
        gst_bin_add_many(GST_BIN(pipeline), up, element, down, nullptr);
        ok = gst_element_link_many(up, element, down, nullptr);
        EXPECT_TRUE(ok);
    }
    ~Pipeline()
    {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }
    bool SetAndWait(GstState state)
    {
        if (!ok) return false;
        if (gst_element_set_state(pipeline, state) == GST_STATE_CHANGE_FAILURE) return false;
        return gst_element_get_state(pipeline, nullptr, nullptr, kTimeout) == GST_STATE_CHANGE_SUCCESS;
    }
    // Plays to the end; the last message (EOS or ERROR), counting element
    // messages named `counted` on the way.
    GstMessageType Run(const char* counted = nullptr, int* count = nullptr)
    {
        if (!ok) return GST_MESSAGE_UNKNOWN;
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessageType last = GST_MESSAGE_UNKNOWN;
        while (GstMessage* m = gst_bus_timed_pop_filtered(bus, kTimeout,
                   GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_ELEMENT))) {
            const GstMessageType type = GST_MESSAGE_TYPE(m);
            if (type == GST_MESSAGE_ERROR) errorSource = GST_MESSAGE_SRC(m);
            if (type == GST_MESSAGE_ELEMENT && counted && count && gst_message_has_name(m, counted)) ++*count;
            gst_message_unref(m);
            if (type != GST_MESSAGE_ELEMENT) {
                last = type;
                break;
            }
        }
        gst_object_unref(bus);
        return last;
    }
    // A probe on the element's output.
    void Probe(GstPadProbeCallback callback, gpointer data)
    {
        GstPad* pad = gst_element_get_static_pad(element, "src");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, callback, data, nullptr);
        gst_object_unref(pad);
    }

    bool ok = false;
    GstElement* pipeline = nullptr;
    GstElement* element = nullptr;
    GstObject* errorSource = nullptr; // not owned, compared only
};

const char* const kSource = "videotestsrc num-buffers=10 ! video/x-raw,width=64,height=48,framerate=25/1 "
                            "! videoconvert";

struct PushedBuffers {
    QMutex mutex;
    std::vector<GstClockTime> pts;
    std::vector<uint8_t> marks;
    std::vector<gsize> sizes;
    int cropped = 0;
    guint cropWidth = 0, cropHeight = 0;
};

GstPadProbeReturn RecordPushed(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto* pushed = static_cast<PushedBuffers*>(data);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    QMutexLocker lock(&pushed->mutex);
    pushed->pts.push_back(GST_BUFFER_PTS(buffer));
    pushed->sizes.push_back(gst_buffer_get_size(buffer));
    uint8_t mark = 0;
    gst_buffer_extract(buffer, 0, &mark, 1);
    pushed->marks.push_back(mark);
    if (GstVideoCropMeta* crop = gst_buffer_get_video_crop_meta(buffer)) {
        ++pushed->cropped;
        pushed->cropWidth = crop->width;
        pushed->cropHeight = crop->height;
    }
    return GST_PAD_PROBE_OK;
}

} // namespace

TEST(FilterElement, SampleTimesAreSegmentRelative)
{
    InitGst();
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    segment.start = 2 * GST_SECOND;
    segment.time = 2 * GST_SECOND;
    REFERENCE_TIME t = -1;
    ASSERT_TRUE(TFilterElement::SampleTimeFromPosition(segment, 2 * GST_SECOND, t));
    EXPECT_EQ(t, 0);
    ASSERT_TRUE(TFilterElement::SampleTimeFromPosition(segment, 2 * GST_SECOND + 40 * GST_MSECOND, t));
    EXPECT_EQ(t, 400000);
    // Before the segment start (a decoder's preroll frames): negative.
    ASSERT_TRUE(TFilterElement::SampleTimeFromPosition(segment, 2 * GST_SECOND - 40 * GST_MSECOND, t));
    EXPECT_EQ(t, -400000);
    EXPECT_FALSE(TFilterElement::SampleTimeFromPosition(segment, GST_CLOCK_TIME_NONE, t));
    // A segment that follows others without a flush keeps the same rule.
    segment.base = 5 * GST_SECOND;
    ASSERT_TRUE(TFilterElement::SampleTimeFromPosition(segment, 3 * GST_SECOND, t));
    EXPECT_EQ(t, 10000000);
    GstClockTime back = 0;
    ASSERT_TRUE(TFilterElement::PositionFromSampleTime(segment, 10000000, back));
    EXPECT_EQ(back, 3 * GST_SECOND);
    ASSERT_TRUE(TFilterElement::PositionFromSampleTime(segment, -400000, back));
    EXPECT_EQ(back, 2 * GST_SECOND - 40 * GST_MSECOND);
    // Double speed: one second of stream is half a second of samples.
    segment.base = 0;
    segment.rate = 2.0;
    ASSERT_TRUE(TFilterElement::SampleTimeFromPosition(segment, 3 * GST_SECOND, t));
    EXPECT_EQ(t, 5000000);

    // Buffer flags and offsets.
    gst_segment_init(&segment, GST_FORMAT_TIME);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, 16, nullptr);
    GST_BUFFER_PTS(buffer) = 80 * GST_MSECOND;
    GST_BUFFER_DURATION(buffer) = 40 * GST_MSECOND;
    GST_BUFFER_OFFSET(buffer) = 2;
    GST_BUFFER_OFFSET_END(buffer) = 3;
    GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
    uint8_t data[16] = {};
    TMediaSample sample;
    const TMediaType stale(MEDIATYPE_Video, MEDIASUBTYPE_RGB32);
    sample.SetMediaType(&stale);
    TFilterElement::FillSample(sample, buffer, data, 16, segment);
    REFERENCE_TIME start = 0, stop = 0;
    EXPECT_EQ(sample.GetTime(&start, &stop), S_OK);
    EXPECT_EQ(start, 800000);
    EXPECT_EQ(stop, 1200000);
    int64_t m0 = 0, m1 = 0;
    EXPECT_EQ(sample.GetMediaTime(&m0, &m1), S_OK);
    EXPECT_EQ(m0, 2);
    EXPECT_EQ(sample.IsSyncPoint(), S_FALSE);
    EXPECT_EQ(sample.IsDiscontinuity(), S_OK);
    EXPECT_EQ(sample.IsPreroll(), S_FALSE);
    EXPECT_EQ(sample.MediaType(), nullptr);
    EXPECT_EQ(sample.GetSize(), 16);

    // Back onto a buffer: flags always, times only where the filter moved them.
    TMediaSample out = sample;
    out.SetSyncPoint(true);
    out.SetDiscontinuity(false);
    TFilterElement::ApplySample(out, sample, buffer, segment);
    EXPECT_FALSE(GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT));
    EXPECT_FALSE(GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DISCONT));
    EXPECT_EQ(GST_BUFFER_PTS(buffer), 80 * GST_MSECOND);
    const REFERENCE_TIME moved = 1000000;
    out.SetTime(&moved, nullptr);
    TFilterElement::ApplySample(out, sample, buffer, segment);
    EXPECT_EQ(GST_BUFFER_PTS(buffer), 100 * GST_MSECOND);
    EXPECT_FALSE(GST_BUFFER_DURATION_IS_VALID(buffer));
    gst_buffer_unref(buffer);
}

TEST(FilterElement, CopyTransformRunsEveryBufferWithStreamingHooks)
{
    InitGst();
    RecordingTransform filter;
    GstElement* element = TFilterElement::Create(&filter, "recorder", kRgb32Caps);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(TFilterElement::Filter(element), &filter);
    PushedBuffers pushed;
    {
        Pipeline p(kSource, element, "fakesink sync=false");
        p.Probe(RecordPushed, &pushed);
        ASSERT_EQ(p.Run(), GST_MESSAGE_EOS);
        {
            QMutexLocker lock(&filter.mutex);
            ASSERT_EQ(filter.times.size(), 10u);
            for (size_t i = 0; i < filter.times.size(); ++i)
                EXPECT_EQ(filter.times[i], REFERENCE_TIME(i) * 400000);
            EXPECT_EQ(filter.starts, 1);
            EXPECT_EQ(filter.stops, 0);
            EXPECT_EQ(filter.width, 64);
            EXPECT_EQ(filter.stride, 256);
        }
        ASSERT_EQ(pushed.marks.size(), 10u);
        for (size_t i = 0; i < pushed.marks.size(); ++i) {
            EXPECT_EQ(pushed.marks[i], uint8_t(i)); // the filter's bytes are what went on
            EXPECT_EQ(pushed.pts[i], i * 40 * GST_MSECOND);
        }
        EXPECT_EQ(pushed.cropped, 0); // the picture fills the output

        ASSERT_TRUE(p.SetAndWait(GST_STATE_READY));
        EXPECT_EQ(filter.stops, 1);
        EXPECT_EQ(filter.State(), State_Stopped);
        EXPECT_FALSE(filter.InputPin()->IsConnected());

        // A second run starts streaming once more, and only once.
        ASSERT_EQ(p.Run(), GST_MESSAGE_EOS);
        EXPECT_EQ(filter.starts, 2);
        EXPECT_EQ(filter.times.size(), 20u);
    }
    EXPECT_EQ(filter.stops, 2);
    EXPECT_EQ(filter.Deliver, nullptr); // the element is gone, so are its bindings
}

TEST(FilterElement, LargerOutputCarriesTheCropRectangleAndMovedTimes)
{
    InitGst();
    RecordingTransform filter;
    filter.outWidth = 96;
    filter.outHeight = 64;
    filter.shiftTime = 10000; // 1 ms
    PushedBuffers pushed;
    Pipeline p(kSource, TFilterElement::Create(&filter, "bitmaplike", kRgb32Caps), "fakesink sync=false");
    p.Probe(RecordPushed, &pushed);
    ASSERT_EQ(p.Run(), GST_MESSAGE_EOS);

    GstPad* src = gst_element_get_static_pad(p.element, "src");
    GstCaps* caps = gst_pad_get_current_caps(src);
    gst_object_unref(src);
    ASSERT_NE(caps, nullptr);
    GstVideoInfo info;
    ASSERT_TRUE(gst_video_info_from_caps(&info, caps));
    gst_caps_unref(caps);
    EXPECT_EQ(GST_VIDEO_INFO_WIDTH(&info), 96);
    EXPECT_EQ(GST_VIDEO_INFO_HEIGHT(&info), 64);
    EXPECT_EQ(GST_VIDEO_INFO_FORMAT(&info), GST_VIDEO_FORMAT_BGRx);

    ASSERT_EQ(pushed.sizes.size(), 10u);
    EXPECT_GE(pushed.sizes[0], gsize(96 * 64 * 4));
    EXPECT_EQ(pushed.cropped, 10);
    EXPECT_EQ(pushed.cropWidth, 64u);
    EXPECT_EQ(pushed.cropHeight, 48u);
    EXPECT_EQ(filter.stride, 96 * 4);
    EXPECT_GE(filter.outSizes[0], 96 * 64 * 4);
    EXPECT_EQ(pushed.pts[1], 40 * GST_MSECOND + GST_MSECOND);
}

TEST(FilterElement, DropsFailuresAndRefusedCaps)
{
    InitGst();
    {
        // S_FALSE drops: half the buffers go on, the stream still ends.
        RecordingTransform filter;
        filter.dropOdd = true;
        PushedBuffers pushed;
        Pipeline p(kSource, TFilterElement::Create(&filter, "dropper", kRgb32Caps), "fakesink sync=false");
        p.Probe(RecordPushed, &pushed);
        int qualityChanges = 0;
        ASSERT_EQ(p.Run("stillex-quality-change", &qualityChanges), GST_MESSAGE_EOS);
        EXPECT_EQ(filter.times.size(), 10u);
        EXPECT_EQ(pushed.marks, (std::vector<uint8_t> { 0, 2, 4, 6, 8 }));
        EXPECT_EQ(qualityChanges, 5); // once per gap
    }
    {
        // A failing transform stops the stream with an error from the element.
        RecordingTransform filter;
        filter.failAt = 2;
        Pipeline p(kSource, TFilterElement::Create(&filter, "failer", kRgb32Caps), "fakesink sync=false");
        ASSERT_EQ(p.Run(), GST_MESSAGE_ERROR);
        EXPECT_EQ(p.errorSource, GST_OBJECT(p.element));
        EXPECT_EQ(filter.times.size(), 3u);
    }
    {
        // CheckInputType refuses: negotiation fails with an error, the
        // filter never streams.
        RecordingInPlace filter;
        filter.refuseAll = true;
        Pipeline p("videotestsrc num-buffers=3 ! video/x-raw,format=I420,width=64,height=48 ! identity",
            TFilterElement::Create(&filter, "refuser"), "fakesink sync=false");
        ASSERT_EQ(p.Run(), GST_MESSAGE_ERROR);
        EXPECT_EQ(filter.starts, 0);
        EXPECT_TRUE(filter.times.empty());
        EXPECT_FALSE(filter.InputPin()->IsConnected());
    }
    const char* const i420 = "videotestsrc num-buffers=3 ! video/x-raw,format=I420,width=64,height=48 "
                             "! videoconvert";
    {
        // Without the accepted-caps hint nothing makes videoconvert produce
        // RGB32 for a filter that wants it...
        RecordingTransform filter;
        Pipeline p(i420, TFilterElement::Create(&filter, "unhinted"), "fakesink sync=false");
        ASSERT_EQ(p.Run(), GST_MESSAGE_ERROR);
        EXPECT_TRUE(filter.times.empty());
    }
    {
        // ...with it, it does.
        RecordingTransform filter;
        Pipeline p(i420, TFilterElement::Create(&filter, "hinted", kRgb32Caps), "fakesink sync=false");
        ASSERT_EQ(p.Run(), GST_MESSAGE_EOS);
        EXPECT_EQ(filter.times.size(), 3u);
    }
    EXPECT_EQ(TFilterElement::Create(nullptr, "none"), nullptr);
    RecordingTransform unused;
    EXPECT_EQ(TFilterElement::Create(&unused, "bad", "video/x-raw,,,=("), nullptr);
}

TEST(FilterElement, InPlacePassthroughSeesEveryBufferAndSeeksRestartTimes)
{
    InitGst();
    RecordingInPlace filter;
    Pipeline p("videotestsrc num-buffers=100 ! video/x-raw,format=I420,width=64,height=48,framerate=25/1 "
               "! identity",
        TFilterElement::Create(&filter, "inplace"), "fakesink sync=false");
    ASSERT_TRUE(p.SetAndWait(GST_STATE_PAUSED));
    EXPECT_EQ(filter.starts, 1);
    EXPECT_TRUE(filter.OutputPin()->IsConnected());
    EXPECT_EQ(filter.OutputPin()->CurrentMediaType(), filter.InputPin()->CurrentMediaType());
    const std::vector<REFERENCE_TIME> before = filter.Times();
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before[0], 0);

    ASSERT_TRUE(gst_element_seek_simple(p.pipeline, GST_FORMAT_TIME,
        GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), 2 * GST_SECOND));
    ASSERT_EQ(gst_element_get_state(p.pipeline, nullptr, nullptr, kTimeout), GST_STATE_CHANGE_SUCCESS);
    ASSERT_EQ(p.Run(), GST_MESSAGE_EOS);
    const std::vector<REFERENCE_TIME> all = filter.Times();
    ASSERT_GT(all.size(), before.size());
    // The first sample after the seek is at time 0 again, then 25 per second.
    const std::vector<REFERENCE_TIME> after(all.begin() + before.size(), all.end());
    EXPECT_EQ(after[0], 0);
    for (size_t i = 1; i < after.size(); ++i)
        ASSERT_EQ(after[i] - after[i - 1], 400000) << i;
    EXPECT_EQ(filter.durations.back(), 400000);
    EXPECT_EQ(filter.starts, 1); // a seek is not a new run
    ASSERT_GE(filter.segmentStarts.size(), 2u);
    EXPECT_EQ(filter.segmentStarts.back(), 20000000);
    // 100 buffers in all: every one was seen, none skipped by passthrough.
    EXPECT_EQ(all.size(), 100u);
}

TEST(FilterElement, CapsChangeWhileStreaming)
{
    InitGst();
    const char* const source = "videotestsrc num-buffers=20 ! capsfilter name=cf "
                               "caps=video/x-raw,format=I420,width=64,height=48,framerate=25/1";
    {
        // In place: the sample after the change carries the new type; the
        // run goes on without a new StartStreaming.
        RecordingInPlace filter;
        Pipeline p((std::string(source) + " ! identity").c_str(), TFilterElement::Create(&filter, "inplace"),
            "fakesink sync=false");
        ASSERT_TRUE(p.SetAndWait(GST_STATE_PAUSED));
        GstElement* capsfilter = gst_bin_get_by_name(GST_BIN(p.pipeline), "cf");
        ASSERT_NE(capsfilter, nullptr);
        GstCaps* smaller = gst_caps_from_string("video/x-raw,format=I420,width=32,height=24,framerate=25/1");
        g_object_set(capsfilter, "caps", smaller, nullptr);
        gst_caps_unref(smaller);
        gst_object_unref(capsfilter);
        ASSERT_EQ(p.Run(), GST_MESSAGE_EOS);
        QMutexLocker lock(&filter.mutex);
        EXPECT_EQ(filter.times.size(), 20u);
        ASSERT_EQ(filter.typeChanges.size(), 1u);
        EXPECT_GT(filter.typeChanges[0].first, 0u);
        EXPECT_EQ(filter.typeChanges[0].second, 32);
        EXPECT_EQ(filter.starts, 1);
    }
    {
        // A copy filter gets its output connected again for the new size, so
        // its transform still fits the buffers it is given.
        RecordingTransform filter;
        Pipeline p((std::string(source) + " ! videoconvert").c_str(),
            TFilterElement::Create(&filter, "copy", kRgb32Caps), "fakesink sync=false");
        ASSERT_TRUE(p.SetAndWait(GST_STATE_PAUSED));
        GstElement* capsfilter = gst_bin_get_by_name(GST_BIN(p.pipeline), "cf");
        ASSERT_NE(capsfilter, nullptr);
        GstCaps* larger = gst_caps_from_string("video/x-raw,format=I420,width=80,height=60,framerate=25/1");
        g_object_set(capsfilter, "caps", larger, nullptr);
        gst_caps_unref(larger);
        gst_object_unref(capsfilter);
        ASSERT_EQ(p.Run(), GST_MESSAGE_EOS);
        QMutexLocker lock(&filter.mutex);
        EXPECT_EQ(filter.times.size(), 20u);
        EXPECT_EQ(filter.stride, 80 * 4);
        EXPECT_GE(filter.outSizes.back(), 80 * 60 * 4);
        EXPECT_EQ(filter.starts, 1);
    }
}
