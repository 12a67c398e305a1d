#include "filters/TMediaForcer.h"
#include "filters/TNotifier.h"
#include "graph/MediaTypeGuids.h"
#include "graph/PlatformFilters.h"
#include "graph/TFilterGraph.h"
#include "media/TFilterElement.h"
#include "media/TFilterSinkElement.h"
#include "tests/support/TestMedia.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gst/video/video.h>
#include <gtest/gtest.h>
#include <thread>

using namespace PlatformFilters;

namespace
{
int countOutputs(TGraphFilter* f)
{
    int n = 0;
    for (TGraphPin* p : f->Pins())
        n += p->Direction() == PINDIR_OUTPUT;
    return n;
}

// A renderer that takes 32-bit RGB video only and keeps the last frame.
std::shared_ptr<TGraphFilter> rgbSink()
{
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    GstElement* bin = gst_parse_bin_from_description(
        "capsfilter caps=video/x-raw,format=BGRx ! fakesink name=frames sync=false", TRUE, nullptr);
    return std::make_shared<TGraphFilter>(bin, GUID_NULL);
}

GstSample* lastSample(TGraphFilter* sink)
{
    GstElement* fake = gst_bin_get_by_name(GST_BIN(sink->Element()), "frames");
    GstSample* sample = nullptr;
    g_object_get(fake, "last-sample", &sample, nullptr);
    gst_object_unref(fake);
    return sample;
}

// The stream time of the frame the sink holds, in 100-ns units, and the frame
// number burnt into its picture (bit k white in the cell at x = 20k + 10).
bool heldFrame(TGraphFilter* sink, int64_t& time, int& number, int cells)
{
    GstSample* sample = lastSample(sink);
    if (!sample) return false;
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    bool ok = gst_video_info_from_caps(&info, gst_sample_get_caps(sample));
    const guint64 t
        = gst_segment_to_stream_time(gst_sample_get_segment(sample), GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    time = int64_t(t / 100);
    GstMapInfo map;
    if (ok && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        number = 0;
        for (int k = 0; k < cells; ++k) {
            const guint8* px = map.data + 8 * GST_VIDEO_INFO_PLANE_STRIDE(&info, 0) + (20 * k + 10) * 4;
            if (px[1] > 128) number |= 1 << k;
        }
        gst_buffer_unmap(buffer, &map);
    } else {
        ok = false;
    }
    gst_sample_unref(sample);
    return ok;
}

struct SourceAndSplitter {
    std::shared_ptr<TGraphFilter> source;
    std::shared_ptr<TGraphFilter> splitter;
};

SourceAndSplitter attach(TFilterGraph& graph, const QString& path, std::shared_ptr<TGraphFilter> splitter)
{
    SourceAndSplitter s { Create(CLSID_AsyncReader), std::move(splitter) };
    EXPECT_EQ(graph.AddFilter(s.source, QStringLiteral("FileSource")), S_OK);
    EXPECT_EQ(s.source->Load(path), S_OK);
    EXPECT_EQ(graph.AddFilter(s.splitter, QStringLiteral("splitter")), S_OK);
    return s;
}
} // namespace

TEST(FilterGraph, FiltersAreAddedNamedEnumeratedAndRemoved)
{
    TFilterGraph graph;
    auto a = Create(CLSID_AsyncReader);
    auto b = Create(CLSID_AviSplitter);
    auto c = Create(CLSID_NullRenderer);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(graph.AddFilter(a, QStringLiteral("FileSource")), S_OK);
    EXPECT_EQ(graph.AddFilter(b, QStringLiteral("avisplitter")), S_OK);
    // A second filter under a used name gets a name of its own.
    EXPECT_EQ(graph.AddFilter(c, QStringLiteral("FileSource")), VFW_S_DUPLICATE_NAME);
    EXPECT_NE(c->Name(), QStringLiteral("FileSource"));
    EXPECT_EQ(graph.Filters(), (std::vector<TGraphFilter*> { a.get(), b.get(), c.get() }));
    EXPECT_EQ(graph.FindFilterByName(QStringLiteral("avisplitter")), b.get());
    // A filter is in one graph at a time.
    TFilterGraph other;
    EXPECT_EQ(other.AddFilter(b, QStringLiteral("x")), E_INVALIDARG);

    // Pins in order: the splitter's input before anything, the source's
    // output, and no output on the splitter before it has read anything.
    ASSERT_NE(a->Pin(0), nullptr);
    EXPECT_EQ(a->Pin(0)->Direction(), PINDIR_OUTPUT);
    EXPECT_EQ(a->Pin(1), nullptr);
    ASSERT_NE(b->Pin(0), nullptr);
    EXPECT_EQ(b->Pin(0)->Direction(), PINDIR_INPUT);
    EXPECT_EQ(countOutputs(b.get()), 0);

    // Only file sources take a file; a file must exist.
    EXPECT_EQ(b->Load(QStringLiteral("/nonexistent.avi")), E_NOINTERFACE);
    EXPECT_EQ(a->Load(QStringLiteral("/nonexistent/none.avi")), HRESULT_FILE_NOT_FOUND);
    // Wrong directions and filters outside the graph are refused.
    EXPECT_EQ(graph.ConnectDirect(b->Pin(0), a->Pin(0)), VFW_E_INVALID_DIRECTION);
    auto stray = Create(CLSID_AviSplitter);
    EXPECT_EQ(graph.ConnectDirect(a->Pin(0), stray->Pin(0)), VFW_E_NOT_IN_GRAPH);

    EXPECT_EQ(graph.RemoveFilter(b.get()), S_OK);
    EXPECT_EQ(graph.RemoveFilter(b.get()), S_FALSE);
    EXPECT_EQ(b->Graph(), nullptr);
    EXPECT_EQ(graph.Filters(), (std::vector<TGraphFilter*> { a.get(), c.get() }));
    // Taken out, it may go into another graph.
    EXPECT_EQ(other.AddFilter(b, QStringLiteral("avisplitter")), S_OK);
}

TEST(FilterGraph, SplitterPinsExistAsSoonAsItsInputIsConnected)
{
    const QString avi = TestMediaPath(QStringLiteral("dv-pal-type2.avi"));
    const QString mpg = TestMediaPath(QStringLiteral("mpeg2-pal-16x9.mpg"));
    ASSERT_FALSE(avi.isEmpty() || mpg.isEmpty());

    {
        TFilterGraph graph;
        auto s = attach(graph, avi, Create(CLSID_AviSplitter));
        ASSERT_EQ(graph.ConnectDirect(s.source->Pin(0), s.splitter->Pin(0)), S_OK);
        EXPECT_TRUE(s.source->Pin(0)->IsConnected());
        EXPECT_EQ(s.source->Pin(0)->ConnectedTo(), s.splitter->Pin(0));
        EXPECT_EQ(countOutputs(s.splitter.get()), 2);

        TGraphPin* video = nullptr;
        TGraphPin* audio = nullptr;
        TGraphPin* none = nullptr;
        EXPECT_EQ(
            graph.FindPin(s.splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, true, 0, &video), S_OK);
        EXPECT_EQ(
            graph.FindPin(s.splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio, true, 0, &audio), S_OK);
        ASSERT_TRUE(video && audio);
        EXPECT_NE(video, audio);
        TMediaType mt;
        ASSERT_TRUE(video->PreferredMediaType(mt));
        EXPECT_EQ(mt.subtype, MEDIASUBTYPE_dvsd);
        // One video stream only, and splitter pins have no capture category.
        EXPECT_EQ(graph.FindPin(s.splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, true, 1, &none),
            VFW_E_NOT_FOUND);
        EXPECT_EQ(graph.FindPin(s.splitter.get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                      true, 0, &none),
            VFW_E_NOT_FOUND);
        EXPECT_EQ(
            graph.FindPin(s.splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Interleaved, true, 0, &none),
            VFW_E_NOT_FOUND);
        // Any output: index 1 is the second stream.
        EXPECT_EQ(graph.FindPin(s.splitter.get(), PINDIR_OUTPUT, nullptr, nullptr, true, 1, &none), S_OK);
        EXPECT_EQ(none, s.splitter->Pins()[2]);

        int64_t duration = 0;
        EXPECT_EQ(graph.GetDuration(duration), S_OK);
        EXPECT_NEAR(duration, 4000000, 100000); // 10 frames at 25 per second

        // The pins persist while the graph is stopped.
        EXPECT_EQ(graph.Stop(), S_OK);
        EXPECT_EQ(countOutputs(s.splitter.get()), 2);

        // Taking the splitter's input away takes its streams with it.
        EXPECT_EQ(graph.Disconnect(s.splitter->Pin(0)), S_OK);
        EXPECT_EQ(graph.Disconnect(s.source->Pin(0)), S_FALSE);
        EXPECT_FALSE(s.source->Pin(0)->IsConnected());
        EXPECT_EQ(countOutputs(s.splitter.get()), 0);
        // And connecting again gives them back.
        ASSERT_EQ(graph.ConnectDirect(s.source->Pin(0), s.splitter->Pin(0)), S_OK);
        EXPECT_EQ(countOutputs(s.splitter.get()), 2);
    }
    {
        // A program stream: the demultiplexer finds its streams as it reads.
        for (const GUID& clsid : { CLSID_MPEG2Demultiplexer, CLSID_MPEG1Splitter }) {
            TFilterGraph graph;
            auto s = attach(graph, mpg, Create(clsid));
            QElapsedTimer timer;
            timer.start();
            ASSERT_EQ(graph.ConnectDirect(s.source->Pin(0), s.splitter->Pin(0)), S_OK);
            EXPECT_LT(timer.elapsed(), 4000);
            TGraphPin* video = nullptr;
            TGraphPin* audio = nullptr;
            EXPECT_EQ(
                graph.FindPin(s.splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, true, 0, &video),
                S_OK);
            EXPECT_EQ(
                graph.FindPin(s.splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio, true, 0, &audio),
                S_OK);
            ASSERT_TRUE(video && audio);
            EXPECT_TRUE(video->OffersType(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO));
        }
    }
    {
        // A splitter given a file it cannot read refuses the connection and
        // leaves both ends as they were.
        TFilterGraph graph;
        auto s = attach(graph, mpg, Create(CLSID_AviSplitter));
        EXPECT_LT(graph.ConnectDirect(s.source->Pin(0), s.splitter->Pin(0)), 0);
        EXPECT_FALSE(s.source->Pin(0)->IsConnected());
        EXPECT_FALSE(s.splitter->Pin(0)->IsConnected());
        EXPECT_EQ(countOutputs(s.splitter.get()), 0);
        // The same source then feeds the right splitter.
        auto ps = Create(CLSID_MPEG2Demultiplexer);
        ASSERT_EQ(graph.AddFilter(ps, QStringLiteral("demux")), S_OK);
        EXPECT_EQ(graph.ConnectDirect(s.source->Pin(0), ps->Pin(0)), S_OK);
        EXPECT_EQ(countOutputs(ps.get()), 2);
    }
}

namespace
{
// Builds source, splitter and the video stream rendered into an RGB-only
// sink, then pauses on the first frame.
// Waits as the media system does: data refused on a link while the graph
// was being built (a loaded machine makes that more likely) gets the graph's
// one restart for such transient errors; a real fault fails again.
bool settled(TFilterGraph& graph, int timeoutMs = 5000)
{
    int state = -1;
    HRESULT hr = graph.GetState(timeoutMs, state);
    if (hr == E_FAIL && graph.RestartAfterTransientErrors()) hr = graph.GetState(timeoutMs, state);
    return hr == S_OK;
}

struct VideoGraph {
    TFilterGraph graph;
    SourceAndSplitter s;
    std::shared_ptr<TGraphFilter> sink = rgbSink();

