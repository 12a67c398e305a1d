// Playing and moving through a video from the main window: steps, the
// slider, the timestamp field, volume and mute, maximum speed, the mouse on
// the picture.

#include "app/TShowForm.h"
#include "app/TSourcesFrame.h"
#include "app/Tnav_fileframe.h"
#include "automation/KeyCodes.h"
#include "automation/TCustomSuperAction.h"
#include "media/InstalledFilters.h"
#include "platform/Registry.h"
#include "prefs/Preferences.h"
#include "prefs/StoreMode.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "prefs/TWideStringParameter.h"
#include "support/TTextGauge.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/TestMedia.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace
{
class PlaybackWindow : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
    }
    // The number on the picture the window would grab now.
    int shownFrame()
    {
        form->TakeSnapshot();
        return FrameNumberIn(form->SourceFrame(), cells);
    }
    bool run(const char* name) { return form->Action(name)->Execute(); }
    QString shown() const { return form->CurrentEdit->text(); }

    int cells = 16;
};
} // namespace

TEST_F(PlaybackWindow, StepsLandOnTheRightFrameAndStopAtTheEnds)
{
    cells = 12;
    const QString path = TestMediaPath(QStringLiteral("h264-long.mkv"));
    ASSERT_FALSE(path.isEmpty());
    form->OpenPath(path);
    ASSERT_TRUE(form->Media()->HasVideo());
    EXPECT_EQ(form->DureeLab->text(), QStringLiteral("0:01:35:00"));
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(shown(), QStringLiteral("0:00:00:00"));
    EXPECT_EQ(shownFrame(), 0);

    ASSERT_TRUE(run("saAvanceLow"));
    EXPECT_EQ(shown(), QStringLiteral("0:00:00:01"));
    EXPECT_EQ(shownFrame(), 1);
    ASSERT_TRUE(run("saAvanceMedium"));
    EXPECT_EQ(shown(), QStringLiteral("0:00:01:01"));
    EXPECT_EQ(shownFrame(), 26);
    ASSERT_TRUE(run("saReculeLow"));
    EXPECT_EQ(shownFrame(), 25);

    form->saPositionExecute(QStringLiteral("0:00:30:00"));
    EXPECT_EQ(shownFrame(), 750);
    ASSERT_TRUE(run("saReculeHigh"));
    EXPECT_EQ(shown(), QStringLiteral("0:00:00:00"));
    EXPECT_EQ(shownFrame(), 0);
    EXPECT_EQ(form->tb->value(), 0);

    form->saPositionExecute(QStringLiteral("0:01:05:00"));
    EXPECT_EQ(form->tb->value(), int(65LL * 1024 / 95));
    // A minute forward runs into the end: the last frame shows, and the
    // field gives its time (the end itself holds no frame).
    ASSERT_TRUE(run("saAvanceHigh"));
    EXPECT_EQ(shown(), QStringLiteral("0:01:34:24"));
    EXPECT_EQ(shownFrame(), 95 * 25 - 1);
    EXPECT_GE(form->tb->value(), 1023);
    EXPECT_TRUE(form->NextImagePath.endsWith(QStringLiteral("_0.01.34.24.jpg")))
        << form->NextImagePath.toStdString();
    ASSERT_TRUE(run("saReculeMedium"));
    EXPECT_EQ(shown(), QStringLiteral("0:01:33:24"));
    EXPECT_EQ(shownFrame(), 94 * 25 - 1);
    // No scene file: the scene steps are hidden, buttons included.
    EXPECT_FALSE(form->Action("saAvanceTrack")->Visible());
    EXPECT_FALSE(form->NavBar->Buttons[8]->isVisibleTo(form->NavBar));
}

TEST_F(PlaybackWindow, TheSliderSeeksOnReleaseOnly)
{
    const QString path = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(path.isEmpty());
    form->OpenPath(path);
    ASSERT_TRUE(form->Media()->HasVideo());
    QSlider* tb = form->tb;
    const int y = tb->height() / 2;
    // A drag of the handle from the left end to the middle.
    QTest::mousePress(tb, Qt::LeftButton, {}, QPoint(4, y));
    EXPECT_FALSE(form->Timer1->isActive());
    for (int x = 10; x <= tb->width() / 2; x += 10) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), tb->mapToGlobal(QPointF(x, y)), Qt::NoButton,
            Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(tb, &move);
    }
    QTest::qWait(100);
    const int value = tb->value();
    EXPECT_GT(value, 300);
    EXPECT_EQ(shownFrame(), 0); // nothing seeks while the handle is held
    EXPECT_EQ(shown(), QStringLiteral("0:00:00:00"));
    QTest::mouseRelease(tb, Qt::LeftButton, {}, QPoint(tb->width() / 2, y));
    QTest::qWait(50);
    const int64_t frame = int64_t(value) * 100'000'000 / 1024 / 400'000;
    EXPECT_EQ(shownFrame(), frame);
    EXPECT_EQ(shown(), form->Media()->FormatTimestamp(int64_t(value) * 100'000'000 / 1024));
    EXPECT_NEAR(tb->value(), value, 1);
    EXPECT_TRUE(form->Timer1->isActive());
}

