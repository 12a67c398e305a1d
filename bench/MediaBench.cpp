// How fast the media system opens, steps, seeks and plays, each figure set
// against plain GStreamer doing the same job on the same file in the same run,
// so that the machine's speed and load cancel out of the ratio.
//
//     stillex_bench [FOLDER [h264,mpeg2]]
//
// FOLDER holds the files bench/make-bench-media.sh makes (made on the spot
// when missing); by default the build tree's bench/media. Figures are medians
// of a few runs, ours and the baseline taking turns, after one run that warms
// the caches; on a shared machine expect a spread of 10 to 25 %.

#include "bench/BenchSupport.h"
#include "media/InstalledFilters.h"
#include "media/TAudioSource.h"
#include "media/TGrabBuilder.h"
#include "media/TMediaSystem.h"
#include "media/TVideoRenderer.h"
#include "media/TVideoSource.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gst/gst.h>
#include <memory>
#include <random>
#include <vector>

namespace
{
constexpr int Runs = 3;
constexpr int SeekCount = 10;
constexpr int64_t Second = TMediaSystem::OneSecond;
constexpr GstClockTime WaitLimit = 30 * GST_SECOND;

// Milliseconds f takes.
double timed(const std::function<void()>& f)
{
    QElapsedTimer clock;
    clock.start();
    f();
    return clock.nsecsElapsed() / 1e6;
}

// The GStreamer side for opening, stepping and seeking: every stream decoded
// into a fake sink, paused. It notes where each seek really landed: a
// demultiplexer may put the first frame after the one asked for, and a
// baseline that does less than the job is no baseline.
class Baseline
{
public:
    explicit Baseline(const QString& path)
    {
        m_pipeline = gst_pipeline_new(nullptr);
        GstElement* decode = gst_element_factory_make("uridecodebin", nullptr);
        gchar* uri = gst_filename_to_uri(QFile::encodeName(path).constData(), nullptr);
        g_object_set(decode, "uri", uri, nullptr);
        g_free(uri);
        g_signal_connect(decode, "pad-added", G_CALLBACK(onPad), this);
        gst_bin_add(GST_BIN(m_pipeline), decode);
    }
    ~Baseline()
    {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
    }
    Baseline(const Baseline&) = delete;

    bool Pause()
    {
        gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
        const bool ok = settled();
        m_origin = Landed();
        return ok;
    }
    // pos in 100-ns units.
    bool Seek(int64_t pos)
    {
        m_firstPts = -1;
        const auto flags = GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
        return gst_element_seek_simple(m_pipeline, GST_FORMAT_TIME, flags, pos * 100) && settled();
    }
    // The first video frame's time since the last seek (100-ns units), -1 for none.
    int64_t Landed() const { return m_firstPts.load() < 0 ? -1 : m_firstPts.load() / 100; }
    // The first frame of all: seeks before it land on it, rightly.
    int64_t Origin() const { return m_origin; }

private:
    GstElement* m_pipeline;
    int64_t m_origin = 0;
    std::atomic<int64_t> m_firstPts { -1 };

    bool settled()
    {
        return gst_element_get_state(m_pipeline, nullptr, nullptr, WaitLimit) == GST_STATE_CHANGE_SUCCESS;
    }
    static GstPadProbeReturn onVideo(GstPad*, GstPadProbeInfo* info, gpointer self)
    {
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        int64_t none = -1;
        if (GST_BUFFER_PTS_IS_VALID(buffer))
            static_cast<Baseline*>(self)->m_firstPts.compare_exchange_strong(
                none, int64_t(GST_BUFFER_PTS(buffer)));
        return GST_PAD_PROBE_OK;
    }
    static void onPad(GstElement*, GstPad* pad, gpointer self)
    {
        auto* me = static_cast<Baseline*>(self);
        GstElement* sink = gst_element_factory_make("fakesink", nullptr);
        gst_bin_add(GST_BIN(me->m_pipeline), sink);
        gst_element_sync_state_with_parent(sink);
        GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
        if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
            if (g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/"))
                gst_pad_add_probe(sinkPad, GST_PAD_PROBE_TYPE_BUFFER, onVideo, me, nullptr);
            gst_caps_unref(caps);
        }
        gst_pad_link(pad, sinkPad);
        gst_object_unref(sinkPad);
    }
};

// Where the baseline's seeks landed against where they were sent.
struct Landings {
    int seeks = 0, off = 0;
    int64_t worst = 0; // 100-ns units, + late, - early