    VideoGraph(const QString& path, std::shared_ptr<TGraphFilter> splitter)
    {
        s = attach(graph, path, std::move(splitter));
        EXPECT_EQ(graph.AddFilter(sink, QStringLiteral("renderer")), S_OK);
    }
    HRESULT build()
    {
        HRESULT hr = graph.ConnectDirect(s.source->Pin(0), s.splitter->Pin(0));
        if (hr != S_OK) return hr;
        TGraphPin* video = nullptr;
        hr = graph.FindPin(s.splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, true, 0, &video);
        if (hr != S_OK) return hr;
        return graph.RenderStream(nullptr, nullptr, video, nullptr, sink.get());
    }
    bool settle() { return settled(graph); }
    // The source connected to the splitter; the splitter's video output.
    TGraphPin* splitterVideo()
    {
        TGraphPin* video = nullptr;
        if (graph.ConnectDirect(s.source->Pin(0), s.splitter->Pin(0)) != S_OK) return nullptr;
        graph.FindPin(s.splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, true, 0, &video);
        return video;
    }
};
} // namespace

TEST(FilterGraph, RenderStreamFindsTheDecodersAndSeeksLandOnTheExactFrame)
{
    const QString mkv = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    const QString mpg = TestMediaPath(QStringLiteral("mpeg2-pal-16x9.mpg"));
    ASSERT_FALSE(mkv.isEmpty() || mpg.isEmpty());
    {
        VideoGraph g(mkv, TGraphFilter::FromFactory("matroskademux"));
        ASSERT_EQ(g.build(), S_OK);
        // Something was put between the stream and the renderer, and the
        // audio stream, left unconnected, stalls nothing.
        EXPECT_GT(g.graph.Filters().size(), 3u);
        EXPECT_TRUE(g.sink->Pin(0)->IsConnected());
        TGraphPin* audio = nullptr;
        EXPECT_EQ(
            g.graph.FindPin(g.s.splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio, true, 0, &audio),
            S_OK);

        EXPECT_EQ(g.graph.Pause() >= 0, true);
        ASSERT_TRUE(g.settle()) << qPrintable(g.graph.StallReport());
        int64_t time = -1;
        int number = -1;
        ASSERT_TRUE(heldFrame(g.sink.get(), time, number, 16));
        EXPECT_EQ(number, 0);
        // The first frame lies 21 ms into the file. Whether the splitter's
        // first segment already counts from there depends on whether it had
        // read the first cluster when the graph restarted (a slower machine
        // restarts it sooner): the frame and the graph's position are what
        // must not depend on it.
        EXPECT_TRUE(time == 0 || time == 210000) << time;
        int64_t first = -1;
        EXPECT_EQ(g.graph.GetCurrentPosition(first), S_OK);
        EXPECT_EQ(first, 0);
        int64_t duration = 0;
        EXPECT_EQ(g.graph.GetDuration(duration), S_OK);
        EXPECT_NEAR(duration, 100000000, 400000);

        // Frames far from any keyframe (one every 50), forwards and back.
        // The muxer put the first frame 21 ms in (frame k starts at 21 ms +
        // k * 40 ms in the file): positions count from that first frame.
        EXPECT_TRUE(SUCCEEDED(g.graph.SetPosition(0)));
        ASSERT_TRUE(g.settle()) << qPrintable(g.graph.StallReport());
        for (int frame : { 137, 49, 51, 248, 3 }) {
            const int64_t start = int64_t(frame) * 400000;
            EXPECT_EQ(g.graph.SetPosition(start), S_OK);
            ASSERT_TRUE(g.settle()) << frame;
            ASSERT_TRUE(heldFrame(g.sink.get(), time, number, 16));
            EXPECT_EQ(time, start + 210000) << frame;
            EXPECT_EQ(number, frame);
            int64_t pos = -1;
            EXPECT_EQ(g.graph.GetCurrentPosition(pos), S_OK);
            EXPECT_EQ(pos, start);
            // Anywhere inside a frame shows that frame.
            EXPECT_EQ(g.graph.SetPosition(start + 390000), S_OK);
            ASSERT_TRUE(g.settle()) << frame;
            ASSERT_TRUE(heldFrame(g.sink.get(), time, number, 16));
            EXPECT_EQ(number, frame);
        }
        // Stopped: paused and flushed, the position kept.
        EXPECT_EQ(g.graph.Stop(), S_OK);
        ASSERT_TRUE(g.settle()) << qPrintable(g.graph.StallReport());
        ASSERT_TRUE(heldFrame(g.sink.get(), time, number, 16));
        EXPECT_EQ(number, 3);
    }
    {
        VideoGraph g(mpg, Create(CLSID_MPEG2Demultiplexer));
        ASSERT_EQ(g.build(), S_OK);
        g.graph.Pause();
        ASSERT_TRUE(g.settle()) << qPrintable(g.graph.StallReport());
        // The stream starts after 0 (the muxer's delay); positions count
        // from its first frame all the same.
        int64_t first = -1;
        int number = -1;
        ASSERT_TRUE(heldFrame(g.sink.get(), first, number, 1));
        EXPECT_GT(first, 0);
        for (int frame : { 37, 13, 1, 0, 49 }) {
            EXPECT_EQ(g.graph.SetPosition(int64_t(frame) * 400000), S_OK);
            ASSERT_TRUE(g.settle()) << frame;
            int64_t time = -1;
            ASSERT_TRUE(heldFrame(g.sink.get(), time, number, 1));
            EXPECT_EQ(time - first, int64_t(frame) * 400000) << frame;
        }
    }
}

namespace
{
// Holds the demultiplexer's thread once it has told its streams, before it
// has read a frame of them, as a loaded machine may: until the graph has been
// sought, or for a second and a half when nothing seeks it.
void holdBeforeTheFirstFrames(GstElement*, gpointer sought)
{
    QElapsedTimer timer;
    timer.start();
    while (!static_cast<std::atomic<bool>*>(sought)->load() && timer.elapsed() < 1500)
        QThread::msleep(2);
}
} // namespace

// Positions count from where the splitter said its streams start, not from
// where a seek made while the graph was still being built sent them (the
// demultiplexer keeps a seek that comes before its first frames for later,
// so that its first word about where its streams are is the seek's).
TEST(FilterGraph, AStreamStartsWhereItsSplitterSaysBeforeAnySeek)
{
    const QString mkv = TestMediaPath(QStringLiteral("h264-50fps.mkv"));
    ASSERT_FALSE(mkv.isEmpty());
    std::atomic<bool> sought { false };
    VideoGraph g(mkv, TGraphFilter::FromFactory("matroskademux"));
    g_signal_connect(g.s.splitter->Element(), "no-more-pads", G_CALLBACK(holdBeforeTheFirstFrames), &sought);
    // The video is rendered, the audio left unconnected.
    ASSERT_EQ(g.build(), S_OK);
    const int64_t frame = 200000; // 50 per second
    EXPECT_EQ(g.graph.SetPosition(10 * frame), S_OK);
    sought = true;
    ASSERT_TRUE(g.settle()) << qPrintable(g.graph.StallReport());
    for (int k : { 0, 1, 7, 10 }) {
        EXPECT_EQ(g.graph.SetPosition(k * frame), S_OK);
        ASSERT_TRUE(g.settle()) << k;
        int64_t time = -1;
        int number = -1;
        ASSERT_TRUE(heldFrame(g.sink.get(), time, number, 16));
        EXPECT_EQ(number, k);
        int64_t pos = -1;
        EXPECT_EQ(g.graph.GetCurrentPosition(pos), S_OK);
        EXPECT_EQ(pos, k * frame);
    }
}

TEST(FilterGraph, PlaysToTheEndWithOrWithoutClockAndSetsTheVolume)
{
    const QString avi = TestMediaPath(QStringLiteral("raw-160x120.avi"));
    const QString mkv = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(avi.isEmpty() || mkv.isEmpty());

    // One second of video to a null renderer: in real time with the clock,
    // as fast as it goes without.
    for (bool clock : { true, false }) {
        TFilterGraph graph;
        auto s = attach(graph, avi, Create(CLSID_AviSplitter));
        auto null = Create(CLSID_NullRenderer);
        ASSERT_EQ(graph.AddFilter(null, QStringLiteral("null")), S_OK);
        ASSERT_EQ(graph.ConnectDirect(s.source->Pin(0), s.splitter->Pin(0)), S_OK);
        ASSERT_EQ(graph.RenderStream(nullptr, &MEDIATYPE_Video, s.splitter.get(), nullptr, null.get()), S_OK);
        EXPECT_EQ(graph.SetVolume(-100), E_NOTIMPL); // no audio renderer
        graph.SetUseClock(clock);
        bool complete = false;
        graph.SetCompleteHandler([&] { complete = true; });
        QElapsedTimer timer;
        timer.start();
        EXPECT_GE(graph.Run(), 0);
        while (!complete && timer.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_TRUE(complete);
        if (clock)
            EXPECT_GT(timer.elapsed(), 800);
        else
            EXPECT_LT(timer.elapsed(), 600);
        int state = -1;
        EXPECT_EQ(graph.GetState(0, state), S_OK);
        EXPECT_EQ(state, 2);
        EXPECT_EQ(graph.Stop(), S_OK);
        EXPECT_EQ(graph.GetState(1000, state), S_OK);
        EXPECT_EQ(state, 0);
    }
    {
        // Volume in hundredths of a decibel on the audio renderer, which
        // exists (silent when the machine has no audio device) and prerolls.
        TFilterGraph graph;
        auto s = attach(graph, mkv, TGraphFilter::FromFactory("matroskademux"));
        auto speaker = CreateFromMoniker(DefaultAudioMoniker);
        ASSERT_TRUE(speaker);
        ASSERT_EQ(graph.AddFilter(speaker, QStringLiteral("audiorender")), S_OK);
        ASSERT_EQ(graph.ConnectDirect(s.source->Pin(0), s.splitter->Pin(0)), S_OK);
        TGraphPin* audio = nullptr;
        ASSERT_EQ(
            graph.FindPin(s.splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio, true, 0, &audio), S_OK);
        ASSERT_EQ(graph.RenderStream(nullptr, nullptr, audio, nullptr, speaker.get()), S_OK);
        long volume = 1;
        for (long v : { -2000L, 0L, -10000L, -4321L }) {
            EXPECT_EQ(graph.SetVolume(v), S_OK);
            EXPECT_EQ(graph.GetVolume(volume), S_OK);
            EXPECT_EQ(volume, v);
        }
        EXPECT_EQ(graph.SetVolume(-20000), S_OK); // below silence is silence
        EXPECT_EQ(graph.GetVolume(volume), S_OK);
        EXPECT_EQ(volume, -10000);
        graph.Pause();
        EXPECT_TRUE(settled(graph)) << qPrintable(graph.StallReport());
        int64_t duration = 0;
        EXPECT_EQ(graph.GetDuration(duration), S_OK);
        EXPECT_NEAR(duration, 100000000, 500000);
    }
}

namespace
{
// Plays the bin's own state change, on a thread of its own, reaching the
// demuxer that the type finder's thread has just put into a reader and
// linked, before that thread has brought it up.
struct BinThread {
    std::thread thread;
    bool reached = false;
};

bool targetIsPaused(GstElement* element)
{
    GST_OBJECT_LOCK(element);
    const bool paused = GST_STATE_TARGET(element) == GST_STATE_PAUSED;
    GST_OBJECT_UNLOCK(element);
    return paused;
}

void onDemuxerLinked(GstPad* input, GstPad*, gpointer data)
{
    auto* bin = static_cast<BinThread*>(data);
    GstElement* demuxer = GST_PAD_PARENT(input);
    bin->reached = true;
    bin->thread = std::thread([demuxer] { gst_element_set_state(demuxer, GST_STATE_PAUSED); });
    // Until the other thread has begun with the demuxer, or for a while
    // when it cannot begin yet.
    QElapsedTimer timer;
    timer.start();
    while (!targetIsPaused(demuxer) && timer.elapsed() < 300)
        QThread::msleep(1);
}

void onElementAdded(GstBin*, GstElement* element, gpointer data)
{
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory || !g_str_equal(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "matroskademux"))
        return;
    GstPad* input = gst_element_get_static_pad(element, "sink");
    g_signal_connect(input, "linked", G_CALLBACK(onDemuxerLinked), data);
    gst_object_unref(input);
}
} // namespace

// A reader that chooses its demuxer once it knows the file's type brings it
// up on the type finder's thread, while the bin may be bringing its children
// up on another: neither waits for the other for ever.
TEST(FilterGraph, AReaderBringsItsDemuxerUpWhileTheBinChangesState)
{
    const QString mkv = TestMediaPath(QStringLiteral("h264-50fps.mkv"));
    ASSERT_FALSE(mkv.isEmpty());
    BinThread bin;
    TFilterGraph graph;
    auto reader = CreateTypedReader(GUID_NULL, [](const GstCaps*) -> const char* { return "matroskademux"; });
    ASSERT_TRUE(reader);
    g_signal_connect(reader->Element(), "element-added", G_CALLBACK(onElementAdded), &bin);
    ASSERT_EQ(graph.AddFilter(reader, QStringLiteral("reader")), S_OK);
    EXPECT_EQ(reader->Load(mkv), S_OK);
    if (bin.thread.joinable()) bin.thread.join();
    EXPECT_TRUE(bin.reached);
    EXPECT_EQ(countOutputs(reader.get()), 2);
}

TEST(FilterGraph, ReadersLoadTheirFileAndShowTheirStreams)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wmv = dir.filePath(QStringLiteral("clip.wmv"));
    const int made = QProcess::execute(QStringLiteral("ffmpeg"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
            QStringLiteral("-i"), QStringLiteral("testsrc2=size=160x120:rate=25"), QStringLiteral("-f"),
            QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=sample_rate=44100"),
            QStringLiteral("-t"), QStringLiteral("1"), QStringLiteral("-c:v"), QStringLiteral("wmv2"),
            QStringLiteral("-c:a"), QStringLiteral("wmav2"), wmv });
    ASSERT_EQ(made, 0);
    const QString avi = TestMediaPath(QStringLiteral("raw-160x120.avi"));
    ASSERT_FALSE(avi.isEmpty());

