// Damaged files in the main window, as users bring them: each is opened,
// stepped, taken to its end and grabbed. Each ends working on what can be
// read or in the opening's own failure message, soon, and leaves every file
// as it was but the one image a grab writes.
//
// The files are made by tests/make-corrupt-media.py from the fixtures.

#include "app/TShowForm.h"
#include "automation/CommandContext.h"
#include "automation/TCustomSuperAction.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "prefs/TWideStringParameter.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/TestMedia.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLockFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

namespace
{

// Makes the damaged files once per test program; their folder, empty when
// they cannot be had (the test then fails).
QString CorruptFolder()
{
    static const QString folder = [] {
        for (const char* fixture :
            { "dv-pal-4x3.dv", "h264-320x240.mkv", "raw-160x120.avi", "mpeg2-pal-16x9.mpg", "h264-ac3.ts" })
            if (TestMediaPath(QString::fromLatin1(fixture)).isEmpty()) return QString();
        const QString out = QDir(TestMediaFolder()).filePath(QStringLiteral("corrupt"));
        // CTest runs these cases in parallel processes: one makes the files
        // while the others wait, so no case sees the folder change.
        QLockFile lock(QDir(TestMediaFolder()).filePath(QStringLiteral("corrupt.lock")));
        if (!lock.lock()) {
            ADD_FAILURE() << "cannot lock the damaged files' folder";
            return QString();
        }
        QProcess maker;
        maker.setProcessChannelMode(QProcess::MergedChannels);
        maker.start(QStringLiteral("python3"),
            { QStringLiteral(STILLEX_SOURCE_DIR "/tests/make-corrupt-media.py"), TestMediaFolder(), out });
        const bool done
            = maker.waitForStarted(10000) && maker.waitForFinished(120000) && maker.exitCode() == 0;
        if (!done) {
            ADD_FAILURE() << "make-corrupt-media.py failed:\n" << maker.readAll().toStdString();
            maker.kill();
            return QString();
        }
        return out;
    }();
    return folder;
}

// Every file of the folder with its size, time and content, so that any
// write, even one that keeps the size, shows.
QMap<QString, QString> Snapshot(const QString& folder)
{
    QMap<QString, QString> state;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        QString description = QString::number(info.size()) + u' '
            + QString::number(info.lastModified().toMSecsSinceEpoch()) + u' '
            + QString::number(int(info.permissions()));
        QFile file(path);
        if (info.isFile() && file.open(QIODevice::ReadOnly))
            description += u' '
                + QString::fromLatin1(
                    QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5).toHex());
        state.insert(path, description);
    }
    return state;
}

struct TDamagedFile {
    const char* name;
    // Whether the file must open: what is left of it is still a video.
    enum { MustOpen, MustFail, Either } outcome;
};

void PrintTo(const TDamagedFile& file, std::ostream* out)
{
    *out << file.name;
}

class CorruptMediaWindow : public MainWindowFixture, public ::testing::WithParamInterface<TDamagedFile>
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        form->OnErrorMessage = [this](const QString& m) { messages << m; };
        form->OnFailure = [this](const QString& m) { failures << m; };
        form->OnWarning = [this](const QString& m) { failures << m; };
        ParTraiterErreurs->Value = true;
        ParConfirmerImage->Value = false;
        ParImageAjouter->Value = 0;
        ParDossierSave->Value = m_images.path() + QStringLiteral("/");
    }
    bool run(const char* name)
    {
        CommandArguments = QStringList { QString() };
        return form->Action(name)->RunHandler(form.get());
    }

    QTemporaryDir m_images;
    QStringList messages;
    QStringList failures;
};

// The limit of one whole round (open, step, end, grab) on a damaged file:
// a healthy file takes well under a second, a sanitized build a few.
constexpr qint64 RoundLimitMs = 10000;

} // namespace

