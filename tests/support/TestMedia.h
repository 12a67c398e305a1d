#pragma once
// Where the tests find their generated media files (tests/make-media.sh lists
// them). The folder is $STILLEX_TEST_MEDIA (set by ctest), or a folder in the
// temporary directory when the program runs on its own. A missing file is
// made on the spot by running the script; when it still cannot be had, the
// test FAILS (a missing fixture must not pass for a skipped test) and the
// path is empty:
//
//     const QString path = TestMediaPath("dv-pal-4x3.dv");
//     ASSERT_FALSE(path.isEmpty());

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

inline QString TestMediaFolder()
{
    const QString folder = qEnvironmentVariable("STILLEX_TEST_MEDIA");
    if (!folder.isEmpty()) return folder;
    return QDir(QDir::tempPath()).filePath(QStringLiteral("stillex-test-media"));
}

inline QString TestMediaPath(const QString& name)
{
    static QMutex lock;
    QMutexLocker locker(&lock);

    const QString folder = TestMediaFolder();
    const QString path = QDir(folder).filePath(name);
    if (QFileInfo(path).size() > 0) return path;

    const QString script = QStringLiteral(STILLEX_SOURCE_DIR "/tests/make-media.sh");
    QProcess maker;
    maker.setProcessChannelMode(QProcess::MergedChannels);
    maker.start(QStringLiteral("/bin/sh"), { script, folder });
    const bool finished = maker.waitForStarted(10000) && maker.waitForFinished(180000);
    const QString output = QString::fromLocal8Bit(maker.readAll());
    if (!finished) maker.kill();
    if (QFileInfo(path).size() > 0) return path;

    ADD_FAILURE() << "test media " << name.toStdString() << " is missing and " << script.toStdString()
                  << " could not make it in " << folder.toStdString() << (finished ? "" : " (did not finish)")
                  << ":\n"
                  << output.toStdString();
    return {};
}

// The number burnt into a numbered fixture's picture: a strip of 20-pixel
// cells at the top, cell k white when bit k is set; -1 without a picture.
inline int FrameNumberIn(const QImage& image, int cells = 16)
{
    if (image.isNull() || image.width() < cells * 20 || image.height() < 16) return -1;
    int n = 0;
    for (int k = 0; k < cells; ++k)
        if (qGreen(image.pixel(20 * k + 10, 8)) > 128) n |= 1 << k;
    return n;
}