    TFilterGraph graph;
    auto reader = CreateFromMoniker(SoftwareMoniker(CLSID_WMAsfReader));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->ClassId(), CLSID_WMAsfReader);
    ASSERT_EQ(graph.AddFilter(reader, QStringLiteral("asfReader")), S_OK);
    // Not its kind of file: refused, no streams, and the reader is free for
    // the next file.
    EXPECT_EQ(reader->Load(avi), VFW_E_UNSUPPORTED_STREAM);
    EXPECT_EQ(countOutputs(reader.get()), 0);
    ASSERT_EQ(reader->Load(wmv), S_OK);
    EXPECT_EQ(countOutputs(reader.get()), 2);
    TGraphPin* video = nullptr;
    TGraphPin* audio = nullptr;
    EXPECT_EQ(graph.FindPin(reader.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, true, 0, &video), S_OK);
    EXPECT_EQ(graph.FindPin(reader.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio, true, 0, &audio), S_OK);
    ASSERT_TRUE(video);
    EXPECT_TRUE(video->OffersType(MEDIATYPE_Video, MEDIASUBTYPE_WMV2));
    // Loaded and running, it takes no other file.
    EXPECT_EQ(reader->Load(wmv), VFW_E_WRONG_STATE);

    auto sink = rgbSink();
    ASSERT_EQ(graph.AddFilter(sink, QStringLiteral("renderer")), S_OK);
    ASSERT_EQ(graph.RenderStream(nullptr, nullptr, video, nullptr, sink.get()), S_OK);
    graph.Pause();
    EXPECT_TRUE(settled(graph)) << qPrintable(graph.StallReport());
    int64_t time = -1;
    int number = -1;
    EXPECT_TRUE(heldFrame(sink.get(), time, number, 0));

    // Taken out of the graph while paused (data waiting in the renderer), it
    // drops its streams and what was connected to them.
    TGraphPin* decoderInput = video->ConnectedTo();
    ASSERT_TRUE(decoderInput);
    EXPECT_EQ(graph.RemoveFilter(reader.get()), S_OK);
    EXPECT_EQ(countOutputs(reader.get()), 0);
    EXPECT_FALSE(decoderInput->IsConnected());
}

