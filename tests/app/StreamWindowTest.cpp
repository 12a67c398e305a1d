// What the streams tell reaches the main window: descriptions become labels,
// the picture's ratio and the frame duration; steps follow the stream's own
// rate from frame 0 on every container; precision captures save images run
// after run; two files whose names differ in case are two files.

#include "app/TShowForm.h"
#include "app/TSourcesFrame.h"
#include "automation/TCustomSuperAction.h"
#include "capture/ImageNaming.h"
#include "filters/TBCBaseFilter.h"
#include "filters/TvData.h"
#include "graph/CapsMediaType.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "prefs/TWideStringParameter.h"
#include "support/TLinkMarkup.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/SceneFileWriter.h"
#include "tests/support/TestMedia.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QThread>
#include <QTimer>
#include <set>

namespace
{
class StreamWindow : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(m_images.isValid());
        ParDossierSave->Value = m_images.path();
        ParConfirmerImage->Value = false;
        form->RefreshNextImageName();
    }
    int shownFrame(int cells = 16)
    {
        if (!form->TakeSnapshot()) return -1;
        return FrameNumberIn(form->SourceFrame(), cells);
    }
    bool run(const char* name) { return form->Action(name)->Execute(); }
    QString field() const { return form->CurrentEdit->text(); }
    QString videoLabel() const { return form->SourcesFrame()->LabVideo->text(); }
    static void pump(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
    static bool waitFor(const std::function<bool()>& cond, int ms = 20000)
    {
        QDeadlineTimer deadline(ms);
        while (!cond()) {
            if (deadline.hasExpired()) return false;
            pump(5);
        }
        return true;
    }

    QTemporaryDir m_images;
};
} // namespace

TEST_F(StreamWindow, WithoutAVideoThePictureAndSoundCommandsAreOffAndTheFiltersTalkToTheWindow)
{
    EXPECT_EQ(TBCBaseFilter::MainWindow(), form.get());
    for (const char* name : { "saGrab", "saCopier", "taVertFlip", "taHorzFlip", "tafullscreen", "taIncruster",
             "taMute", "saIncVolume", "saDecVolume" })
        EXPECT_FALSE(form->Action(name)->Enabled()) << name;
    EXPECT_EQ(form->SourcesFrame()->cboxvideo->count(), 1);
    EXPECT_EQ(form->SourcesFrame()->cboxvideo->itemText(0), QStringLiteral("Aucune Vidéo"));
    EXPECT_EQ(form->SourcesFrame()->cboxAudio->itemText(0), QStringLiteral("Aucun Audio"));
    // Grabbing with nothing to grab writes nothing.
    run("saGrab");
    EXPECT_TRUE(QDir(m_images.path()).entryList(QDir::Files).isEmpty());

    form->close();
    EXPECT_EQ(TBCBaseFilter::MainWindow(), nullptr);
}