    void Add(const Baseline& base, int64_t target, int64_t frame)
    {
        ++seeks;
        const int64_t miss = base.Landed() < 0 ? INT64_MAX : base.Landed() - std::max(target, base.Origin());
        if (miss != INT64_MAX && std::llabs(miss) * 2 < frame) return;
        ++off;
        if (miss == INT64_MAX || std::llabs(miss) > std::llabs(worst)) worst = miss;
    }
};

// Frames per second of `filesrc ! decodebin ! [convert !] fakesink sync=false`
// from the first frame to the end, the video alone; 0 when it failed.
double baselinePlayback(const QString& path, bool convert, int& frames)
{
    const char* description = convert
        ? "filesrc name=src ! decodebin ! video/x-raw ! videoconvert ! "
          "video/x-raw,format=BGRx ! fakesink name=sink sync=false"
        : "filesrc name=src ! decodebin ! video/x-raw ! fakesink name=sink sync=false";
    GstElement* pipeline = gst_parse_launch(description, nullptr);
    if (!pipeline) return 0;
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    g_object_set(src, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(src);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    std::atomic<int> counted { 0 };
    countFramesInto(sink, &counted);
    gst_object_unref(sink);

    double ms = 0;
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    if (gst_element_get_state(pipeline, nullptr, nullptr, WaitLimit) == GST_STATE_CHANGE_SUCCESS) {
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* end = nullptr;
        ms = timed([&] {
            gst_element_set_state(pipeline, GST_STATE_PLAYING);
            end = gst_bus_timed_pop_filtered(
                bus, 10 * WaitLimit, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        });
        if (!end || GST_MESSAGE_TYPE(end) != GST_MESSAGE_EOS) ms = 0;
        if (end) gst_message_unref(end);
        gst_object_unref(bus);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    frames = counted.load();
    return ms > 0 ? frames * 1000.0 / ms : 0;
}

// Frames per second of the media system at maximum speed from the start to
// its end-of-stream handler, 0 when the end never came. The wait sleeps in
// the event loop: polling would take a core from the decoder on a 2-core machine.
double oursPlayback(TMediaSystem& media, std::atomic<int>& rendered, int& frames)
{
    media.Pause();
    media.SetPosition(0);
    QEventLoop loop;
    bool ended = false;
    media.SetCompleteHandler([&] {
        ended = true;
        loop.quit();
    });
    QTimer::singleShot(300'000, &loop, &QEventLoop::quit);
    rendered = 1; // the frame the seek showed
    const double ms = timed([&] {
        media.Play();
        if (!ended) loop.exec();
    });
    media.SetCompleteHandler({});
    frames = rendered.load();
    return ended && ms > 0 ? frames * 1000.0 / ms : 0;
}

struct Row {
    const char* measure;
    const char* unit;
    double ours, baseline;
    bool higherIsBetter;
};

void printTable(const std::vector<Row>& rows)
{
    std::printf("  %-40s %10s %10s %8s\n", "measure", "ours", "baseline", "slower");
    for (const Row& r : rows) {
        char label[64];
        std::snprintf(label, sizeof label, "%s (%s)", r.measure, r.unit);
        if (r.ours > 0 && r.baseline > 0)
            std::printf("  %-40s %10.1f %10.1f %7.2fx\n", label, r.ours, r.baseline,
                r.higherIsBetter ? r.baseline / r.ours : r.ours / r.baseline);
        else
            std::printf("  %-40s %10.1f %10.1f %8s\n", label, r.ours, r.baseline, "failed");
    }
}

// Opens path in media: the builder, the selection and the first frame; parts
// gets the milliseconds of each.
std::unique_ptr<TGrabBuilder> open(TMediaSystem& media, const QString& path, bool& ok, double (&parts)[3])
{
    LastPosition = 0;
    std::unique_ptr<TGrabBuilder> b;
    parts[0] = timed([&] { b = std::make_unique<TGrabBuilder>(path); });
    ok = !b->Failed && b->VideoSources.Count() > 0;
    TAudioSource* audio = b->AudioSources.Count() ? b->AudioSources.Items(0) : nullptr;
    parts[1] = timed([&] { ok = ok && media.SelectSources(b->VideoSources.Items(0), audio); });
    parts[2] = timed([&] { ok = ok && media.SeekTo(0); });
    return b;
}

void benchFile(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    TMediaSystem media;
    TVideoRenderer renderer;
    media.SetVideoWindow(&renderer);
    std::vector<Row> rows;

    // ---- open to first frame ----
    std::vector<double> ours, base, parts[3];
    std::unique_ptr<TGrabBuilder> builder;
    bool ok = true;
    for (int run = 0; run <= Runs && ok; ++run) {
        if (builder) {
            media.ReleaseAll();
            builder.reset();
        }
        double part[3] = {};
        const double ms = timed([&] { builder = open(media, path, ok, part); });
        Baseline b(path);
        bool paused = false;
        const double baseMs = timed([&] { paused = b.Pause(); });
        if (run == 0) continue;
        ours.push_back(ms);
        base.push_back(paused ? baseMs : 0);
        for (int i = 0; i < 3; ++i)
            parts[i].push_back(part[i]);
    }
    if (!ok) {
        std::printf(
            "%s: the media system could not open it or show its first frame; skipped\n\n", qPrintable(name));
        media.ReleaseAll();
        return;
    }
    rows.push_back({ "open to first frame", "ms", median(ours), median(base), false });

    const int64_t frame = media.FrameDuration > 0 ? media.FrameDuration : 400'000;
    const int64_t duration = media.Duration;
    std::printf("%s: %.2f s, frame %.2f ms, audio chain %s, load average before: ", qPrintable(name),
        duration / 1e7, frame / 1e4, media.HasAudio() ? "built" : "NOT built");
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    std::printf("%s", loadavg.open(QIODevice::ReadOnly) ? loadavg.readLine().constData() : "?\n");
    std::fflush(stdout);

    // ---- one frame forward and back from 10 s ----
    const int64_t middle = std::min<int64_t>(10 * Second, duration / 2);
    Baseline stepper(path);
    bool baseOk = stepper.Pause();
    Landings landings;
    for (bool forward : { true, false }) {
        ours.clear();
        base.clear();
        const int64_t to = middle + (forward ? frame : -frame);
        for (int run = 0; run <= Runs; ++run) {
            media.SetPosition(middle);
            const double o = timed([&] { forward ? media.NextFrame() : media.PreviousFrame(); });
            bool landed = baseOk && stepper.Seek(middle);
            const double b = timed([&] { landed = landed && stepper.Seek(to); });
            landings.Add(stepper, to, frame);
            if (run == 0) continue;
            ours.push_back(o);
            base.push_back(landed ? b : 0);
        }
        rows.push_back({ forward ? "one frame forward from 10 s" : "one frame back from 10 s", "ms",
            median(ours), median(base), false });
    }

    // ---- one frame back in the middle of a group of pictures ----
    // The frames between the keyframe and a seek's target are decoded by the
    // seek; a step back onto one of them need not decode them again.
    {
        ours.clear();
        base.clear();
        const int64_t within = std::min<int64_t>(middle + 5 * Second, duration * 3 / 4) / frame * frame;
        for (int run = 0; run <= Runs; ++run) {
            media.SetPosition(within);
            const double o = timed([&] { media.PreviousFrame(); });
            bool landed = baseOk && stepper.Seek(within);
            const double b = timed([&] { landed = landed && stepper.Seek(within - frame); });
            landings.Add(stepper, within - frame, frame);
            if (run == 0) continue;
            ours.push_back(o);
            base.push_back(landed ? b : 0);
        }
        rows.push_back({ "one frame back from 15 s", "ms", median(ours), median(base), false });
    }

    // ---- accurate seeks to random places ----
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int64_t> frames(0, std::max<int64_t>(0, (duration - Second) / frame));
    double oursTotal = 0, baseTotal = 0;
    for (int i = 0; i < SeekCount; ++i) {
        const int64_t pos = frames(random) * frame;
        oursTotal += timed([&] { media.SetPosition(pos); });
        baseTotal += timed([&] { baseOk = baseOk && stepper.Seek(pos); });
        if (baseOk) landings.Add(stepper, pos, frame);
    }
    rows.push_back({ "accurate seek, mean of 10", "ms", oursTotal / SeekCount,
        baseOk ? baseTotal / SeekCount : 0, false });

    // ---- full-speed playback, video alone ----
    media.SpeedMode = 1;
    TAudioSource* audio = media.CurrentAudio;
    media.ReleaseAudio();
    media.SelectSources(nullptr, audio);
    std::atomic<int> rendered { 0 };
    const bool counting = renderer.Filter() && countFramesInto(renderer.Filter()->Element(), &rendered);
    std::vector<double> plain, converted;
    int oursFrames = 0, plainFrames = 0, convertedFrames = 0;
    ours.clear();
    for (int run = 0; run < Runs; ++run) {
        ours.push_back(oursPlayback(media, rendered, oursFrames));
        plain.push_back(baselinePlayback(path, false, plainFrames));
        converted.push_back(baselinePlayback(path, true, convertedFrames));
    }
    if (!counting) ours.assign(1, 0);
    rows.push_back({ "full-speed playback", "fps", median(ours), median(plain), true });
    rows.push_back({ "  same, baseline converting to BGRx", "fps", median(ours), median(converted), true });

    printTable(rows);
    std::printf("  (opening, ours: builder %.1f ms, SelectSources %.1f ms, SeekTo(0) %.1f ms)\n",
        median(parts[0]), median(parts[1]), median(parts[2]));
    std::printf("  (frames per playback: ours %d, baseline %d, baseline converting %d)\n", oursFrames,
        plainFrames, convertedFrames);
    if (landings.off)
        std::printf(
            "  BEWARE: the baseline's first frame was not the one asked for after %d of its %d step and seek "
            "targets (worst %+.0f ms): its figures are for a lesser job\n",
            landings.off, landings.seeks, landings.worst == INT64_MAX ? 0.0 : landings.worst / 1e4);
    std::printf("\n");
    std::fflush(stdout);
    media.ReleaseAll();
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);

    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(STILLEX_BENCH_MEDIA);
    const QStringList names { QStringLiteral("h264-1080p.mkv"), QStringLiteral("mpeg2-576i.mpg") };
    bool missing = false;
    for (const QString& n : names)
        missing |= QFileInfo(QDir(folder).filePath(n)).size() == 0;
    if (missing) {
        std::fprintf(stderr, "making the benchmark media in %s (once)...\n", qPrintable(folder));
        const int rc = QProcess::execute(QStringLiteral("/bin/sh"),
            { QStringLiteral(STILLEX_SOURCE_DIR "/bench/make-bench-media.sh"), folder });
        if (rc != 0) {
            std::fprintf(
                stderr, "stillex_bench: bench/make-bench-media.sh failed (exit %d); no figures\n", rc);
            return 1;
        }
    }

    DetectInstalledFilters();
    std::printf("slower: how many times slower ours is than plain GStreamer (below 1: faster)\n\n");
    // A comma-separated list of name beginnings picks some of the files.
    const QStringList only
        = argc > 2 ? QString::fromLocal8Bit(argv[2]).split(u',', Qt::SkipEmptyParts) : QStringList {};
    for (const QString& n : names)
        if (only.isEmpty()
            || std::any_of(only.begin(), only.end(), [&](const QString& o) { return n.startsWith(o); }))
            benchFile(QDir(folder).filePath(n));
    return 0;
}
