// What the inlay costs the streaming thread. The compositor draws it into
// every frame, between the copy of the frame in and the copy out, so its time
// is taken from the frame period and, at full speed, from the frame rate.
//
//     stillex_inlay_bench [FOLDER]
//
// First the drawing alone: the compositor's DrawInlay on 720x576 and
// 1920x1080 pictures with the default settings (date and time of a DV
// datecode, 2-pixel outline, font sized from the picture), fed a datecode per
// frame as the notifier feeds it. The median is set against the 40 ms of a
// 25 fps frame and against one plain copy of the frame measured in the same
// run, the least a filter does per frame.
//
// Then full-speed playback of the 1080p H.264 bench file through the media
// system, the inlay off and on in turns. FOLDER holds the files
// bench/make-bench-media.sh makes (made on the spot when missing); by default
// the build tree's bench/media. On a shared machine expect a spread of 10 to
// 25 % in the playback figures.

#include "bench/BenchSupport.h"
#include "filters/Tsuperposer.h"
#include "filters/TvData.h"
#include "inlay/TincrustRec.h"
#include "media/InstalledFilters.h"
#include "media/TAudioSource.h"
#include "media/TGrabBuilder.h"
#include "media/TMediaSystem.h"
#include "media/TVideoRenderer.h"
#include "media/TVideoSource.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <gst/gst.h>
#include <memory>
#include <mutex>
#include <vector>

namespace
{
constexpr int DrawFrames = 500; // 20 s at 25 fps: the time line changes 20 times
constexpr int WarmFrames = 25;
constexpr int PlaybackRuns = 7; // of each, off and on taking turns
constexpr int64_t FramePeriod = 400'000; // 25 fps, 100-ns units
constexpr double FramePeriodMs = 40.0;
// The main window reads the position for its display every 40 ms while
// playing, which is what moves the position the inlay shows.
constexpr int PositionPollMs = 40;

double percentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// Bars over a gradient: the inlay's corner is not a flat colour.
QImage makeFrame(int width, int height)
{
    QImage frame(width, height, QImage::Format_RGB32);
    static const QRgb bars[]
        = { 0xffc0c0c0, 0xffc0c000, 0xff00c0c0, 0xff00c000, 0xffc000c0, 0xffc00000, 0xff0000c0 };
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = y < height * 2 / 3 ? bars[x * 7 / width] : qRgb(x * 255 / width, y * 255 / height, 96);
    }
    return frame;
}

// The default settings, spelt out: the figures are for these.
TincrustRec benchSettings()
{
    TincrustRec rec = DefaultIncrustRec();
    rec.WhatIncrust = 5; // the datecode when there is one, else the position
    rec.BorderSize = 2;
    rec.Autofontsize = true;
    return rec;
}

void forgetStream()
{
    TSharedRecordLocker lock(&SharedRecordLock());
    VData() = TvData {};
    ForgetDvFrames();
}

// ---- the drawing alone ----

