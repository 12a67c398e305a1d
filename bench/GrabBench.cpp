// How long one grab takes (frame copy, deinterlacing, squeeze to the output
// size, JPEG encoding and the file write), set against libjpeg-turbo's own
// cjpeg encoding the same output picture at the same quality in the same run.
//
//     stillex_grab_bench [QUALITY]
//
// The frames are synthetic: colour bars and gradients with a moving edge
// combed as interlaced video is, so the deinterlacer has real work. Figures
// are medians. cjpeg's wall time includes its process start, so it is also
// shown less the time cjpeg takes on an 8x8 picture, which compares the
// encoding and writing alone.

#include "capture/ImageStretch.h"
#include "capture/TImageWriter.h"
#include "filters/Deinterlace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
constexpr int Runs = 25;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Bars and gradients, with a diagonal edge whose even and odd rows are
// shifted as two fields 20 ms apart would be.
QImage makeFrame(int width, int height)
{
    QImage frame(width, height, QImage::Format_RGB32);
    static const QRgb bars[]
        = { 0xffc0c0c0, 0xffc0c000, 0xff00c0c0, 0xff00c000, 0xffc000c0, 0xffc00000, 0xff0000c0 };
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
        const int shift = (y & 1) ? width / 40 : 0;
        for (int x = 0; x < width; ++x) {
            if (y < height / 2)
                row[x] = bars[x * 7 / width];
            else
                row[x] = qRgb(x * 255 / width, y * 255 / height, (x + y) & 255);
            if (x + shift > y * width / height && x + shift < y * width / height + width / 8)
                row[x] = 0xffffffff;
        }
    }
    return frame;
}

// Median wall time of cjpeg on one PPM file.
double cjpegTime(const QString& ppm, const QString& jpeg, int quality)
{
    std::vector<double> times;
    QElapsedTimer clock;
    for (int i = 0; i < Runs + 1; ++i) {
        QProcess p;
        clock.start();
        p.start(QStringLiteral("cjpeg"),
            { QStringLiteral("-quality"), QString::number(quality), QStringLiteral("-outfile"), jpeg, ppm });
        p.waitForFinished(-1);
        const double ms = clock.nsecsElapsed() / 1e6;
        if (p.exitCode() != 0) return -1;
        if (i) times.push_back(ms);
    }
    return median(times);
}

// cjpeg's start and exit alone: the same call on an 8x8 picture.
double s_cjpegStart = 0;

void measure(int width, int height, QSize output, int quality, const QString& folder)
{
    const QImage filterBitmap = makeFrame(width, height);
    QImage source, deinterlaced, out;
    TImageWriter writer;
    const QString ours = folder + QStringLiteral("/ours.jpg");
    std::vector<double> grab, encodeOnly;
    QElapsedTimer clock;
    for (int i = 0; i < Runs + 1; ++i) {
        clock.start();
        source = filterBitmap.copy(); // the copy taken under the filter's lock
        Deinterlace(source, deinterlaced);
        source = deinterlaced;
        StretchImage(source, out, output);
        const qint64 before = clock.nsecsElapsed();
        QString error;
        if (!writer.WriteJpeg(out, ours, quality, &error)) {
            std::printf("write failed: %s\n", qPrintable(error));
            return;
        }
        const double total = clock.nsecsElapsed() / 1e6;
        if (i == 0) continue; // warms the caches and the encoder's buffers
        grab.push_back(total);
        encodeOnly.push_back(total - before / 1e6);
    }

    // The same output picture for cjpeg, as the PPM it reads fastest.
    const QString ppm = folder + QStringLiteral("/frame.ppm");
    out.save(ppm, "PPM");
    const QString theirs = folder + QStringLiteral("/cjpeg.jpg");
    const double c = cjpegTime(ppm, theirs, quality);
    if (c < 0) {
        std::printf("cjpeg failed\n");
        return;
    }
    const double g = median(grab), e = median(encodeOnly);
    const double cEncode = std::max(c - s_cjpegStart, 0.01);
    std::printf(
        "%4dx%-4d -> %4dx%-4d  grab %6.2f ms, of which encode+write %5.2f | cjpeg %6.2f ms, less its start "
        "%5.2f | grab/cjpeg %.2f, encode+write/cjpeg-less-start %.2f | sizes %lld / %lld bytes\n",
        width, height, output.width(), output.height(), g, e, c, cEncode, g / c, e / cEncode,
        QFileInfo(ours).size(), QFileInfo(theirs).size());
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int quality = argc > 1 ? std::clamp(QString::fromLocal8Bit(argv[1]).toInt(), 1, 100) : 50;
    if (QStandardPaths::findExecutable(QStringLiteral("cjpeg")).isEmpty()) {
        std::printf("cjpeg is missing (Debian package libjpeg-turbo-progs)\n");
        return 1;
    }
    QTemporaryDir folder;
    const QString tiny = folder.path() + QStringLiteral("/tiny.ppm");
    QImage(8, 8, QImage::Format_RGB888).save(tiny, "PPM");
    s_cjpegStart = cjpegTime(tiny, folder.path() + QStringLiteral("/tiny.jpg"), quality);
    std::printf("JPEG quality %d, medians of %d grabs\n", quality, Runs);
    measure(720, 576, QSize(720, 405), quality, folder.path());
    measure(720, 576, QSize(720, 576), quality, folder.path());
    measure(1920, 1080, QSize(1920, 1080), quality, folder.path());
    return 0;
}
