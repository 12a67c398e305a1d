// The main window's road from a path to a paused, shown picture, and back to
// no file when the file cannot be used.

#include "app/TShowForm.h"
#include "automation/TCustomSuperAction.h"
#include "media/InstalledFilters.h"
#include "platform/Registry.h"
#include "prefs/Preferences.h"
#include "prefs/StoreMode.h"
#include "tests/support/TestMedia.h"

#include <QLabel>
#include <QTemporaryDir>
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
