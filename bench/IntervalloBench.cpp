// How fast the intervallometer of the main window writes its images, set
// against ffmpeg doing the same job on the same file in the same run, so that
// the machine's speed and load cancel out of the ratio.
//
//     stillex_intervallo_bench [FOLDER [PARTS]]
//
// PARTS, to look at one case closely (under a profiler), is a comma-separated
// choice among h264, mpeg2, dv and normal; all of them by default.
//
// Precision mode, one image every image: the whole file played at full speed
// and every frame written as JPEG (the default quality, the inlay off, no
// deinterlacing), in frames per second, against
// `ffmpeg -v error -i FILE -q:v 2 OUT/%05d.jpg`, on the 1080p H.264, 576i
// MPEG-2 and DV bench files. Both must write exactly one image per frame.
//
// Normal mode, one image every 10 s on the 1080p file: a seek to each point
// and its frame written, in time per image, against one
// `ffmpeg -v error -ss T -i FILE -frames:v 1 OUT.jpg` per point. The last
// point lies at the end of the file, past its last frame, where the window
// takes the last frame: ffmpeg writes nothing there, so it is asked for the
// last frame's time instead.
//
// The whole run goes through the window's command, as a click on the bar's
// switch does, with a window made as the tests make theirs: settings of its
// own, nothing stored. FOLDER holds the files bench/make-bench-media.sh makes
// (made on the spot when missing); by default the build tree's bench/media.
// Figures are medians, ours and ffmpeg taking turns; each run writes into a
// folder of its own, deleted afterwards. On a shared machine expect a spread
// of 10 to 25 %.
//
// Each of our runs also prints a digest of what it wrote (every file's bytes,
// in name order; not the names, whose numbers go on from run to run): a
// change that must leave the images as they are keeps the digest of every
// case the same from one run and one build to the next.

#include "app/TShowForm.h"
#include "automation/TCustomSuperAction.h"
#include "bench/BenchSupport.h"
#include "media/InstalledFilters.h"
#include "platform/Registry.h"
#include "prefs/Preferences.h"
#include "prefs/StoreMode.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "prefs/TWideStringParameter.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <gst/gst.h>
#include <memory>
#include <vector>

namespace
{
constexpr int PrecisionRuns = 3;
constexpr int NormalRuns = 5;
constexpr int NormalStepSeconds = 10;
constexpr int RunLimitMs = 600'000;

void printLoad()
{
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    std::printf("  load average before: %s",
        loadavg.open(QIODevice::ReadOnly) ? loadavg.readLine().constData() : "?\n");
    std::fflush(stdout);
}

// What one run left in its folder.
struct Written {
    double ms = 0; // 0 when the run failed
    int images = 0;
    QSize picture; // of the first image
    double meanBytes = 0;
    QByteArray digest; // of the bytes of every file, in name order
};

Written inspect(const QString& folder, double ms)
{
    Written w;
    w.ms = ms;
    const QDir dir(folder);
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    w.images = int(files.size());
    qint64 bytes = 0;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QFileInfo& f : files) {
        bytes += f.size();
        QFile file(f.filePath());
        if (file.open(QIODevice::ReadOnly)) hash.addData(&file);
    }
    w.digest = hash.result().toHex().left(16);
    if (!files.isEmpty()) {
        w.picture = QImageReader(files.first().filePath()).size();
        w.meanBytes = double(bytes) / double(files.size());
    }
    return w;
}

// Milliseconds of one ffmpeg call, -1 when it failed.
double runFfmpeg(const QStringList& arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    p.start(QStringLiteral("ffmpeg"), arguments);
    if (!p.waitForFinished(RunLimitMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    const double ms = clock.nsecsElapsed() / 1e6;
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? ms : -1;
}

// The number of frames ffprobe decodes from the file's first video stream.
int framesIn(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
            QStringLiteral("v:0"), QStringLiteral("-count_frames"), QStringLiteral("-show_entries"),
            QStringLiteral("stream=nb_read_frames"), QStringLiteral("-of"), QStringLiteral("csv=p=0"),
            path });
    if (!p.waitForFinished(RunLimitMs) || p.exitCode() != 0) return -1;
    // The count may come with a trailing separator (a program stream's
    // entry has one more, empty field).
    const QString text = QString::fromLatin1(p.readAllStandardOutput()).trimmed();
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^\\d+")).match(text);
    return m.hasMatch() ? m.captured().toInt() : -1;
}