TEST(FilterGraph, OurFiltersTakePartAsOrdinaryFilters)
{
    const QString dv = TestMediaPath(QStringLiteral("dv-pal-4x3.dv"));
    const QString mkv = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(dv.isEmpty() || mkv.isEmpty());
    {
        // An interleaved DV stream through a notifier into the DV splitter,
        // then its video through the DV decoder already waiting in the graph.
        TFilterGraph graph;
        gst_init(nullptr, nullptr);
        const QString description
            = QStringLiteral("filesrc location=\"%1\" ! capsfilter caps=video/x-dv,systemstream=true")
                  .arg(dv);
        auto source = std::make_shared<TGraphFilter>(
            gst_parse_bin_from_description(description.toUtf8().constData(), TRUE, nullptr), GUID_NULL);
        TNotifier notifier;
        auto dvNotifier
            = std::make_shared<TGraphFilter>(TFilterElement::Create(&notifier), TNotifier::ClassIdentifier);
        auto splitter = Create(CLSID_DVSplitter);
        auto decoder = Create(CLSID_DVVideoCodec);
        auto sink = rgbSink();
        ASSERT_TRUE(splitter && decoder);
        for (auto& [f, name] : std::vector<std::pair<std::shared_ptr<TGraphFilter>, QString>> {
                 { source, QStringLiteral("source") }, { dvNotifier, QStringLiteral("DV Notifier") },
                 { splitter, QStringLiteral("DVsplitter") }, { decoder, QStringLiteral("decoder") },
                 { sink, QStringLiteral("renderer") } })
            ASSERT_EQ(graph.AddFilter(f, name), S_OK);

        TGraphPin* interleaved = nullptr;
        ASSERT_EQ(graph.FindPin(
                      source.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Interleaved, true, 0, &interleaved),
            S_OK);
        ASSERT_EQ(graph.RenderStream(nullptr, nullptr, interleaved, dvNotifier.get(), splitter.get()), S_OK);
        EXPECT_EQ(interleaved->ConnectedTo()->Filter(), dvNotifier.get());
        EXPECT_EQ(dvNotifier->Pin(1)->ConnectedTo(), splitter->Pin(0));
        TGraphPin* video = nullptr;
        TGraphPin* audio = nullptr;
        ASSERT_EQ(
            graph.FindPin(splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, true, 0, &video), S_OK);
        EXPECT_EQ(
            graph.FindPin(splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio, true, 0, &audio), S_OK);
        ASSERT_EQ(graph.RenderStream(nullptr, nullptr, video, nullptr, sink.get()), S_OK);
        EXPECT_EQ(video->ConnectedTo(), decoder->Pin(0));
        graph.Pause();
        EXPECT_TRUE(settled(graph)) << qPrintable(graph.StallReport());
        EXPECT_EQ(notifier.AcceptedMajorType(), MEDIATYPE_Interleaved);
        graph.RemoveAllFilters();
        EXPECT_TRUE(graph.Filters().empty());
    }
    {
        // The media forcer ends the decoder search on the one type it takes;
        // the decoders found stay when it is taken out, and their output then
        // goes to the real renderer.
        TFilterGraph graph;
        auto s = attach(graph, mkv, TGraphFilter::FromFactory("matroskademux"));
        TMediaForcer forcer;
        forcer.SetForcedType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, GUID_NULL);
        auto forcerFilter = std::make_shared<TGraphFilter>(
            TFilterSinkElement::Create(&forcer, nullptr, "video/x-raw,format=BGRx"), GUID_NULL);
        ASSERT_EQ(graph.AddFilter(forcerFilter, QStringLiteral("Media Forcer")), S_OK);
        ASSERT_EQ(graph.ConnectDirect(s.source->Pin(0), s.splitter->Pin(0)), S_OK);
        TGraphPin* video = nullptr;
        ASSERT_EQ(
            graph.FindPin(s.splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, true, 0, &video), S_OK);
        ASSERT_EQ(graph.RenderStream(nullptr, nullptr, video, nullptr, forcerFilter.get()), S_OK);
        TGraphPin* decoded = forcerFilter->Pin(0)->ConnectedTo();
        ASSERT_TRUE(decoded);
        EXPECT_TRUE(decoded->OffersType(MEDIATYPE_Video));
        EXPECT_FALSE(decoded->OffersType(MEDIATYPE_Audio));
        EXPECT_EQ(graph.Disconnect(decoded), S_OK);
        EXPECT_EQ(graph.Disconnect(forcerFilter->Pin(0)), S_FALSE);
        EXPECT_EQ(graph.RemoveFilter(forcerFilter.get()), S_OK);
        EXPECT_TRUE(video->IsConnected());

        auto sink = rgbSink();
        ASSERT_EQ(graph.AddFilter(sink, QStringLiteral("renderer")), S_OK);
        const size_t before = graph.Filters().size();
        ASSERT_EQ(graph.RenderStream(nullptr, nullptr, decoded, nullptr, sink.get()), S_OK);
        EXPECT_EQ(graph.Filters().size(), before); // nothing more was needed
        graph.Pause();
        ASSERT_TRUE(settled(graph)) << qPrintable(graph.StallReport());
        int64_t time = -1;
        int number = -1;
        ASSERT_TRUE(heldFrame(sink.get(), time, number, 16));
        EXPECT_EQ(number, 0);
        // Asking a live link to negotiate again keeps it.
        EXPECT_EQ(graph.Reconnect(sink->Pin(0)), S_OK);
        EXPECT_EQ(graph.Reconnect(s.splitter->Pins().back()), VFW_E_NOT_CONNECTED);
        EXPECT_EQ(graph.SetPosition(210000 + 70 * 400000), S_OK);
        ASSERT_TRUE(settled(graph)) << qPrintable(graph.StallReport());
        ASSERT_TRUE(heldFrame(sink.get(), time, number, 16));
        EXPECT_EQ(number, 70);
    }
}

