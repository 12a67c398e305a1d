// The main window's road from a path to a paused, shown picture, and back to
// no file when the file cannot be used.

#include "app/TShowForm.h"
#include "app/TSourcesFrame.h"
#include "app/Tnav_fileframe.h"
#include "app/Tplaque.h"
#include "automation/TCustomSuperAction.h"
#include "media/InstalledFilters.h"
#include "platform/Registry.h"
#include "prefs/Preferences.h"
#include "prefs/StoreMode.h"
#include "prefs/TBooleanParameter.h"
#include "tests/support/TestMedia.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace
{
class OpeningWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("STILLEX_REGISTRY_DIR", m_dir.path().toUtf8());
        TRegistry::ResetForTests();
        StoreMode = smNone;
        DetectInstalledFilters();
    }
    void TearDown() override
    {
        qunsetenv("STILLEX_REGISTRY_DIR");
        TRegistry::ResetForTests();
    }
    QTemporaryDir m_dir;
};
} // namespace

TEST_F(OpeningWindow, AFileOpensPausedAtItsStartAndABadOneLeavesNoFile)
{
    const QString mkv = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    const QString random = TestMediaPath(QStringLiteral("random.avi"));
    ASSERT_FALSE(mkv.isEmpty() || random.isEmpty());
    TShowForm form;
    form.resize(1000, 700);
    form.show();
    ASSERT_TRUE(form.Media());
    QStringList messages;
    form.OnErrorMessage = [&](const QString& m) { messages << m; };

    form.OpenPath(mkv);
    EXPECT_TRUE(form.Media()->HasVideo());
    EXPECT_TRUE(form.EnCoursLab->text().contains(QStringLiteral("h264-320x240.mkv")));
    EXPECT_EQ(form.DureeLab->text(), QStringLiteral("0:00:10:00"));
    EXPECT_TRUE(form.vwEcran->isVisible());
    EXPECT_FALSE(form.Panel2->isVisible());
    EXPECT_EQ(form.labTaille->text(), QStringLiteral("320 x 240  =>  320 x 240"));
    // The picture keeps its shape inside the video area, 12 pixels in.
    const QRect video = form.vwEcran->geometry();
    EXPECT_NEAR(double(video.width()) / video.height(), 4.0 / 3.0, 0.02);
    EXPECT_LE(video.width(), form.Panel1->width() - 24);
    EXPECT_TRUE(messages.isEmpty());

    // Forced ratios: the saved size and the window follow.
    ASSERT_TRUE(form.Action("saForcer16x9")->Execute());
    EXPECT_EQ(form.labTaille->text(), QStringLiteral("320 x 240  =>  320 x 180 [16x9}"));
    EXPECT_NEAR(double(form.vwEcran->width()) / form.vwEcran->height(), 16.0 / 9.0, 0.02);
    EXPECT_EQ(ParForcerAspectRatio->Value, 2);
    ASSERT_TRUE(form.Action("saForcerNative")->Execute());
    EXPECT_EQ(form.labTaille->text(), QStringLiteral("320 x 240  =>  320 x 240 [natif]"));
    ASSERT_TRUE(form.Action("saForcerNone")->Execute());
    EXPECT_EQ(ParForcerAspectRatio->Value, 0);

    // A flip reaches the compositor and the command, and back.
    TCustomSuperAction* flip = form.Action("taVertFlip");
    ASSERT_TRUE(flip->Execute());
    EXPECT_TRUE(form.VerticalFlip);
    EXPECT_TRUE(form.Media()->Superposer.VerticalFlip.load());
    EXPECT_TRUE(flip->Checked());
    ASSERT_TRUE(flip->Execute());
    EXPECT_FALSE(form.Media()->Superposer.VerticalFlip.load());
    EXPECT_FALSE(flip->Checked());

    ParTraiterErreurs->Value = true;
    form.OpenPath(random);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Le fichier <color Maroon>") + random));
    EXPECT_TRUE(messages[0].contains(QStringLiteral("n'est pas d'un type reconnu par Stillex")));
    EXPECT_FALSE(form.Media()->HasVideo());
    EXPECT_EQ(form.EnCoursLab->text(), QStringLiteral("Aucun fichier vidéo"));
    EXPECT_FALSE(form.vwEcran->isVisible());
    EXPECT_TRUE(form.Panel2->isVisible());

    // With errors not reported, the same failure passes silently.
    ParTraiterErreurs->Value = false;
    form.OpenPath(random);
    EXPECT_EQ(messages.size(), 1);
    form.CloseMedia();
}