void drawingCost(int width, int height)
{
    Tsuperposer superposer;
    {
        std::lock_guard lock(superposer.Bitmap);
        superposer.Bitmap.SetSize(width, height);
    }
    // After the picture size: the automatic font size is taken from it.
    superposer.SetInlay(benchSettings());
    const QImage source = makeFrame(width, height);

    double first = 0;
    const QDate date(2004, 7, 15);
    if (!DatecodeFromDateTime(date, QTime(14, 23, 40), first)) {
        std::printf("%dx%d: no datecode for %s; skipped\n", width, height, qPrintable(date.toString()));
        return;
    }
    forgetStream();
    {
        TSharedRecordLocker lock(&SharedRecordLock());
        VData().AvgTimePerFrame = FramePeriod;
    }

    std::vector<double> copyMs, drawMs;
    QElapsedTimer clock;
    for (int i = 0; i < WarmFrames + DrawFrames; ++i) {
        // What the notifier does ahead of the picture, then what the bitmap
        // filter does before it calls DrawInlay: the frame's DV values under
        // its start time, and the start time of the frame being drawn.
        const int64_t start = int64_t(i) * FramePeriod;
        TDvFrameStamp stamp;
        stamp.Start = start;
        stamp.DatecodeValid = true;
        stamp.Datecode = first + double(i) * FramePeriod / (86400.0 * 1e7);
        stamp.TimecodeValid = true;
        stamp.Timecode = { 10, 20, uint8_t(30 + i / 25 % 30), uint8_t(i % 25) };
        {
            TSharedRecordLocker lock(&SharedRecordLock());
            RememberDvFrame(stamp);
            VData().DatecodeValid = true;
            VData().Datecode = stamp.Datecode;
        }
        superposer.FrameStart = start;
        superposer.FrameStartValid = true;

        std::lock_guard lock(superposer.Bitmap);
        QImage& bitmap = superposer.Bitmap.Image();
        const size_t rowBytes = size_t(width) * 4;
        clock.start();
        for (int y = 0; y < height; ++y)
            std::memcpy(bitmap.scanLine(y), source.constScanLine(y), rowBytes);
        const double copied = clock.nsecsElapsed() / 1e6;
        clock.start();
        superposer.DrawInlay(superposer.Bitmap);
        const double drawn = clock.nsecsElapsed() / 1e6;
        if (i < WarmFrames) continue;
        copyMs.push_back(copied);
        drawMs.push_back(drawn);
    }
    forgetStream();

    const TInlayLines lines = superposer.LastLines();
    const double draw = median(drawMs), copy = median(copyMs);
    double mean = 0;
    for (double ms : drawMs)
        mean += ms / double(drawMs.size());
    std::printf("  %4dx%-4d  font cell %3d px  DrawInlay median %7.3f ms = %5.2f %% of 40 ms"
                "  | frame copy %6.3f ms | DrawInlay / copy %6.2fx\n",
        width, height, superposer.LineHeight(), draw, 100 * draw / FramePeriodMs, copy,
        copy > 0 ? draw / copy : 0.0);
    std::printf("             mean %.3f ms, 90th percentile %.3f ms, worst %.3f ms (a new time line every 25 "
                "frames)\n",
        mean, percentile(drawMs, 0.9), percentile(drawMs, 1.0));
    std::printf("             last lines drawn: \"%s\" / \"%s\"%s\n", qPrintable(lines.Line1),
        qPrintable(lines.Line2),
        lines.Line1.isEmpty() || lines.Line2.isEmpty() ? "  BEWARE: not both lines" : "");
    std::fflush(stdout);
}

// ---- full-speed playback ----