TEST_F(PlaybackWindow, TheTimestampFieldTakesSpaceAndSeeksOnEnter)
{
    cells = 12;
    const QString path = TestMediaPath(QStringLiteral("h264-long.mkv"));
    ASSERT_FALSE(path.isEmpty());
    form->OpenPath(path);
    ASSERT_TRUE(form->Media()->HasVideo());
    QLineEdit* edit = form->CurrentEdit;

    edit->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(edit->hasFocus());
    EXPECT_FALSE(form->Timer1->isActive());
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("0:01:02:03"));
    QTest::keyClick(edit, Qt::Key_Space);
    EXPECT_FALSE(form->Action("taPlayPause")->Checked());
    EXPECT_EQ(edit->text(), QStringLiteral("0:01:02:03 "));
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(edit->hasFocus());
    EXPECT_EQ(shownFrame(), 62 * 25 + 3);
    EXPECT_EQ(edit->text(), QStringLiteral("0:01:02:03"));
    EXPECT_EQ(form->Action("taPlayPause")->ShortCut(), KeyCodes::VkSpace);

    edit->setFocus();
    QCoreApplication::processEvents();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("abc"));
    QTest::keyClick(edit, Qt::Key_Enter);
    QCoreApplication::processEvents();
    EXPECT_EQ(shownFrame(), 0);

    // Back on the window, Space plays and pauses again.
    QTest::keyClick(form.get(), Qt::Key_Space);
    EXPECT_TRUE(form->Action("taPlayPause")->Checked());
    EXPECT_EQ(form->Media()->GraphState(), 3);
    QTest::qWait(200);
    QTest::keyClick(form.get(), Qt::Key_Space);
    EXPECT_FALSE(form->Action("taPlayPause")->Checked());
    EXPECT_EQ(form->Media()->GraphState(), 2);
    EXPECT_GT(LastPosition.load(), 0);
}

TEST_F(PlaybackWindow, VolumeMuteMaximumSpeedAndClicksOnThePicture)
{
    const QString path = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(path.isEmpty());
    form->OpenPath(path);
    ASSERT_TRUE(form->Media()->HasAudio());

    ParIVolume->Value = 9500;
    ASSERT_TRUE(run("saIncVolume"));
    EXPECT_EQ(ParIVolume->Value, 10000);
    EXPECT_EQ(form->VolumeGauge->Progress(), 100);
    ParIVolume->Value = 500;
    ASSERT_TRUE(run("saDecVolume"));
    EXPECT_EQ(ParIVolume->Value, 0);
    ASSERT_TRUE(run("taMute"));
    EXPECT_TRUE(ParMuteOn->Value);
    ASSERT_TRUE(run("saIncVolume"));
    EXPECT_EQ(ParIVolume->Value, 1000);
    EXPECT_EQ(form->VolumeGauge->Progress(), 10); // the gauge moves while muted
    ASSERT_TRUE(run("taMute"));
    EXPECT_FALSE(ParMuteOn->Value);

    // Maximum speed: the sound goes, and comes back from the saved stream.
    ASSERT_TRUE(run("taVitesseMaxi"));
    EXPECT_FALSE(form->Media()->HasAudio());
    EXPECT_TRUE(form->SourcesFrame()->GroupAudio->isHidden());
    EXPECT_EQ(form->NavBar->PlayPicture(), Tnav_fileframe::TPlayPicture::MaxSpeed);
    ASSERT_TRUE(run("taVitesseMaxi"));
    EXPECT_TRUE(form->Media()->HasAudio());
    EXPECT_FALSE(form->SourcesFrame()->GroupAudio->isHidden());
    EXPECT_EQ(form->NavBar->PlayPicture(), Tnav_fileframe::TPlayPicture::Normal);

    // Clicks on the picture: the right button never grabs, Shift saves.
    QTemporaryDir images;
    ParDossierSave->Value = images.path() + QStringLiteral("/");
    ParImageAjouter->Value = 0;
    ParSauverQuandClic->Value = false;
    form->RefreshNextImageName();
    const QString next = form->NextImagePath;
    const int before = form->SnapshotCount;
    QTest::mousePress(form->vwEcran, Qt::RightButton);
    EXPECT_EQ(form->SnapshotCount, before);
    QTest::mousePress(form->vwEcran, Qt::LeftButton);
    EXPECT_EQ(form->SnapshotCount, before + 1);
    EXPECT_FALSE(QFile::exists(next));
    QTest::mousePress(form->vwEcran, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_TRUE(QFile::exists(next));
    EXPECT_EQ(QDir(images.path()).entryList(QDir::Files).size(), 1);
    EXPECT_EQ(FrameNumberIn(form->SourceFrame()), 0);
    EXPECT_EQ(form->SourceFrame().size(), QSize(320, 240));
}