namespace
{
// A copy of a fixture under another name, in a folder of the test's own.
QString copyAs(const QString& fixture, const QDir& dir, const QString& name)
{
    const QString source = TestMediaPath(fixture);
    const QString target = dir.filePath(name);
    QFile::remove(target);
    return !source.isEmpty() && QFile::copy(source, target) ? target : QString();
}
} // namespace

TEST_F(OpeningWindow, WideDvShowsItsStreamsAndRatioAndFitsANarrowArea)
{
    const QString dv = TestMediaPath(QStringLiteral("dv-pal-16x9-32k.dv"));
    ASSERT_FALSE(dv.isEmpty());
    TShowForm form;
    form.resize(1000, 700);
    form.show();
    form.OpenPath(dv);
    ASSERT_TRUE(form.Media()->HasVideo());
    EXPECT_TRUE(form.EnCoursLab->text().contains(QStringLiteral("dv-pal-16x9-32k.dv")));
    EXPECT_EQ(form.DureeLab->text(), QStringLiteral("0:00:00:10"));
    QComboBox* video = form.SourcesFrame()->cboxvideo;
    QComboBox* audio = form.SourcesFrame()->cboxAudio;
    ASSERT_EQ(video->count(), 2);
    EXPECT_EQ(video->currentIndex(), 0);
    EXPECT_EQ(video->itemText(1), QStringLiteral("Aucune Vidéo"));
    ASSERT_EQ(audio->count(), 2);
    EXPECT_EQ(audio->itemText(1), QStringLiteral("Aucun Audio"));
    EXPECT_TRUE(form.Media()->HasAudio());
    EXPECT_EQ(form.labTaille->text(), QStringLiteral("720 x 576  =>  720 x 405 [16x9}"));
    EXPECT_NEAR(double(form.vwEcran->width()) / form.vwEcran->height(), 16.0 / 9.0, 0.02);
    // The bars follow the picture: the top bar above it, the navigation bar
    // right under it.
    const QRect picture = form.vwEcran->geometry().translated(form.Panel1->pos());
    EXPECT_EQ(form.PanelHaut->y(), picture.top() - 32);
    EXPECT_EQ(form.NavBar->y(), picture.bottom() + 1);

    ASSERT_TRUE(form.Action("saForcerNative")->Execute());
    EXPECT_EQ(form.labTaille->text(), QStringLiteral("720 x 576  =>  720 x 576 [natif]"));
    EXPECT_NEAR(double(form.vwEcran->width()) / form.vwEcran->height(), 720.0 / 576.0, 0.02);
    ASSERT_TRUE(form.Action("saForcerNone")->Execute());

    // An area too narrow for its height: full width less the margins,
    // centred vertically.
    form.resize(708, 1000);
    QCoreApplication::processEvents();
    const QRect v = form.vwEcran->geometry();
    EXPECT_EQ(v.width(), form.Panel1->width() - 24);
    EXPECT_LE(std::abs((form.Panel1->height() - v.bottom() - 1) - v.top()), 1);

    // Choosing "none" in the video list drops the picture and keeps sound.
    video->setCurrentIndex(1);
    form.cboxVideoChange(1);
    EXPECT_FALSE(form.Media()->HasVideo());
    EXPECT_TRUE(form.Media()->HasAudio());
    EXPECT_TRUE(form.Panel2->isVisible());
    video->setCurrentIndex(0);
    form.cboxVideoChange(0);
    EXPECT_TRUE(form.Media()->HasVideo());

    // Full screen puts the picture on the backdrop; the abort key's command
    // brings it back.
    Tplaque plaque(&form);
    form.SetPlaque(&plaque);
    ASSERT_TRUE(form.Action("tafullscreen")->Execute());
    EXPECT_TRUE(plaque.isVisible());
    EXPECT_EQ(form.vwEcran->parentWidget(), &plaque);
    EXPECT_EQ(plaque.FrameRect(), form.vwEcran->geometry().adjusted(-4, -4, 4, 4));
    form.saAbortExecute(&form);
    EXPECT_FALSE(plaque.isVisible());
    EXPECT_EQ(form.vwEcran->parentWidget(), form.Panel1);
    EXPECT_TRUE(form.vwEcran->isVisible());
    form.CloseMedia();
    form.SetPlaque(nullptr);
}