TEST(FilterGraph, AnOutputThatChoseItsTypeAloneChoosesAgainForItsPeer)
{
    const QString avi = TestMediaPath(QStringLiteral("raw-160x120.avi"));
    ASSERT_FALSE(avi.isEmpty());
    // A converter with nothing behind it passes its YUV input through;
    // connected to a sink that takes RGB only, it must choose again, and
    // the frame it was holding in YUV must not stop the stream.
    VideoGraph g(avi, Create(CLSID_AviSplitter));
    auto convert = TGraphFilter::FromFactory("videoconvert");
    ASSERT_TRUE(convert);
    ASSERT_EQ(g.graph.AddFilter(convert, QStringLiteral("convert")), S_OK);
    TGraphPin* video = g.splitterVideo();
    ASSERT_TRUE(video);
    ASSERT_EQ(g.graph.ConnectDirect(video, convert->Pin(0)), S_OK);
    TGraphPin* out = convert->Pin(1);
    ASSERT_TRUE(out && out->Direction() == PINDIR_OUTPUT);
    QElapsedTimer timer;
    timer.start();
    GstCaps* chosen = nullptr;
    while (!(chosen = gst_pad_get_current_caps(out->Pad())) && timer.elapsed() < 10000)
        QThread::msleep(5);
    ASSERT_TRUE(chosen);
    const QByteArray format = gst_structure_get_string(gst_caps_get_structure(chosen, 0), "format");
    gst_caps_unref(chosen);
    EXPECT_EQ(format, QByteArray("I420"));

    ASSERT_EQ(g.graph.ConnectDirect(out, g.sink->Pin(0)), S_OK);
    // It chooses again at once, not only when the graph next starts.
    QByteArray now;
    timer.restart();
    while (now != "BGRx" && timer.elapsed() < 5000) {
        QThread::msleep(5);
        if (GstCaps* caps = gst_pad_get_current_caps(out->Pad())) {
            now = gst_structure_get_string(gst_caps_get_structure(caps, 0), "format");
            gst_caps_unref(caps);
        }
    }
    EXPECT_EQ(now, QByteArray("BGRx"));
    g.graph.Pause();
    ASSERT_TRUE(g.settle()) << qPrintable(g.graph.StallReport());
    int64_t time = -1;
    int number = -1;
    ASSERT_TRUE(heldFrame(g.sink.get(), time, number, 8));
    EXPECT_EQ(g.graph.SetPosition(3 * 400000), S_OK);
    ASSERT_TRUE(g.settle()) << qPrintable(g.graph.StallReport());
    ASSERT_TRUE(heldFrame(g.sink.get(), time, number, 8));
    EXPECT_EQ(number, 3) << "frame time " << time << "\n" << qPrintable(g.graph.StallReport());
}

