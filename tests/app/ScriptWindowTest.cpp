// Scripts and the command line driving the main window on real files: a
// folder processed by a pattern loop, nested scripts, mistakes, Escape, and
// the ways a run ends.

#include "app/TShowForm.h"
#include "automation/CommandContext.h"
#include "automation/KeyCodes.h"
#include "automation/TActionList.h"
#include "automation/TCustomSuperAction.h"
#include "automation/TScript.h"
#include "automation/TSwitch.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "prefs/TWideStringParameter.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/TestMedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <gtest/gtest.h>

namespace
{

// The frame number of an image whatever its width (a strip of 8, 12 or 16
// cells).
int frameOf(const QImage& image)
{
    return FrameNumberIn(image, image.width() >= 320 ? 16 : image.width() >= 240 ? 12 : 8);
}

class ScriptWindow : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        form->OnFailure = [this](const QString& text) { errors << text; };
        form->OnErrorMessage = [this](const QString& text) { errors << text; };
        ParDossierSave->Value = m_images.path() + QStringLiteral("/");
        ParImageAjouter->Value = 0;
        ParInternalDeinterlacer->Value = false;
        ParImageExtension->Value = 0; // BMP: the very pixels
        // The window's own activation runs its (empty) command line once;
        // let it pass, so that it does not come in the middle of a test's.
        QElapsedTimer timer;
        timer.start();
        while (!form->Switch1->Processed() && timer.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ASSERT_TRUE(form->Switch1->Processed());
    }
    // Copies fixtures into the videos folder under the names given.
    void copy(const char* fixture, const QString& name)
    {
        const QString source = TestMediaPath(QString::fromLatin1(fixture));
        ASSERT_FALSE(source.isEmpty());
        ASSERT_TRUE(QFile::copy(source, m_videos.filePath(name)));
    }
    QString writeScript(const QString& name, const QString& text)
    {
        const QString path = m_scripts.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
        return path;
    }
    // Runs a script as the user does: Ctrl+S, then the file.
    void runScript(const QString& path)
    {
        form->OnChooseScript = [path] { return path; };
        EXPECT_TRUE(form->al()->DispatchKey(KeyCodes::Ctrl | KeyCodes::Key('S')));
    }
    std::vector<int> frames() const
    {
        std::vector<int> out;
        const QDir dir(m_images.path());
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
            out.push_back(frameOf(QImage(dir.filePath(name))));
        return out;
    }

    QTemporaryDir m_images, m_videos, m_scripts;
    QStringList errors;
};

} // namespace

TEST_F(ScriptWindow, AScriptFromCtrlSGrabsOneImageOfEveryVideoOfAFolder)
{
    copy("h264-320x240.mkv", "one.mkv");
    copy("mpeg2-numbered.mpg", "two.mpg");
    copy("raw-160x120.avi", "three.avi");
    runScript(writeScript("lot.txt",
        QStringLiteral("open=%1/*\r\nposition=0:00:00:10\r\ngrab\r\nnext\r\n").arg(m_videos.path())));
    EXPECT_EQ(frames(), (std::vector<int> { 10, 10, 10 }));
    EXPECT_FALSE(form->Script1->Executing());
    EXPECT_FALSE(CommandRunning);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();

    // Cancelling the file choice runs nothing.
    form->OnChooseScript = [] { return QString(); };
    EXPECT_TRUE(form->al()->DispatchKey(KeyCodes::Ctrl | KeyCodes::Key('S')));
    EXPECT_EQ(frames().size(), 3u);
}

TEST_F(ScriptWindow, ANestedScriptRunsAndAMistakeCostsItsLineOnly)
{
    copy("h264-320x240.mkv", "a.mkv");
    copy("h264-320x240.mkv", "b.mkv");
    const QString inner = writeScript("inner.txt",
        QStringLiteral("open \"%1/*.MKV\"\nposition=0:00:02:00\ngrab\nnext\n").arg(m_videos.path()));
    runScript(writeScript("outer.txt", QStringLiteral("bogus=1\nwait=abc\nscript=%1\n").arg(inner)));
    EXPECT_EQ(frames(), (std::vector<int> { 50, 50 }));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("Commande inconnue \"bogus\" (ligne 1 du script")))
        << errors[0].toStdString();

    // A script file that is not there says so.
    errors.clear();
    runScript(m_scripts.filePath("absent.txt"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("est introuvable"))) << errors[0].toStdString();
}

TEST_F(ScriptWindow, NextWithoutAPatternGoesOnAndEscapeEndsTheRunAfterTheEntry)
{
    copy("h264-320x240.mkv", "a.mkv");
    form->OpenPath(m_videos.filePath("a.mkv"));
    ASSERT_TRUE(form->Media()->HasVideo());
    runScript(writeScript("next.txt", QStringLiteral("next\nposition=0:00:01:00\ngrab\n")));
    EXPECT_EQ(frames(), (std::vector<int> { 25 }));

    // Escape pressed while the run goes on: the entry under way ends, the
    // rest does not run.
    QCoreApplication::postEvent(form->windowHandle(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}));
    runScript(writeScript("escape.txt", QStringLiteral("wait=20\ngrab\n")));
    EXPECT_EQ(frames().size(), 1u);
    EXPECT_FALSE(form->Script1->Executing());
    // The next run is not aborted.
    runScript(writeScript("grab.txt", QStringLiteral("grab\n")));
    EXPECT_EQ(frames().size(), 2u);
}