class Bench
{
public:
    Bench()
    {
        qputenv("STILLEX_REGISTRY_DIR", m_registry.path().toUtf8());
        TRegistry::ResetForTests();
        StoreMode = smNone;
        DetectInstalledFilters();
        form = std::make_unique<TShowForm>();
        form->resize(1000, 700);
        form->show();
        // No box may wait for a click: everything said goes to the log.
        form->OnFailure = [this](const QString& text) { report("failure", text); };
        form->OnErrorMessage = [this](const QString& text) { report("error", text); };
        form->OnWarning = [this](const QString& text) { report("warning", text); };
        form->OnAskOverwrite = [](const QString&) { return TShowForm::TOverwriteAnswer::Yes; };
        ParImageAjouter->Value = 0; // numbered names
        ParImageExtension->Value = 1; // JPEG, at ParJpegQuality's default
        ParInternalDeinterlacer->Value = false;
        ParConfirmerImage->Value = false;
        ParWantIncrust->Value = false;
    }
    ~Bench()
    {
        form->CloseMedia();
        form.reset();
        qunsetenv("STILLEX_REGISTRY_DIR");
        TRegistry::ResetForTests();
    }
    Bench(const Bench&) = delete;

    bool Open(const QString& path)
    {
        form->OpenPath(path);
        return form->Media() && form->Media()->HasVideo();
    }