// A type refused once the links changed stays refused through a flush: an
// output that chose its type for the peer it had then keeps it. The one
// restart the graph allows after such a failure makes every output choose
// again for the peer it has now. (Seen on a Matroska file's sound, where a
// converter chose while the filter behind it was still being linked.)
TEST(FilterGraph, TheRestartAfterARefusedTypeMakesEveryOutputChooseAgain)
{
    const QString avi = TestMediaPath(QStringLiteral("raw-160x120.avi"));
    ASSERT_FALSE(avi.isEmpty());
    VideoGraph g(avi, Create(CLSID_AviSplitter));
    auto convert = TGraphFilter::FromFactory("videoconvert");
    ASSERT_TRUE(convert);
    ASSERT_EQ(g.graph.AddFilter(convert, QStringLiteral("convert")), S_OK);
    // Linked from the renderer up, so that the converter chooses its type
    // once, for the renderer.
    ASSERT_EQ(g.graph.ConnectDirect(convert->Pin(1), g.sink->Pin(0)), S_OK);
    TGraphPin* video = g.splitterVideo();
    ASSERT_TRUE(video);
    ASSERT_EQ(g.graph.ConnectDirect(video, convert->Pin(0)), S_OK);
    g.graph.Pause();
    ASSERT_TRUE(g.settle()) << qPrintable(g.graph.StallReport());

    // After the seek, the converter's output holds a type the renderer
    // refuses, as one chosen for another peer would. Given on the streaming
    // thread, which holds the stream's lock.
    gst_pad_add_probe(
        convert->Pin(0)->Pad(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo*, gpointer out) {
            GstCaps* stale
                = gst_caps_from_string("video/x-raw,format=I420,width=160,height=120,framerate=25/1");
            gst_pad_push_event(static_cast<GstPad*>(out), gst_event_new_caps(stale));
            gst_caps_unref(stale);
            return GST_PAD_PROBE_REMOVE;
        },
        convert->Pin(1)->Pad(), nullptr);
    g.graph.SetPosition(3 * 400000);
    int state = -1;
    ASSERT_EQ(g.graph.GetState(5000, state), E_FAIL);
    ASSERT_TRUE(g.graph.RestartAfterTransientErrors());
    ASSERT_TRUE(g.settle()) << qPrintable(g.graph.StallReport());
    int64_t time = -1;
    int number = -1;
    ASSERT_TRUE(heldFrame(g.sink.get(), time, number, 8));
    EXPECT_EQ(number, 3);
}