TEST_F(ScriptWindow, QuitClosesTheWindowOnlyAfterARun)
{
    copy("h264-320x240.mkv", "a.mkv");
    // "quit" alone makes no entry: nothing runs, nothing closes; nor does
    // the token reach the quit command.
    runScript(writeScript("quit.txt", QStringLiteral("quit\n")));
    EXPECT_TRUE(form->isVisible());
    runScript(writeScript("job.txt", QStringLiteral("open=%1/a.mkv\nquit\ngrab\n").arg(m_videos.path())));
    EXPECT_EQ(frames().size(), 1u);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ScriptWindow, TheCommandLineLoopsOverAFolderOnce)
{
    for (const char* name : { "a.mkv", "b.mkv", "c.mkv" })
        copy("h264-320x240.mkv", QString::fromLatin1(name));
    copy("raw-160x120.avi", "other.avi");
    form->Switch1->Arguments
        = { "+open=" + m_videos.path() + "/*.mkv", "+position=0:00:02:00", "+grab", "++" };
    form->Switch1->ProcessCommandLine();
    EXPECT_EQ(frames(), (std::vector<int> { 50, 50, 50 }));
    EXPECT_FALSE(form->Switch1->Executing());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ScriptWindow, AScriptStartedFromTheCommandLineLoopsOverItsPatternOrOverTheCommandLines)
{
    for (const char* name : { "a.mkv", "b.mkv" })
        copy("h264-320x240.mkv", QString::fromLatin1(name));
    // The loop inside the script; the command line goes on after it.
    const QString loop = writeScript(
        "loop.txt", QStringLiteral("open=%1/*.mkv\nposition=0:00:02:00\ngrab\nnext\n").arg(m_videos.path()));
    form->Switch1->Arguments = { "+s=" + loop, "+position=0:00:01:00", "+grab" };
    form->Switch1->ProcessCommandLine();
    std::vector<int> taken = frames();
    std::sort(taken.begin(), taken.end());
    EXPECT_EQ(taken, (std::vector<int> { 25, 50, 50 }));

    // The pattern opened on the command line, "next" in the script it runs:
    // the command line goes back to its "open" and runs the script again.
    QDir(m_images.path()).removeRecursively();
    QDir().mkpath(m_images.path());
    const QString body = writeScript("body.txt", QStringLiteral("position=0:00:03:00\ngrab\nnext\n"));
    form->Switch1->Arguments = { "+o=" + m_videos.path() + "/*.mkv", "+s=" + body };
    form->Switch1->ProcessCommandLine();
    EXPECT_EQ(frames(), (std::vector<int> { 75, 75 }));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ScriptWindow, TheOpenSwitchTakesEverythingAfterTheFirstEqualsAndMinusQClosesAtOnce)
{
    copy("raw-160x120.avi", "a=b.avi");
    form->Switch1->Arguments = { "+o=" + m_videos.filePath("a=b.avi"), "+>=0:00:00:07", "+g" };
    form->Switch1->ProcessCommandLine();
    // Seen once in a full parallel run and never alone: the file did not
    // open. Whatever the window said then is the lead to its cause.
    EXPECT_TRUE(form->Media()->HasVideo()) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(frames(), (std::vector<int> { 7 }));

    form->Switch1->Arguments = { "-q", "+g" };
    form->Switch1->ProcessCommandLine();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(frames().size(), 1u);
}

// The window's own activation runs the command line, once.
TEST(ScriptWindowActivation, TheCommandLineRunsAtTheFirstActivationAfterShowing)
{
    QTemporaryDir registry, images, videos;
    qputenv("STILLEX_REGISTRY_DIR", registry.path().toUtf8());
    TRegistry::ResetForTests();
    StoreMode = smNone;
    DetectInstalledFilters();
    const QString source = TestMediaPath(QStringLiteral("raw-160x120.avi"));
    ASSERT_FALSE(source.isEmpty());
    {
        TShowForm form;
        form.Switch1->Arguments
            = { "+o=" + source, "+df=" + images.path(), "+bmp", "+position=0:00:00:03", "+grab" };
        form.show();
        QElapsedTimer timer;
        timer.start();
        while (!form.Switch1->Processed() && timer.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_TRUE(form.Switch1->Processed());
        EXPECT_EQ(QDir(images.path()).entryList(QDir::Files).size(), 1);
        // Activated again (another window, then this one): not run again.
        form.activateWindow();
        form.Switch1->Activate(qApp);
        QCoreApplication::processEvents();
        EXPECT_EQ(QDir(images.path()).entryList(QDir::Files).size(), 1);
        form.CloseMedia();
    }
    qunsetenv("STILLEX_REGISTRY_DIR");
    TRegistry::ResetForTests();
}