    // One run of the intervallometer from its command to its end, into a
    // folder of its own.
    Written Run(int value, int unit, bool precision)
    {
        ParValeurIntervallometre->Value = value;
        ParUnitesIntervallometre->Value = unit;
        ParModePrecision->Value = precision;
        QTemporaryDir folder;
        ParDossierSave->Value = folder.path() + QStringLiteral("/");
        form->RefreshNextImageName();
        const int failuresBefore = m_failures;

        QElapsedTimer clock;
        clock.start();
        if (!form->Action("taIntervalloGo")->Execute()) return {};
        if (form->IntervalloRunning()) {
            // Precision mode runs from the event loop: wait in it, asleep
            // between looks, so as to take no core from the decoder.
            QEventLoop loop;
            QTimer look;
            look.setInterval(5);
            QObject::connect(&look, &QTimer::timeout, &loop, [&] {
                if (!form->IntervalloRunning() || clock.elapsed() > RunLimitMs) loop.quit();
            });
            look.start();
            loop.exec();
        }
        const double ms = clock.nsecsElapsed() / 1e6;
        if (form->IntervalloRunning()) {
            std::printf("  the run did not end within %d s; stopped\n", RunLimitMs / 1000);
            form->Action("saAbort")->Execute();
            QElapsedTimer wait;
            wait.start();
            while (form->IntervalloRunning() && wait.elapsed() < 10'000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            return inspect(folder.path(), 0);
        }
        return inspect(folder.path(), m_failures == failuresBefore ? ms : 0);
    }

    std::unique_ptr<TShowForm> form;

private:
    QTemporaryDir m_registry;
    int m_failures = 0;

    void report(const char* kind, const QString& text)
    {
        ++m_failures;
        std::printf("  the window reported a %s: %s\n", kind, qPrintable(text));
        std::fflush(stdout);
    }
};

QString describe(const Written& w)
{
    return QStringLiteral("%1x%2, %3 kB")
        .arg(w.picture.width())
        .arg(w.picture.height())
        .arg(w.meanBytes / 1e3, 0, 'f', 0);
}

struct PrecisionRow {
    QString name;
    int frames = -1, oursImages = 0, ffImages = 0;
    double oursFps = 0, ffFps = 0, target = 0;
    QString oursPicture, ffPicture;
};

PrecisionRow precision(Bench& bench, const QString& path, double target)
{
    PrecisionRow row;
    row.name = QFileInfo(path).fileName();
    row.target = target;
    row.frames = framesIn(path);
    std::printf("%s: %d frames\n", qPrintable(row.name), row.frames);
    printLoad();
    if (!bench.Open(path)) {
        std::printf("  the window could not open it; skipped\n");
        return row;
    }
    std::vector<double> ours, theirs;
    for (int run = 0; run < PrecisionRuns; ++run) {
        const Written o = bench.Run(1, 0, true);
        QTemporaryDir folder;
        const double ms = runFfmpeg({ QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"),
            path, QStringLiteral("-q:v"), QStringLiteral("2"), folder.path() + QStringLiteral("/%05d.jpg") });
        const Written f = inspect(folder.path(), std::max(ms, 0.0));
        const double oFps = o.ms > 0 ? o.images * 1000.0 / o.ms : 0;
        // Frames of the file per second: an image ffmpeg repeats to keep
        // its output's rate constant is no frame more.
        const int fFrames = row.frames > 0 ? std::min(f.images, row.frames) : f.images;
        const double fFps = f.ms > 0 ? fFrames * 1000.0 / f.ms : 0;
        std::printf("  run %d: ours %d images in %.2f s = %.1f fps (digest %s) | ffmpeg %d images in %.2f s "
                    "= %.1f fps\n",
            run + 1, o.images, o.ms / 1e3, oFps, o.digest.constData(), f.images, f.ms / 1e3, fFps);
        std::fflush(stdout);
        ours.push_back(oFps);
        theirs.push_back(fFps);
        // The counts of the last run stand for all: any run that wrote
        // another number is shown as it came.
        if (run == 0 || o.images != row.frames) row.oursImages = o.images;
        if (run == 0 || f.images != row.frames) row.ffImages = f.images;
        row.oursPicture = describe(o);
        row.ffPicture = describe(f);
    }
    row.oursFps = median(ours);
    row.ffFps = median(theirs);
    bench.form->CloseMedia();
    return row;
}

struct NormalRow {
    int points = 0, oursImages = 0, ffImages = 0;
    double oursMs = 0, ffMs = 0;
    QString oursPicture, ffPicture;
};

NormalRow normal(Bench& bench, const QString& path)
{
    NormalRow row;
    std::printf("%s, one image every %d s\n", qPrintable(QFileInfo(path).fileName()), NormalStepSeconds);
    printLoad();
    if (!bench.Open(path)) {
        std::printf("  the window could not open it; skipped\n");
        return row;
    }
    // The points the window takes, in 100-ns units: from the start, one per
    // step up to the duration. One past the last frame is taken as the last.
    const TMediaSystem* media = bench.form->Media();
    const int64_t step = int64_t(NormalStepSeconds) * 10'000'000;
    const int64_t frame = media->FrameDuration > 0 ? media->FrameDuration : 400'000;
    const int64_t lastFrame = std::max<int64_t>(media->Duration - frame, 0);
    std::vector<int64_t> points;
    for (int64_t t = 0; t <= media->Duration; t += step)
        points.push_back(std::min(t, lastFrame));
    row.points = int(points.size());
    QStringList shown;
    for (int64_t t : points)
        shown << QString::number(t / 1e7, 'f', 2);
    std::printf("  duration %.3f s, frame %.1f ms; points %s s (ffmpeg asked for these)\n",
        media->Duration / 1e7, frame / 1e4, qPrintable(shown.join(QStringLiteral(", "))));

    std::vector<double> ours, theirs;
    // One run of each first, uncounted: it warms the decoders and the caches.
    for (int run = 0; run <= NormalRuns; ++run) {
        const Written o = bench.Run(NormalStepSeconds, 1, false);
        QTemporaryDir folder;
        double total = 0;
        for (size_t k = 0; k < points.size() && total >= 0; ++k) {
            const double ms = runFfmpeg({ QStringLiteral("-v"), QStringLiteral("error"),
                QStringLiteral("-ss"), QString::number(points[k] / 1e7, 'f', 3), QStringLiteral("-i"), path,
                QStringLiteral("-frames:v"), QStringLiteral("1"),
                folder.path() + QStringLiteral("/%1.jpg").arg(k, 5, 10, QLatin1Char('0')) });
            total = ms < 0 ? -1 : total + ms;
        }
        const Written f = inspect(folder.path(), std::max(total, 0.0));
        const double oPer = o.ms > 0 && o.images > 0 ? o.ms / o.images : 0;
        const double fPer = f.ms > 0 && f.images > 0 ? f.ms / f.images : 0;
        std::printf("  run %d%s: ours %d images in %.0f ms = %.0f ms each (digest %s) | ffmpeg %d images in "
                    "%.0f ms = %.0f ms each\n",
            run, run == 0 ? " (warming, not counted)" : "", o.images, o.ms, oPer, o.digest.constData(),
            f.images, f.ms, fPer);
        std::fflush(stdout);
        if (run == 0) continue;
        ours.push_back(oPer);
        theirs.push_back(fPer);
        if (run == 1 || o.images != row.points) row.oursImages = o.images;
        if (run == 1 || f.images != row.points) row.ffImages = f.images;
        row.oursPicture = describe(o);
        row.ffPicture = describe(f);
    }
    row.oursMs = median(ours);
    row.ffMs = median(theirs);
    bench.form->CloseMedia();
    return row;
}

const char* verdict(bool met)
{
    return met ? "met" : "MISSED";
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);