// Milliseconds of processor time the process has had, all threads together.
double processorMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Frames per second of the media system at maximum speed from the start to
// its end-of-stream handler, 0 when the end never came; cpuPerFrame gets the
// processor milliseconds the process spent per frame, which another load on
// the machine disturbs less than the wall time. The wait sleeps in the event
// loop: polling would take a core from the decoder on a 2-core machine. The
// position is read as the main window reads it.
double playback(TMediaSystem& media, std::atomic<int>& rendered, int& frames, double& cpuPerFrame)
{
    media.Pause();
    media.SetPosition(0);
    QEventLoop loop;
    bool ended = false;
    media.SetCompleteHandler([&] {
        ended = true;
        loop.quit();
    });
    QTimer positions;
    positions.setInterval(PositionPollMs);
    QObject::connect(&positions, &QTimer::timeout, [&] { media.CurrentPosition(); });
    QTimer::singleShot(300'000, &loop, &QEventLoop::quit);
    rendered = 1; // the frame the seek showed
    QElapsedTimer clock;
    const double cpuBefore = processorMs();
    clock.start();
    media.Play();
    positions.start();
    if (!ended) loop.exec();
    const double ms = clock.nsecsElapsed() / 1e6;
    const double cpu = processorMs() - cpuBefore;
    positions.stop();
    media.SetCompleteHandler({});
    frames = rendered.load();
    cpuPerFrame = ended && frames > 0 ? cpu / frames : 0;
    return ended && ms > 0 ? frames * 1000.0 / ms : 0;
}

void playbackCost(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    forgetStream();
    TMediaSystem media;
    TVideoRenderer renderer;
    media.SetVideoWindow(&renderer);
    LastPosition = 0;
    const auto builder = std::make_unique<TGrabBuilder>(path);
    if (builder->Failed || builder->VideoSources.Count() == 0) {
        std::printf("%s: the media system could not open it; skipped\n", qPrintable(name));
        return;
    }
    // Video alone, as fast as it decodes.
    media.SpeedMode = 1;
    TAudioSource* audio = builder->AudioSources.Count() ? builder->AudioSources.Items(0) : nullptr;
    if (!media.SelectSources(builder->VideoSources.Items(0), audio) || !media.SeekTo(0)) {
        std::printf("%s: the media system could not show its first frame; skipped\n", qPrintable(name));
        media.ReleaseAll();
        return;
    }
    // After the first frame: the automatic font size is taken from the
    // picture's width.
    media.SetInlaySettings(benchSettings());
    std::atomic<int> rendered { 0 };
    if (!renderer.Filter() || !countFramesInto(renderer.Filter()->Element(), &rendered)) {
        std::printf("%s: no renderer to count frames at; skipped\n", qPrintable(name));
        media.ReleaseAll();
        return;
    }
    const bool datecode = VideoSnapshot().DatecodeValid;
    std::printf("%s: %dx%d, %.2f s, font cell %d px; %s\n", qPrintable(name), media.Superposer.Width.load(),
        media.Superposer.Height.load(), media.Duration / 1e7, media.Superposer.LineHeight(),
        datecode ? "it has a DV datecode: the inlay shows its date and time"
                 : "no DV datecode: the inlay shows the position timestamp (one line)");
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    std::printf("  load average before: %s",
        loadavg.open(QIODevice::ReadOnly) ? loadavg.readLine().constData() : "?\n");
    std::fflush(stdout);

    std::vector<double> off, on, pairs, cpuOff, cpuOn;
    int frames = 0;
    TInlayLines shown;
    // One run of each first, uncounted: it warms the decoder and the caches.
    for (int run = 0; run <= PlaybackRuns; ++run) {
        double fps[2] = {}, cpu[2] = {};
        // Each pair starts with the other one than the last did, so that
        // neither always runs on a machine warmed by the other.
        for (int k = 0; k < 2; ++k) {
            const bool inlay = (k + run) % 2 == 1;
            media.SetInlayEnabled(inlay);
            fps[inlay] = playback(media, rendered, frames, cpu[inlay]);
            if (inlay) shown = media.Superposer.LastLines();
        }
        media.SetInlayEnabled(false);
        if (run == 0) continue;
        std::printf(
            "  run %d: inlay off %6.1f fps, on %6.1f fps, on/off %.3f | processor per frame off %.2f ms, "
            "on %.2f ms  (%d frames)\n",
            run, fps[0], fps[1], fps[0] > 0 ? fps[1] / fps[0] : 0.0, cpu[0], cpu[1], frames);
        std::fflush(stdout);
        off.push_back(fps[0]);
        on.push_back(fps[1]);
        if (fps[0] > 0) pairs.push_back(fps[1] / fps[0]);
        cpuOff.push_back(cpu[0]);
        cpuOn.push_back(cpu[1]);
    }
    const double offFps = median(off), onFps = median(on);
    if (offFps <= 0 || onFps <= 0) {
        std::printf("  playback failed (off %.1f fps, on %.1f fps)\n", offFps, onFps);
    } else {
        const double ratio = onFps / offFps;
        std::printf("  full-speed playback, median of %d: inlay off %.1f fps, on %.1f fps, on/off %.3f"
                    " (median of the runs' own ratios %.3f); target >= 0.9: %s\n",
            PlaybackRuns, offFps, onFps, ratio, median(pairs), ratio >= 0.9 ? "met" : "MISSED");
        const double c0 = median(cpuOff), c1 = median(cpuOn);
        std::printf(
            "  processor time per frame, median: inlay off %.2f ms, on %.2f ms (%+.3f ms, off/on %.3f)\n", c0,
            c1, c1 - c0, c1 > 0 ? c0 / c1 : 0.0);
        std::printf(
            "  last lines drawn: \"%s\" / \"%s\"\n", qPrintable(shown.Line1), qPrintable(shown.Line2));
    }
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
    const QString path = QDir(folder).filePath(QStringLiteral("h264-1080p.mkv"));
    if (QFileInfo(path).size() == 0) {
        std::fprintf(stderr, "making the benchmark media in %s (once)...\n", qPrintable(folder));
        const int rc = QProcess::execute(QStringLiteral("/bin/sh"),
            { QStringLiteral(STILLEX_SOURCE_DIR "/bench/make-bench-media.sh"), folder });
        if (rc != 0) {
            std::fprintf(
                stderr, "stillex_inlay_bench: bench/make-bench-media.sh failed (exit %d); no figures\n", rc);
            return 1;
        }
    }

    std::printf("The inlay's drawing alone, median of %d frames (mode 5 with a DV datecode: date and time "
                "lines; 2-pixel outline; automatic font size)\n",
        DrawFrames);
    drawingCost(720, 576);
    drawingCost(1920, 1080);
    std::printf("\n");

    DetectInstalledFilters();
    std::printf("Full-speed playback through the media system, video alone, no clock\n");
    playbackCost(path);
    return 0;
}