TEST(FilterGraph, RenderFileBuildsTheWholeGraphIntoTheRenderersPresent)
{
    const QString mkv = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(mkv.isEmpty());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString text = dir.filePath(QStringLiteral("notes.mkv"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("nothing a splitter would read\n").repeated(100));
    }

    TFilterGraph graph;
    auto sink = rgbSink();
    ASSERT_EQ(graph.AddFilter(sink, QStringLiteral("video")), S_OK);
    // Video only: the audio stream has nowhere to go.
    EXPECT_EQ(graph.RenderFile(mkv), VFW_S_PARTIAL_RENDER);
    EXPECT_TRUE(sink->Pin(0)->IsConnected());
    graph.Pause();
    ASSERT_TRUE(settled(graph)) << qPrintable(graph.StallReport());
    int64_t time = -1;
    int number = -1;
    ASSERT_TRUE(heldFrame(sink.get(), time, number, 16));
    EXPECT_EQ(number, 0);
    graph.RemoveAllFilters();

    auto speaker = CreateAudioRenderer();
    ASSERT_EQ(graph.AddFilter(sink, QStringLiteral("video")), S_OK);
    ASSERT_EQ(graph.AddFilter(speaker, QStringLiteral("audio")), S_OK);
    EXPECT_EQ(graph.RenderFile(mkv), S_OK);
    EXPECT_TRUE(speaker->Pin(0)->IsConnected());
    graph.RemoveAllFilters();

    // What cannot be read leaves the graph as it was.
    ASSERT_EQ(graph.AddFilter(sink, QStringLiteral("video")), S_OK);
    EXPECT_LT(graph.RenderFile(text), 0);
    EXPECT_EQ(graph.RenderFile(dir.filePath(QStringLiteral("missing.avi"))), HRESULT_FILE_NOT_FOUND);
    EXPECT_EQ(graph.Filters(), std::vector<TGraphFilter*> { sink.get() });
}

