// The EXIF block of saved JPEGs: read back with libexif and with the
// command-line reader when it is installed, the picture data unchanged by
// it, and a failed write with it leaving the old file as it was.

#include "capture/TExifBlock.h"
#include "capture/TImageWriter.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <libexif/exif-data.h>
#include <map>
#include <string>
#include <sys/resource.h>

namespace
{

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QImage pattern(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, (x + y) & 255));
    return image;
}

// Every tag libexif finds in the file, by name, as text.
std::map<std::string, std::string> tagsOf(const QString& path)
{
    std::map<std::string, std::string> tags;
    ExifData* data = exif_data_new_from_file(QFile::encodeName(path).constData());
    if (!data) return tags;
    for (ExifIfd ifd : { EXIF_IFD_0, EXIF_IFD_EXIF }) {
        ExifContent* content = data->ifd[ifd];
        for (unsigned i = 0; content && i < content->count; ++i) {
            char text[256] = {};
            ExifEntry* e = content->entries[i];
            exif_entry_get_value(e, text, sizeof text);
            tags[exif_tag_get_name_in_ifd(e->tag, ifd)] = text;
        }
    }
    exif_data_unref(data);
    return tags;
}

// The file without its APP1 segments.
QByteArray withoutApp1(const QByteArray& jpeg)
{
    QByteArray out = jpeg.left(2);
    int at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xFF) {
        const int marker = uchar(jpeg[at + 1]);
        if (marker == 0xDA) break; // the scan: the rest is picture data
        const int length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
        if (marker != 0xE1) out += jpeg.mid(at, 2 + length);
        at += 2 + length;
    }
    return out + jpeg.mid(at);
}

} // namespace

TEST(ExifBlock, TagsReadBackThePictureIsUnchangedAndAFailedWriteKeepsTheOldFile)
{
    QTemporaryDir dir;
    TImageWriter writer;
    const QImage image = pattern(96, 64);
    TExifBlock exif;
    exif.Recorded = QDateTime(QDate(2004, 7, 15), QTime(15, 23, 45));
    exif.SubSecond = 4;
    QString error;
    const QString dated = dir.filePath("dated.jpg");
    ASSERT_TRUE(writer.WriteJpeg(image, dated, 75, &error, &exif)) << error.toStdString();
    auto tags = tagsOf(dated);
    EXPECT_EQ(tags.count("DateTime"), 0u);
    EXPECT_EQ(tags["DateTimeOriginal"], "2004:07:15 15:23:45");
    EXPECT_EQ(tags["DateTimeDigitized"], "2004:07:15 15:23:45");
    EXPECT_EQ(tags["SubSecTimeOriginal"], "04");
    EXPECT_EQ(tags["Software"], "Stillex 5.0.6");
    EXPECT_EQ(tags["PixelXDimension"], "96");
    EXPECT_EQ(tags["PixelYDimension"], "64");

    // No date known: no date tag at all, never the time of the grab.
    const QString undated = dir.filePath("undated.jpg");
    TExifBlock none;
    ASSERT_TRUE(writer.WriteJpeg(image, undated, 75, &error, &none));
    tags = tagsOf(undated);
    EXPECT_EQ(tags["Software"], "Stillex 5.0.6");
    for (const char* name : { "DateTime", "DateTimeOriginal", "DateTimeDigitized", "SubSecTimeOriginal" })
        EXPECT_EQ(tags.count(name), 0u) << name;

    // The same picture without the block: the same bytes but the segment.
    const QString plain = dir.filePath("plain.jpg");
    ASSERT_TRUE(writer.WriteJpeg(image, plain, 75, &error));
    EXPECT_TRUE(tagsOf(plain).empty());
    EXPECT_EQ(withoutApp1(readAll(dated)), readAll(plain));
    EXPECT_EQ(QImage(dated), QImage(plain));

    // The disk fills up after the block: the old file stays as it was.
    const QByteArray old = readAll(plain);
    struct rlimit limit {
    };
    getrlimit(RLIMIT_FSIZE, &limit);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = limit;
    small.rlim_cur = 300;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool replaced = writer.WriteJpeg(image, plain, 90, &error, &exif);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, handler);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(readAll(plain), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);

    // Another reader agrees, when the system has one.
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("exif"));
    if (!tool.isEmpty()) {
        QProcess reader;
        reader.start(tool, { QStringLiteral("-m"), QStringLiteral("--ifd=EXIF"), dated });
        ASSERT_TRUE(reader.waitForFinished(10000));
        const QString out = QString::fromUtf8(reader.readAllStandardOutput());
        EXPECT_TRUE(out.contains(QStringLiteral("2004:07:15 15:23:45"))) << out.toStdString();
    }
}