    for (const char* tool : { "ffmpeg", "ffprobe" })
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            std::fprintf(stderr, "stillex_intervallo_bench: %s is missing (Debian package ffmpeg)\n", tool);
            return 1;
        }
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(STILLEX_BENCH_MEDIA);
    const QString h264 = QDir(folder).filePath(QStringLiteral("h264-1080p.mkv"));
    const QString mpeg2 = QDir(folder).filePath(QStringLiteral("mpeg2-576i.mpg"));
    const QString dv = QDir(folder).filePath(QStringLiteral("dv-pal-576i.dv"));
    bool missing = false;
    for (const QString& path : { h264, mpeg2, dv })
        missing |= QFileInfo(path).size() == 0;
    if (missing) {
        std::fprintf(stderr, "making the benchmark media in %s (once)...\n", qPrintable(folder));
        const int rc = QProcess::execute(QStringLiteral("/bin/sh"),
            { QStringLiteral(STILLEX_SOURCE_DIR "/bench/make-bench-media.sh"), folder });
        if (rc != 0) {
            std::fprintf(stderr,
                "stillex_intervallo_bench: bench/make-bench-media.sh failed (exit %d); no figures\n", rc);
            return 1;
        }
    }

    const QStringList parts = argc > 2
        ? QString::fromLocal8Bit(argv[2]).split(QLatin1Char(','), Qt::SkipEmptyParts)
        : QStringList { QStringLiteral("h264"), QStringLiteral("mpeg2"), QStringLiteral("dv"),
              QStringLiteral("normal") };
    Bench bench;
    const int quality = ParJpegQuality->Value;
    std::printf(
        "Precision mode, one image every image, JPEG: ours at quality %d (the default), inlay off, no "
        "deinterlacing;\nffmpeg -q:v 2 into numbered files. Medians of %d runs, taking turns.\n",
        quality, PrecisionRuns);
    std::vector<PrecisionRow> rows;
    if (parts.contains(QLatin1String("h264"))) rows.push_back(precision(bench, h264, 1.5));
    if (parts.contains(QLatin1String("mpeg2"))) rows.push_back(precision(bench, mpeg2, 1.0));
    if (parts.contains(QLatin1String("dv"))) rows.push_back(precision(bench, dv, 1.0));
    std::printf("\n");

    NormalRow n;
    if (parts.contains(QLatin1String("normal"))) {
        std::printf(
            "Normal mode, one image every %d s: ours seeking from the window's command, ffmpeg -ss T -i FILE "
            "-frames:v 1 per point.\nMedians of %d runs after one uncounted, taking turns.\n",
            NormalStepSeconds, NormalRuns);
        n = normal(bench, h264);
        std::printf("\n");
    }

    // The table: frames of the file (points for normal mode), images each
    // wrote, the medians and their ratio against the target.
    std::printf("%-40s %7s %17s %12s %12s %12s  %s\n", "Summary", "frames", "images ours/ffm.", "ours",
        "ffmpeg", "ours/ffmpeg", "target");
    for (const PrecisionRow& r : rows) {
        const bool counts = r.frames > 0 && r.oursImages == r.frames;
        const double ratio = r.ffFps > 0 ? r.oursFps / r.ffFps : 0;
        const QString label = QStringLiteral("precision, every image: ") + r.name;
        std::printf("%-40s %7d %5d %-5s/ %-5d %8.1f fps %8.1f fps %11.2fx  >= %.1fx %s\n", qPrintable(label),
            r.frames, r.oursImages, counts ? "ok" : "WRONG", r.ffImages, r.oursFps, r.ffFps, ratio, r.target,
            verdict(counts && ratio >= r.target));
    }
    if (parts.contains(QLatin1String("normal"))) {
        const bool counts = n.points > 0 && n.oursImages == n.points;
        const double ratio = n.ffMs > 0 ? n.oursMs / n.ffMs : 0;
        const QString label
            = QStringLiteral("normal, every %1 s: ").arg(NormalStepSeconds) + QFileInfo(h264).fileName();
        std::printf("%-40s %7d %5d %-5s/ %-5d %5.0f ms/img %5.0f ms/img %11.2fx  <= 0.5x %s\n",
            qPrintable(label), n.points, n.oursImages, counts ? "ok" : "WRONG", n.ffImages, n.oursMs, n.ffMs,
            ratio, verdict(counts && ratio > 0 && ratio <= 0.5));
    }
    std::printf("(fps: frames of the file per second, an image ffmpeg repeats not counted; ms/img: time per "
                "image, ffmpeg's process starts included)\n");
    for (const PrecisionRow& r : rows)
        std::printf("(pictures, precision, %s: ours %s, ffmpeg %s on average)\n", qPrintable(r.name),
            qPrintable(r.oursPicture), qPrintable(r.ffPicture));
    if (parts.contains(QLatin1String("normal")))
        std::printf("(pictures, normal: ours %s, ffmpeg %s on average)\n", qPrintable(n.oursPicture),
            qPrintable(n.ffPicture));
    return 0;
}
