// Image files of grabs: BMP byte layout, JPEG round trip, and failures that
// must leave an existing file untouched.

#include "capture/TImageWriter.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace
{

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 le(const QByteArray& b, int at, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | static_cast<uchar>(b[at + i]);
    return v;
}

QImage pattern(int w, int h, QImage::Format format)
{
    QImage image(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(10 + x, 100 + y, 200 + x + 10 * y));
    return image;
}

void checkBmp(const QString& path, const QImage& image)
{
    const int w = image.width();
    const int h = image.height();
    const int row = (w * 3 + 3) / 4 * 4;
    const QByteArray b = readAll(path);
    ASSERT_EQ(b.size(), 54 + row * h);
    EXPECT_EQ(b.left(2), "BM");
    EXPECT_EQ(le(b, 2, 4), quint32(b.size()));
    EXPECT_EQ(le(b, 6, 4), 0u);
    EXPECT_EQ(le(b, 10, 4), 54u);
    EXPECT_EQ(le(b, 14, 4), 40u);
    EXPECT_EQ(le(b, 18, 4), quint32(w));
    EXPECT_EQ(le(b, 22, 4), quint32(h));
    EXPECT_EQ(le(b, 26, 2), 1u);
    EXPECT_EQ(le(b, 28, 2), 24u);
    EXPECT_EQ(le(b, 30, 4), 0u);
    EXPECT_EQ(le(b, 34, 4), quint32(row * h));
    for (int y = 0; y < h; ++y) {
        const int start = 54 + (h - 1 - y) * row; // bottom-up
        for (int x = 0; x < w; ++x) {
            const QRgb p = image.pixel(x, y);
            EXPECT_EQ(uchar(b[start + 3 * x]), qBlue(p));
            EXPECT_EQ(uchar(b[start + 3 * x + 1]), qGreen(p));
            EXPECT_EQ(uchar(b[start + 3 * x + 2]), qRed(p));
        }
        for (int i = w * 3; i < row; ++i)
            EXPECT_EQ(b[start + i], 0) << "padding of row " << y;
    }
    const QImage back(path);
    ASSERT_EQ(back.size(), image.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(back.pixel(x, y), image.pixel(x, y));
}

} // namespace

TEST(ImageWriter, BmpIsByteExact)
{
    QTemporaryDir dir;
    TImageWriter writer;
    QString error;
    const QImage padded = pattern(3, 2, QImage::Format_RGB32);
    ASSERT_TRUE(writer.WriteBmp(padded, dir.filePath("a.bmp"), &error)) << error.toStdString();
    checkBmp(dir.filePath("a.bmp"), padded);
    const QImage exact = pattern(4, 1, QImage::Format_RGB888);
    ASSERT_TRUE(writer.WriteBmp(exact, dir.filePath("é b.bmp"), &error)) << error.toStdString();
    checkBmp(dir.filePath("é b.bmp"), exact);
    // No temporary file is left behind, and a new file is readable by others
    // as any file the user makes.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(writer.WriteBmp(exact, dir.filePath("mode.bmp"), &error));
    ::umask(mask);
    struct stat info {
    };
    ASSERT_EQ(::stat(QFile::encodeName(dir.filePath("mode.bmp")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, mode_t(0644)) << std::oct << (info.st_mode & 0777);
}

TEST(ImageWriter, JpegRoundTripAndQuality)
{
    QTemporaryDir dir;
    TImageWriter writer;
    QString error;
    QImage image(160, 120, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x + 40, 2 * y, (x + y) / 2));
    const QString good = dir.filePath("good.jpg");
    const QString poor = dir.filePath("poor.jpg");
    ASSERT_TRUE(writer.WriteJpeg(image, good, 95, &error)) << error.toStdString();
    ASSERT_TRUE(writer.WriteJpeg(image.convertToFormat(QImage::Format_RGB888), poor, 10, &error));
    EXPECT_LT(QFileInfo(poor).size(), QFileInfo(good).size());

    const QImage back(good);
    ASSERT_EQ(back.size(), image.size());
    for (QPoint p : { QPoint(0, 0), QPoint(80, 60), QPoint(159, 119), QPoint(10, 100) }) {
        const QRgb a = image.pixel(p);
        const QRgb b = back.pixel(p);
        EXPECT_NEAR(qRed(a), qRed(b), 6);
        EXPECT_NEAR(qGreen(a), qGreen(b), 6);
        EXPECT_NEAR(qBlue(a), qBlue(b), 6);
    }
    EXPECT_FALSE(QImage(poor).isNull());

    // Frames are encoded from their 32-bit pixels as they are: the same file
    // as from 24-bit pixels, so no channel is swapped and no byte of padding
    // is read as colour.
    QImage padded = image;
    for (int y = 0; y < padded.height(); ++y) // a padding byte that is not 0xFF
        for (int x = 0; x < padded.width(); ++x)
            reinterpret_cast<QRgb*>(padded.scanLine(y))[x] &= 0x00FFFFFFu;
    const QString wide = dir.filePath("wide.jpg");
    const QString narrow = dir.filePath("narrow.jpg");
    ASSERT_TRUE(writer.WriteJpeg(padded, wide, 50, &error));
    ASSERT_TRUE(writer.WriteJpeg(image.convertToFormat(QImage::Format_RGB888), narrow, 50, &error));
    EXPECT_EQ(readAll(wide), readAll(narrow));
}

TEST(ImageWriter, FailedWritesKeepTheOldFile)
{
    QTemporaryDir dir;
    TImageWriter writer;
    const QImage image = pattern(8, 8, QImage::Format_RGB32);
    QString error;

    EXPECT_FALSE(writer.WriteBmp(image, dir.filePath("missing/a.bmp"), &error));
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(writer.WriteJpeg(image, dir.filePath("missing/a.jpg"), 50, &error));
    EXPECT_FALSE(error.isEmpty());

    // The encoder gives up (too wide for JPEG): the old file stays, the
    // encoder stays usable.
    const QString target = dir.filePath("old.jpg");
    const QByteArray old("old contents");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    error.clear();
    EXPECT_FALSE(writer.WriteJpeg(QImage(70000, 1, QImage::Format_RGB888), target, 50, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(target), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    ASSERT_TRUE(writer.WriteJpeg(image, dir.filePath("after.jpg"), 50, &error));
    EXPECT_EQ(QImage(dir.filePath("after.jpg")).size(), image.size());

    // The disk fills up in the middle of the new picture, new file or
    // replacement: nothing cut is left under either name.
    {
        struct rlimit limit {
        };
        getrlimit(RLIMIT_FSIZE, &limit);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = limit;
        small.rlim_cur = 100;
        setrlimit(RLIMIT_FSIZE, &small);
        error.clear();
        const bool replaced = writer.WriteBmp(image, target, &error);
        const bool added = writer.WriteBmp(image, dir.filePath("full.bmp"), nullptr);
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, handler);
        EXPECT_FALSE(replaced);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(added);
        EXPECT_EQ(readAll(target), old);
        EXPECT_FALSE(QFile::exists(dir.filePath("full.bmp")));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    // A folder that cannot take a new file: the target keeps its bytes.
    QTemporaryDir locked;
    const QString kept = locked.filePath("kept.bmp");
    {
        QFile f(kept);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    const auto rw = QFile::permissions(locked.path());
    QFile::setPermissions(locked.path(),
        QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
            | QFile::ExeOther);
    QFile probe(locked.filePath("probe"));
    if (probe.open(QIODevice::WriteOnly)) { // root ignores the permissions
        probe.remove();
    } else {
        error.clear();
        EXPECT_FALSE(writer.WriteBmp(image, kept, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(writer.WriteJpeg(image, kept, 50, &error));
        EXPECT_EQ(readAll(kept), old);
        EXPECT_EQ(QDir(locked.path()).entryList(QDir::Files).size(), 1);
    }
    QFile::setPermissions(locked.path(), rw);
}