TEST_F(OpeningWindow, EachFailureGivesItsMessage)
{
    const QString truncatedMkv = m_dir.filePath(QStringLiteral("cut.mkv"));
    {
        QFile source(TestMediaPath(QStringLiteral("h264-320x240.mkv")));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        QFile cut(truncatedMkv);
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
        cut.write(source.read(3000)); // its tracks are declared, no frame follows
    }
    const QString random = TestMediaPath(QStringLiteral("random.avi"));
    TShowForm form;
    form.resize(1000, 700);
    form.show();
    QStringList messages;
    form.OnErrorMessage = [&](const QString& m) { messages << m; };
    ParTraiterErreurs->Value = true;

    HaaliPresent = false;
    form.OpenPath(random);
    HaaliPresent = true;
    form.OpenPath(random);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].endsWith(QStringLiteral("installés, notamment Haali Media Splitter.")));
    EXPECT_TRUE(messages[1].endsWith(QStringLiteral("installés.")));

    messages.clear();
    form.OpenPath(truncatedMkv);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(
        messages[0].startsWith(QStringLiteral("Le fichier <color Maroon>cut.mkv</color> ne peut pas être "
                                              "exploité par Stillex sur votre système.<br><br>")));
    EXPECT_EQ(form.EnCoursLab->text(), QStringLiteral("Aucun fichier vidéo"));
    EXPECT_FALSE(form.Media()->HasVideo());
    EXPECT_EQ(form.SourcesFrame()->cboxvideo->count(), 1);
    DetectInstalledFilters();
}