TEST_F(StreamWindow, EachFileStepsFrameByFrameAtItsOwnRate)
{
    const struct {
        const char* fixture;
        int fpsNum;
        int fpsDen;
    } files[] = {
        { "dv-ntsc-numbered.dv", 30000, 1001 },
        { "h264-ntsc-bframes.mp4", 30000, 1001 },
        { "h264-ntsc-bframes.mov", 30000, 1001 },
        { "h264-50fps.mkv", 50, 1 },
        { "h264-23976.mp4", 24000, 1001 },
    };
    for (const auto& [fixture, num, den] : files) {
        SCOPED_TRACE(fixture);
        const QString path = TestMediaPath(QString::fromLatin1(fixture));
        ASSERT_FALSE(path.isEmpty());
        form->OpenPath(path);
        ASSERT_TRUE(form->Media()->HasVideo());
        const int64_t frame = FrameDurationFromRate(num, den);
        EXPECT_EQ(form->Media()->FrameDuration, frame);
        EXPECT_TRUE(videoLabel().contains(QStringLiteral(" fps"))) << videoLabel().toStdString();

        EXPECT_EQ(field(), QStringLiteral("0:00:00:00"));
        EXPECT_EQ(shownFrame(), 0);
        std::set<QString> names { form->NextImagePath };
        for (int k = 1; k <= 10; ++k) {
            ASSERT_TRUE(run("saAvanceLow"));
            ASSERT_EQ(shownFrame(), k) << "step " << k;
            EXPECT_EQ(field(), form->Media()->FormatTimestamp(k * frame));
            EXPECT_EQ(field().section(QLatin1Char(':'), 3).toInt(), k % ((num + den - 1) / den));
            names.insert(form->NextImagePath);
        }
        EXPECT_EQ(names.size(), 11u) << "two frames named alike";
        // The grab saves the frame named.
        ASSERT_TRUE(run("saGrab"));
        const QStringList written = QDir(m_images.path()).entryList(QDir::Files);
        ASSERT_EQ(written.size(), 1);
        const QImage image(QDir(m_images.path()).filePath(written.first()));
        EXPECT_EQ(FrameNumberIn(image), 10);
        EXPECT_TRUE(written.first().contains(TimestampSuffix(form->Media()->FormatTimestamp(10 * frame))));
        QFile::remove(QDir(m_images.path()).filePath(written.first()));
    }
}

