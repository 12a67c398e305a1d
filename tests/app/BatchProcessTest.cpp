// The program run from a terminal with no display, as a batch: the job done
// and status 0, or the error on standard error and status 1; and the desktop
// entry's command line opening the file a file manager hands it.

#include "tests/support/TestMedia.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace
{

struct TRun {
    int status = -1;
    QString errors;
};

class BatchProcess : public ::testing::Test
{
protected:
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("STILLEX_REGISTRY_DIR"), m_registry.path());
        return env;
    }
    TRun finish(QProcess& process)
    {
        TRun run;
        if (!process.waitForStarted(10000) || !process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "the program did not end";
            return run;
        }
        run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.errors = QString::fromUtf8(process.readAllStandardError());
        return run;
    }
    TRun stillex(const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(STILLEX_EXECUTABLE), arguments);
        return finish(process);
    }
    void copies(const QString& folder, int count)
    {
        const QString source = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
        ASSERT_FALSE(source.isEmpty());
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(QFile::copy(source, QDir(folder).filePath(QStringLiteral("clip %1.mkv").arg(i))));
    }
    QStringList images() const { return QDir(m_images.path()).entryList(QDir::Files); }

    QTemporaryDir m_registry, m_images, m_videos;
};

} // namespace

TEST_F(BatchProcess, AFolderJobWritesItsImagesAndEndsWithZero)
{
    copies(m_videos.path(), 3);
    const TRun run = stillex({ "+df=" + m_images.path(), "+bmp", "+open=" + m_videos.path() + "/*.mkv",
        "+position=0:00:02:00", "+grab", "++", "-q" });
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    ASSERT_EQ(images().size(), 3);
    for (const QString& name : images())
        EXPECT_EQ(FrameNumberIn(QImage(QDir(m_images.path()).filePath(name))), 50) << name.toStdString();
}

TEST_F(BatchProcess, AnErrorGoesToStandardErrorAndEndsWithOne)
{
    copies(m_videos.path(), 1);
    // A folder the program cannot write into; root writes anywhere but in
    // the kernel's own folders.
    QString folder = m_images.path();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (geteuid() == 0) folder = QStringLiteral("/proc");
    const TRun run = stillex({ "+df=" + folder, "+open=" + m_videos.path() + "/*.mkv", "+position=0:00:02:00",
        "+grab", "++", "-q" });
    QFile::setPermissions(m_images.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.errors.contains(folder)) << run.errors.toStdString();
    EXPECT_TRUE(images().isEmpty());

    // An unknown switch is an error too; the rest still runs.
    const TRun unknown = stillex(
        { "+df=" + m_images.path(), "+o=" + m_videos.path() + "/clip 0.mkv", "+bogus", "+grab", "-q" });
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(
        unknown.errors.contains(QStringLiteral("Commande inconnue \"+bogus\" sur la ligne de commande.")))
        << unknown.errors.toStdString();
    EXPECT_EQ(images().size(), 1);
}

TEST_F(BatchProcess, ABareArgumentIsNamedWithTheSwitchThatWouldOpenIt)
{
    const TRun run = stillex({ "clip.avi", "-q" });
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(
        QStringLiteral("Argument ignoré \"clip.avi\": pour ouvrir ce fichier, écrire +o=clip.avi\n")))
        << run.errors.toStdString();
}

// A file manager expands %f to the file's path as one argument: quoted for
// the shell inside the word it stands in.
TEST_F(BatchProcess, TheDesktopEntryOpensTheFileAFileManagerPasses)
{
    copies(m_videos.path(), 1);
    QFile desktop(QStringLiteral(STILLEX_SOURCE_DIR "/data/stillex.desktop"));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    const QRegularExpressionMatch exec
        = QRegularExpression(QStringLiteral("^Exec=(\\S+) (.*)$"), QRegularExpression::MultilineOption)
              .match(QString::fromUtf8(desktop.readAll()));
    ASSERT_TRUE(exec.hasMatch());
    EXPECT_EQ(exec.captured(1), QStringLiteral("stillex"));
    auto quoted = [](QString text) { return "'" + text.replace("'", "'\\''") + "'"; };
    QString line = exec.captured(2);
    ASSERT_TRUE(line.contains(QStringLiteral("%f")));
    line.replace(QStringLiteral("%f"), quoted(QDir(m_videos.path()).filePath(QStringLiteral("clip 0.mkv"))));

    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"),
            QStringLiteral("exec %1 %2 %3 +g -q")
                .arg(quoted(QStringLiteral(STILLEX_EXECUTABLE)), line, quoted("+df=" + m_images.path())) });
    const TRun run = finish(process);
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_EQ(images().size(), 1);
}