TEST_F(OpeningWindow, MaximumSpeedFollowsTheFileKind)
{
    QDir dir(m_dir.path());
    const QString mts = copyAs(QStringLiteral("h264-ac3.mts"), dir, QStringLiteral("clip.MTS"));
    const QString avi = copyAs(QStringLiteral("mpeg4-mp3.avi"), dir, QStringLiteral("clip.avi"));
    const QString mp2 = TestMediaPath(QStringLiteral("audio-only.mp2"));
    ASSERT_FALSE(mts.isEmpty() || avi.isEmpty() || mp2.isEmpty());
    for (const char* companion : { "clip.srt", "clip.MTS.modd", "clip.modd" }) {
        QFile f(dir.filePath(QLatin1String(companion)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TShowForm form;
    form.resize(1000, 700);
    form.show();

    // An audio-only file cannot play at maximum speed: it plays with sound.
    ParVitesseMaxi->Value = true;
    form.OpenPath(mp2);
    EXPECT_FALSE(ParVitesseMaxi->Value);
    EXPECT_TRUE(form.Media()->HasAudio());
    EXPECT_FALSE(form.Media()->HasVideo());
    EXPECT_FALSE(form.Action("taVitesseMaxi")->Checked());

    // With the MTS rule: on for .MTS (found through a pattern), off again
    // for .avi, with the sound given back.
    ParMTSEnVitesseMaxi->Value = true;
    form.saOpenFileExecute(dir.filePath(QStringLiteral("*.mts")));
    EXPECT_EQ(form.CurrentBuilder()->Path, mts);
    EXPECT_TRUE(ParVitesseMaxi->Value);
    EXPECT_TRUE(form.Media()->HasVideo());
    EXPECT_FALSE(form.Media()->HasAudio());
    EXPECT_TRUE(form.SourcesFrame()->GroupAudio->isHidden());
    EXPECT_TRUE(form.SourcesFrame()->VitesseMaxiBox->isChecked());
    // Companion files: "srt" replaces the extension, "modd" is added to it.
    EXPECT_FALSE(form.scnLab->isVisibleTo(&form));
    EXPECT_TRUE(form.srtlab->isVisibleTo(&form));
    EXPECT_TRUE(form.moddlab->isVisibleTo(&form));

    form.OpenPath(avi);
    EXPECT_FALSE(ParVitesseMaxi->Value);
    EXPECT_TRUE(form.Media()->HasAudio());
    EXPECT_FALSE(form.SourcesFrame()->GroupAudio->isHidden());
    EXPECT_FALSE(form.moddlab->isVisibleTo(&form));

    // Without the rule the mode stays as it is.
    ParMTSEnVitesseMaxi->Value = false;
    form.OpenPath(mts);
    EXPECT_FALSE(ParVitesseMaxi->Value);
    EXPECT_TRUE(form.Media()->HasAudio());

    // Closing leaves no file.
    ASSERT_TRUE(form.Action("saVider")->Execute());
    EXPECT_EQ(form.EnCoursLab->text(), QStringLiteral("Aucun fichier vidéo"));
    EXPECT_FALSE(form.NavBar->isVisibleTo(&form));
}

TEST_F(OpeningWindow, PasteDropAndPatternsOpenTheFirstFile)
{
    // Not the registry's folder: the window writes the filters' settings
    // there at start, and "*.*" would find them.
    QTemporaryDir videos;
    QDir dir(videos.path());
    const QString a = copyAs(QStringLiteral("h264-320x240.mkv"), dir, QStringLiteral("a.mkv"));
    const QString b = copyAs(QStringLiteral("video-only.avi"), dir, QStringLiteral("b.avi"));
    ASSERT_FALSE(a.isEmpty() || b.isEmpty());
    TShowForm form;
    form.resize(1000, 700);
    form.show();
    QStringList warnings;
    form.OnWarning = [&](const QString& w) { warnings << w; };

    // Text on the clipboard: Paste turns itself off and opens nothing.
    QGuiApplication::clipboard()->setText(a);
    EXPECT_FALSE(form.Action("saPaste")->Enabled());
    form.saPasteExecute();
    EXPECT_EQ(form.CurrentBuilder()->Path, QString());

    auto* files = new QMimeData;
    files->setUrls({ QUrl::fromLocalFile(b), QUrl::fromLocalFile(a) });
    QGuiApplication::clipboard()->setMimeData(files);
    EXPECT_TRUE(form.Action("saPaste")->Enabled());
    ASSERT_TRUE(form.Action("saPaste")->Execute());
    EXPECT_EQ(form.CurrentBuilder()->Path, b);
    EXPECT_EQ(warnings, QStringList { QStringLiteral("Seul un fichier est activé à la fois") });

    QMimeData dropped;
    dropped.setUrls({ QUrl::fromLocalFile(a), QUrl::fromLocalFile(b) });
    QDragEnterEvent enter(QPoint(500, 300), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(500, 300), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &drop);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.CurrentBuilder()->Path, a);
    EXPECT_EQ(warnings.size(), 2);

    // A pattern walks its matches with "next", which the window's own
    // command path refuses.
    form.saOpenFileExecute(dir.filePath(QStringLiteral("*.*")));
    const QString first = form.CurrentBuilder()->Path;
    EXPECT_TRUE(first == a || first == b);
    EXPECT_TRUE(form.Action("saBouclerScript")->Execute());
    EXPECT_EQ(form.CurrentBuilder()->Path, first);
    form.saBouclerScriptExecute();
    EXPECT_EQ(form.CurrentBuilder()->Path, first == a ? b : a);
    form.saBouclerScriptExecute();
    EXPECT_FALSE(form.PatternSearch.IsOpen());
    // No match: nothing changes, no message.
    form.saOpenFileExecute(dir.filePath(QStringLiteral("*.vob")));
    EXPECT_EQ(form.CurrentBuilder()->Path, first == a ? b : a);
    EXPECT_TRUE(form.Media()->HasVideo());
}