TEST_F(StreamWindow, ASceneIsReachedAtItsFrameAtTheStreamsRate)
{
    QTemporaryDir dir;
    const QString source = TestMediaPath(QStringLiteral("h264-ntsc-long.mkv"));
    ASSERT_FALSE(source.isEmpty());
    const QString path = dir.filePath(QStringLiteral("long.mkv"));
    ASSERT_TRUE(QFile::copy(source, path));
    SceneFileBytes::Writer scenes;
    scenes.Header(2, 0, 0);
    scenes.Record(900, 0);
    QFile scn(dir.filePath(QStringLiteral("long.scn")));
    ASSERT_TRUE(scn.open(QIODevice::WriteOnly));
    scn.write(scenes.bytes);
    scn.close();

    form->OpenPath(path);
    ASSERT_TRUE(form->Media()->HasVideo());
    EXPECT_EQ(form->Media()->FrameDuration, 333'667);
    ASSERT_TRUE(run("saAvanceTrack"));
    EXPECT_EQ(shownFrame(12), 900);
    EXPECT_EQ(field(), QStringLiteral("0:00:30:00"));
    ASSERT_TRUE(run("saReculeTrack"));
    EXPECT_EQ(shownFrame(12), 0);
}

TEST_F(StreamWindow, ADvFileTurningWideShowsAndGrabsWideFromThatFrame)
{
    const QString path = TestMediaPath(QStringLiteral("dv-4x3-then-16x9.dv"));
    ASSERT_FALSE(path.isEmpty());
    form->OpenPath(path);
    ASSERT_TRUE(form->Media()->HasVideo());
    EXPECT_EQ(form->labTaille->text(), QStringLiteral("720 x 576  =>  720 x 540 [4x3]"));
    EXPECT_TRUE(videoLabel().contains(QStringLiteral("(4x3)"))) << videoLabel().toStdString();
    EXPECT_TRUE(videoLabel().endsWith(QStringLiteral(" - 720x576 - 25 fps"))) << videoLabel().toStdString();

    // Step by step over the change: the description that comes during a
    // step is taken once the step is over.
    form->saPositionExecute(QStringLiteral("0:00:00:23"));
    ASSERT_TRUE(run("saAvanceLow"));
    ASSERT_TRUE(run("saAvanceLow"));
    ASSERT_TRUE(waitFor([&] { return form->labTaille->text().endsWith(QStringLiteral("[16x9}")); }, 5000))
        << form->labTaille->text().toStdString();
    EXPECT_EQ(form->labTaille->text(), QStringLiteral("720 x 576  =>  720 x 405 [16x9}"));
    EXPECT_TRUE(videoLabel().contains(QStringLiteral("(16x9)"))) << videoLabel().toStdString();
    ASSERT_TRUE(run("saGrab"));
    const QStringList written = QDir(m_images.path()).entryList(QDir::Files);
    ASSERT_EQ(written.size(), 1);
    const QImage wide(QDir(m_images.path()).filePath(written.first()));
    EXPECT_EQ(wide.size(), QSize(720, 405));
    EXPECT_EQ(FrameNumberIn(wide.scaled(720, 576)), 25);

    // And back.
    form->saPositionExecute(QStringLiteral("0:00:00:05"));
    ASSERT_TRUE(waitFor([&] { return form->labTaille->text().endsWith(QStringLiteral("[4x3]")); }, 5000))
        << form->labTaille->text().toStdString();
}

TEST_F(StreamWindow, PrecisionCapturesSaveImagesRunAfterRun)
{
    const QString path = TestMediaPath(QStringLiteral("raw-160x120.avi"));
    ASSERT_FALSE(path.isEmpty());
    form->OpenPath(path);
    TMediaSystem* media = form->Media();
    ASSERT_TRUE(media->HasVideo());
    bool ended = false;
    media->SetCompleteHandler([&] { ended = true; });
    auto runOnce = [&](const QString& folder) {
        ParDossierSave->Value = folder;
        form->RefreshNextImageName();
        ended = false;
        media->SetPosition(0);
        media->SetSpeedMode(1);
        media->SetPrecisionInterval(5 * media->FrameDuration);
        media->Stop();
        media->Play();
        const bool done = waitFor([&] { return ended; });
        media->Stop();
        media->SetPrecisionInterval(0);
        media->SetSpeedMode(0);
        media->SetPosition(0);
        return done;
    };
    QTemporaryDir first, second;
    ASSERT_TRUE(runOnce(first.path()));
    ASSERT_TRUE(runOnce(second.path()));
    const QStringList a = QDir(first.path()).entryList(QDir::Files, QDir::Name);
    const QStringList b = QDir(second.path()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(a.size(), 5) << a.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(a, b);
    for (int i = 0; i < std::min(a.size(), b.size()); ++i)
        EXPECT_EQ(FrameNumberIn(QImage(QDir(first.path()).filePath(a[i])), 8),
            FrameNumberIn(QImage(QDir(second.path()).filePath(b[i])), 8))
            << a[i].toStdString();
}

TEST_F(StreamWindow, TwoFilesWhoseNamesDifferInCaseAreTwoFiles)
{
    QTemporaryDir dir;
    const QString withSound = TestMediaPath(QStringLiteral("mpeg4-mp3.avi"));
    const QString silent = TestMediaPath(QStringLiteral("video-only.avi"));
    ASSERT_FALSE(withSound.isEmpty());
    ASSERT_FALSE(silent.isEmpty());
    const QString upper = dir.filePath(QStringLiteral("Clip.avi"));
    const QString lower = dir.filePath(QStringLiteral("clip.avi"));
    ASSERT_TRUE(QFile::copy(withSound, upper));
    ASSERT_TRUE(QFile::copy(silent, lower));
    QComboBox* audio = form->SourcesFrame()->cboxAudio;
    form->OpenPath(upper);
    EXPECT_EQ(audio->count(), 2);
    EXPECT_TRUE(form->Media()->HasAudio());
    form->OpenPath(lower);
    EXPECT_EQ(audio->count(), 1);
    EXPECT_FALSE(form->Media()->HasAudio());
    form->OpenPath(upper);
    EXPECT_EQ(audio->count(), 2);
}

TEST_F(StreamWindow, APauseKeepsThePictureTheFieldAndTheNameTogether)
{
    const QString path = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(path.isEmpty());
    form->OpenPath(path);
    ASSERT_TRUE(form->Media()->HasVideo());
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(run("taPlayPause"));
        pump(300 + 170 * round);
        ASSERT_TRUE(run("taPlayPause"));
        pump(100); // the refresh timer ticks twice
        const int frame = shownFrame();
        ASSERT_GT(frame, 0);
        EXPECT_EQ(field(), form->Media()->FormatTimestamp(frame * form->Media()->FrameDuration)) << frame;
        EXPECT_TRUE(form->NextImagePath.contains(TimestampSuffix(field())))
            << form->NextImagePath.toStdString();
        EXPECT_EQ(FrameNumberIn(form->Media()->VideoWindow()->LastFrame()), frame);
    }
}

// The stream waits in a precision capture until the window has saved the
// image; the window must still be able to seek or stop then, also from
// inside the capture (Cancel in the overwrite question stops a run).
TEST_F(StreamWindow, SeekingOrStoppingReleasesAStreamWaitingInACapture)
{
    const QString path = TestMediaPath(QStringLiteral("raw-160x120.avi"));
    ASSERT_FALSE(path.isEmpty());
    form->OpenPath(path);
    TMediaSystem* media = form->Media();
    ASSERT_TRUE(media->HasVideo());
    const int64_t frame = media->FrameDuration;

    // A seek while the capture waits, before the window has looked at it.
    media->SetSpeedMode(1);
    media->SetPrecisionInterval(5 * frame);
    media->Stop();
    media->Play();
    QDeadlineTimer deadline(20000);
    while (PendingSendCount() == 0 && !deadline.hasExpired())
        QThread::msleep(2);
    ASSERT_EQ(PendingSendCount(), 1);
    media->SetPrecisionInterval(0);
    media->SetPosition(10 * frame);
    EXPECT_EQ(PendingSendCount(), 0);
    media->Pause();
    media->SetPosition(10 * frame);
    EXPECT_EQ(shownFrame(8), 10);

    // A stop from inside the capture.
    ParImageAjouter->Value = 0;
    ParConfirmerImage->Value = true;
    form->RefreshNextImageName();
    QFile existing(form->NextImagePath);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    int asked = 0;
    form->OnAskOverwrite = [&](const QString&) {
        ++asked;
        media->Stop();
        media->SetPrecisionInterval(0);
        return TShowForm::TOverwriteAnswer::Cancel;
    };
    media->SetPosition(0);
    media->SetPrecisionInterval(5 * frame);
    media->Stop();
    media->Play();
    ASSERT_TRUE(waitFor([&] { return asked > 0 && PendingSendCount() == 0; }));
    media->Pause();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(form->AbortRequested);
    media->SetSpeedMode(0);
}

// What one file said must not be said of the next: a DV recording date is
// gone once a file without DV is open, and a file name shows in a message
// as it is, whatever characters it holds.
TEST_F(StreamWindow, NothingOfOneFileIsSaidOfTheNext)
{
    const QString dv = TestMediaPath(QStringLiteral("dv-pal-4x3.dv"));
    const QString mkv = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(dv.isEmpty());
    ASSERT_FALSE(mkv.isEmpty());
    form->OpenPath(dv);
    ASSERT_TRUE(form->Media()->HasVideo());
    ASSERT_TRUE(waitFor([] { return VideoSnapshot().DatecodeValid && VideoSnapshot().TimecodeValid; }, 5000));
    form->OpenPath(mkv);
    ASSERT_TRUE(form->Media()->HasVideo());
    pump(100);
    EXPECT_FALSE(VideoSnapshot().DatecodeValid);
    EXPECT_FALSE(VideoSnapshot().TimecodeValid);

    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("a<b> <url>smb:host <color red>x.avi"));
    QFile bad(name);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(4096, 'x'));
    bad.close();
    ParTraiterErreurs->Value = true;
    QString message;
    form->OnErrorMessage = [&](const QString& text) { message = text; };
    form->OpenPath(name);
    ASSERT_FALSE(message.isEmpty());
    const TLinkMarkup::Layout layout = TLinkMarkup::Format(message, {}, {});
    EXPECT_TRUE(layout.text.contains(name)) << layout.text.toStdString();
    EXPECT_TRUE(layout.links.isEmpty());
}