TEST(FilterGraph, AFailingStreamIsReportedInsteadOfWaitedFor)
{
    const QString mkv = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(mkv.isEmpty());
    // A decoder linked straight to a renderer whose format it lists but
    // cannot produce from this stream: linked, then refused with the data.
    TFilterGraph graph;
    auto s = attach(graph, mkv, TGraphFilter::FromFactory("matroskademux"));
    auto parser = TGraphFilter::FromFactory("h264parse");
    auto decoder = TGraphFilter::FromFactory("avdec_h264");
    GstElement* bin
        = gst_parse_bin_from_description("capsfilter caps=video/x-raw,format=BGRA ! fakesink", TRUE, nullptr);
    auto sink = std::make_shared<TGraphFilter>(bin, GUID_NULL);
    ASSERT_TRUE(parser && decoder);
    ASSERT_EQ(graph.AddFilter(parser, QStringLiteral("parser")), S_OK);
    ASSERT_EQ(graph.AddFilter(decoder, QStringLiteral("decoder")), S_OK);
    ASSERT_EQ(graph.AddFilter(sink, QStringLiteral("renderer")), S_OK);
    ASSERT_EQ(graph.ConnectDirect(s.source->Pin(0), s.splitter->Pin(0)), S_OK);
    TGraphPin* video = nullptr;
    ASSERT_EQ(
        graph.FindPin(s.splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, true, 0, &video), S_OK);
    ASSERT_EQ(graph.ConnectDirect(video, parser->Pin(0)), S_OK);
    ASSERT_EQ(graph.ConnectDirect(parser->Pin(1), decoder->Pin(0)), S_OK);
    // Nothing decoded yet, but the decoder's output is known to be video.
    TGraphPin* raw = nullptr;
    EXPECT_EQ(graph.FindPin(decoder.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, true, 0, &raw), S_OK);
    EXPECT_EQ(raw, decoder->Pin(1));
    ASSERT_EQ(graph.ConnectDirect(decoder->Pin(1), sink->Pin(0)), S_OK);
    graph.Pause();
    QElapsedTimer timer;
    timer.start();
    int state = -1;
    EXPECT_EQ(graph.GetState(5000, state), E_FAIL);
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_FALSE(decoder->LastError().isEmpty() && s.splitter->LastError().isEmpty());
}

// A splitter that does not show its streams in time fails its connection,
// and everything goes back to how it was: the failure path itself is safe,
// with data already on its way through the filter in front of it.
TEST(FilterGraph, ASplitterThatShowsNoStreamsInTimeFailsCleanly)
{
    const QString dv = TestMediaPath(QStringLiteral("dv-pal-4x3.dv"));
    ASSERT_FALSE(dv.isEmpty());
    gst_init(nullptr, nullptr);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        TFilterGraph graph;
        graph.SetPadTimeout(round % 4); // 0..3 ms: the streams cannot be known yet
        const QString description
            = QStringLiteral("filesrc location=\"%1\" ! capsfilter caps=video/x-dv,systemstream=true")
                  .arg(dv);
        auto source = std::make_shared<TGraphFilter>(
            gst_parse_bin_from_description(description.toUtf8().constData(), TRUE, nullptr), GUID_NULL);
        TNotifier notifier;
        auto dvNotifier
            = std::make_shared<TGraphFilter>(TFilterElement::Create(&notifier), TNotifier::ClassIdentifier);
        auto splitter = Create(CLSID_DVSplitter);
        ASSERT_TRUE(splitter);
        ASSERT_EQ(graph.AddFilter(source, QStringLiteral("source")), S_OK);
        ASSERT_EQ(graph.AddFilter(dvNotifier, QStringLiteral("DV Notifier")), S_OK);
        ASSERT_EQ(graph.AddFilter(splitter, QStringLiteral("DVsplitter")), S_OK);
        TGraphPin* interleaved = nullptr;
        ASSERT_EQ(graph.FindPin(
                      source.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Interleaved, true, 0, &interleaved),
            S_OK);
        const HRESULT hr
            = graph.RenderStream(nullptr, nullptr, interleaved, dvNotifier.get(), splitter.get());
        if (FAILED(hr)) {
            EXPECT_FALSE(dvNotifier->Pin(1)->IsConnected());
            EXPECT_FALSE(splitter->Pin(0)->IsConnected());
        }
        graph.RemoveAllFilters();
        EXPECT_TRUE(graph.Filters().empty());
    }
}