TEST_P(CorruptMediaWindow, EndsWorkingOrInTheOpeningMessage)
{
    const TDamagedFile damaged = GetParam();
    const QString folder = CorruptFolder();
    ASSERT_FALSE(folder.isEmpty());
    const QString path = QDir(folder).filePath(QString::fromLatin1(damaged.name));
    ASSERT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    const QMap<QString, QString> before = Snapshot(folder);

    QElapsedTimer clock;
    clock.start();
    form->OpenPath(path);
    const bool opened = form->Media() && (form->Media()->HasVideo() || form->Media()->HasAudio());
    if (opened) {
        EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
        run("saAvanceLow");
        run("saAvanceHigh");
        const QString intended = form->NextImagePath;
        run("saGrab");
        // The one file a grab may write is the next image; a grab that
        // fails says so in the failure report.
        const QStringList written
            = QDir(m_images.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        EXPECT_LE(written.size(), 1) << written.join(u' ').toStdString();
        if (written.size() == 1) {
            EXPECT_EQ(m_images.filePath(written[0]), intended);
        } else {
            EXPECT_FALSE(failures.isEmpty());
        }
    } else {
        // The opening's own message, naming the file, and no file kept.
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Le fichier <color Maroon>")))
            << messages[0].toStdString();
        EXPECT_EQ(form->EnCoursLab->text(), QStringLiteral("Aucun fichier vidéo"));
        // The commands have nothing to work on and must say nothing wrong.
        run("saAvanceLow");
        run("saAvanceHigh");
        run("saGrab");
        EXPECT_TRUE(QDir(m_images.path()).entryList(QDir::Files).isEmpty());
    }
    RecordProperty("opened", opened ? "yes" : "no");
    RecordProperty("images", int(QDir(m_images.path()).entryList(QDir::Files).size()));
    RecordProperty("message", messages.join(u'\n').left(200).toStdString());
    form->CloseMedia();
    EXPECT_LT(clock.elapsed(), RoundLimitMs);

    if (damaged.outcome == TDamagedFile::MustOpen) {
        EXPECT_TRUE(opened) << messages.join(u'\n').toStdString();
    } else if (damaged.outcome == TDamagedFile::MustFail) {
        EXPECT_FALSE(opened);
    }
    EXPECT_EQ(Snapshot(folder), before);
}

INSTANTIATE_TEST_SUITE_P(DamagedFiles, CorruptMediaWindow,
    ::testing::Values(TDamagedFile { "dv-cut-header.dv", TDamagedFile::MustFail },
        TDamagedFile { "dv-cut-early.dv", TDamagedFile::MustFail },
        TDamagedFile { "dv-cut-frame.dv", TDamagedFile::MustOpen },
        TDamagedFile { "dv-random-block.dv", TDamagedFile::MustOpen },
        TDamagedFile { "dv-broken-dif.dv", TDamagedFile::MustOpen },
        TDamagedFile { "dv-named.mpg", TDamagedFile::MustOpen },
        TDamagedFile { "dv-bad-scenes.dv", TDamagedFile::MustOpen },
        TDamagedFile { "mkv-cut-header.mkv", TDamagedFile::MustFail },
        TDamagedFile { "mkv-cut-frame.mkv", TDamagedFile::MustOpen },
        TDamagedFile { "mkv-zeroed.mkv", TDamagedFile::MustOpen },
        TDamagedFile { "mkv-named.avi", TDamagedFile::MustOpen },
        TDamagedFile { "avi-cut-header.avi", TDamagedFile::MustFail },
        TDamagedFile { "avi-cut-index.avi", TDamagedFile::MustOpen },
        TDamagedFile { "avi-zeroed.avi", TDamagedFile::MustOpen },
        TDamagedFile { "mpg-cut.mpg", TDamagedFile::MustOpen },
        TDamagedFile { "mpg-random-block.mpg", TDamagedFile::MustOpen },
        // No sequence header gives a picture size or a rate: nothing decodes.
        TDamagedFile { "mpg-broken-header.mpg", TDamagedFile::MustFail },
        TDamagedFile { "ts-cut-random.ts", TDamagedFile::MustOpen },
        TDamagedFile { "empty.avi", TDamagedFile::MustFail },
        TDamagedFile { "folder.avi", TDamagedFile::MustFail },
        // Root reads it all the same.
        TDamagedFile { "unreadable.dv", TDamagedFile::Either }),
    [](const ::testing::TestParamInfo<TDamagedFile>& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });
