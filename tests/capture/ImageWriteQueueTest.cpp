// The images of a run written behind it: in order, all of them before a drain
// returns, and nothing after the first failure.

#include "capture/TImageWriteQueue.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{
QImage numbered(int n)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(qRgb(n * 20, 255 - n * 20, 128));
    return image;
}

int numberOf(const QString& path)
{
    const QImage back(path);
    return back.isNull() ? -1 : (qRed(back.pixel(32, 24)) + 10) / 20;
}
} // namespace

TEST(ImageWriteQueue, WritesEveryImageInOrderBeforeTheDrainReturns)
{
    QTemporaryDir dir;
    TImageWriteQueue queue(2);
    // One name pushed twice: the later picture is the one left, as when the
    // writes were made one after the other.
    for (int n = 0; n < 8; ++n) {
        const QString path = dir.filePath(n == 7 ? QStringLiteral("3.jpg") : QStringLiteral("%1.jpg").arg(n));
        ASSERT_TRUE(queue.Push({ numbered(n), path, true, 90 }));
        EXPECT_TRUE(queue.IsPending(path) || QFile::exists(path));
    }
    QString error;
    int lost = -1;
    EXPECT_TRUE(queue.Drain(&error, &lost));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(lost, 0);
    EXPECT_FALSE(queue.IsPending(dir.filePath(QStringLiteral("6.jpg"))));
    for (int n = 0; n < 7; ++n)
        EXPECT_EQ(numberOf(dir.filePath(QStringLiteral("%1.jpg").arg(n))), n == 3 ? 7 : n) << n;

    // BMP goes the same way, and the queue's end writes what is left.
    {
        TImageWriteQueue last(1);
        for (int n = 0; n < 3; ++n)
            ASSERT_TRUE(last.Push({ numbered(n), dir.filePath(QStringLiteral("b%1.bmp").arg(n)), false, 0 }));
    }
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(numberOf(dir.filePath(QStringLiteral("b%1.bmp").arg(n))), n);
}

TEST(ImageWriteQueue, AFailureDropsWhatFollowsAndKeepsOldFiles)
{
    QTemporaryDir dir;
    const QString kept = dir.filePath(QStringLiteral("kept.jpg"));
    {
        QFile f(kept);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old contents");
    }
    TImageWriteQueue queue(8);
    ASSERT_TRUE(queue.Push({ numbered(1), dir.filePath(QStringLiteral("1.jpg")), true, 50 }));
    // A folder that does not exist, then images that would have been fine.
    ASSERT_TRUE(queue.Push({ numbered(2), dir.filePath(QStringLiteral("gone/2.jpg")), true, 50 }));
    int accepted = 0;
    for (int n = 3; n < 6; ++n) {
        const QString path = n == 5 ? kept : dir.filePath(QStringLiteral("%1.jpg").arg(n));
        accepted += queue.Push({ numbered(n), path, true, 50 }) ? 1 : 0;
    }
    QString error;
    int lost = 0;
    EXPECT_FALSE(queue.Drain(&error, &lost));
    EXPECT_TRUE(error.contains(QStringLiteral("gone/2.jpg"))) << error.toStdString();
    // The failed image and every one queued after it; those refused once it
    // had failed were never queued.
    EXPECT_EQ(lost, 1 + accepted);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name), QStringList({ "1.jpg", "kept.jpg" }));
    QFile f(kept);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old contents"));

    // Once drained, the queue works again.
    EXPECT_FALSE(queue.Failed());
    ASSERT_TRUE(queue.Push({ numbered(4), dir.filePath(QStringLiteral("4.jpg")), true, 50 }));
    EXPECT_TRUE(queue.Drain());
    EXPECT_EQ(numberOf(dir.filePath(QStringLiteral("4.jpg"))), 4);
}
