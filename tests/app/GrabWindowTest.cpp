// Grabbing from the main window: the saved files, their names and sizes,
// the overwrite question, failures, the clipboard copy.

#include "app/TOptionsFrame.h"
#include "app/TShowForm.h"
#include "automation/CommandContext.h"
#include "automation/TCustomSuperAction.h"
#include "capture/TDossiersFrame.h"
#include "capture/TExtraireFrame.h"
#include "filters/TvData.h"
#include "media/InstalledFilters.h"
#include "platform/Registry.h"
#include "prefs/Preferences.h"
#include "prefs/StoreMode.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "prefs/TWideStringParameter.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/TestMedia.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{
class GrabWindow : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        form->OnFailure = [this](const QString& text) { failures << text; };
        ParDossierSave->Value = m_images.path() + QStringLiteral("/");
        ParImageAjouter->Value = 0;
        ParInternalDeinterlacer->Value = false;
    }
    bool run(const char* name, const QString& argument = QString())
    {
        CommandArguments = QStringList { argument };
        return form->Action(name)->RunHandler(form.get());
    }
    QStringList images() const { return QDir(m_images.path()).entryList(QDir::Files, QDir::Name); }
    // Mean absolute difference per channel between two pictures of one size.
    static double difference(const QImage& a, const QImage& b)
    {
        const QImage x = a.convertToFormat(QImage::Format_RGB888),
                     y = b.convertToFormat(QImage::Format_RGB888);
        if (x.size() != y.size()) return 255;
        double sum = 0;
        for (int row = 0; row < x.height(); ++row) {
            const uchar* p = x.constScanLine(row);
            const uchar* q = y.constScanLine(row);
            for (int i = 0; i < x.width() * 3; ++i)
                sum += std::abs(int(p[i]) - int(q[i]));
        }
        return sum / (double(x.width()) * x.height() * 3);
    }

    QTemporaryDir m_images;
    QStringList failures;
};
} // namespace

TEST_F(GrabWindow, SavedImagesTakeTheForcedRatioAndTheNextName)
{
    const QString dv = TestMediaPath(QStringLiteral("dv-pal-4x3.dv"));
    ASSERT_FALSE(dv.isEmpty());
    form->OpenPath(dv);
    ASSERT_TRUE(form->Media()->HasVideo());
    EXPECT_EQ(form->RootName, QStringLiteral("dv-pal-4x3"));
    const QString first = m_images.filePath(QStringLiteral("dv-pal-4x3_0001.jpg"));
    EXPECT_EQ(form->NextImagePath, first);

    const struct {
        const char* command;
        QSize size;
    } ratios[] = { { "saForcer16x9", { 720, 405 } }, { "saForcer4x3", { 720, 540 } },
        { "saForcerNative", { 720, 576 } } };
    for (const auto& r : ratios) {
        ASSERT_TRUE(form->Action(r.command)->Execute());
        const QString path = form->NextImagePath;
        ASSERT_TRUE(run("saGrab"));
        const QImage written(path);
        ASSERT_FALSE(written.isNull()) << r.command;
        EXPECT_EQ(written.size(), r.size) << r.command;
        // What was saved is the frame as shown, squeezed: close to the
        // picture the window holds, apart from the JPEG loss.
        EXPECT_LT(difference(written, form->OutputImage()), 6.0) << r.command;
        const QImage frame
            = form->SourceFrame().scaled(r.size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        EXPECT_LT(difference(written, frame), 8.0) << r.command;
    }
    EXPECT_EQ(images(),
        (QStringList { QStringLiteral("dv-pal-4x3_0001.jpg"), QStringLiteral("dv-pal-4x3_0002.jpg"),
            QStringLiteral("dv-pal-4x3_0003.jpg") }));
    EXPECT_EQ(form->DossiersFrame()->numEdit->text(), QStringLiteral("0004"));

    // BMP: the very pixels of the output image.
    ASSERT_TRUE(run("saBmpOption"));
    EXPECT_TRUE(form->NextImagePath.endsWith(QStringLiteral("_0004.bmp")));
    const QString bmp = form->NextImagePath;
    ASSERT_TRUE(run("saGrab"));
    const QImage read(bmp);
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(difference(read, form->OutputImage()), 0.0);
    QFile header(bmp);
    ASSERT_TRUE(header.open(QIODevice::ReadOnly));
    const QByteArray h = header.read(54);
    EXPECT_EQ(h.left(2), QByteArray("BM"));
    EXPECT_EQ(uchar(h[28]), 24);

    // A click on the thumbnail takes the video back to the grabbed frame.
    const QString grabbed = form->CurrentEdit->text();
    ASSERT_TRUE(form->Action("saAvanceMedium")->Execute());
    EXPECT_NE(form->CurrentEdit->text(), grabbed);
    emit form->ExtraireFrame()->ImageClicked();
    EXPECT_EQ(form->CurrentEdit->text(), grabbed);

    // Timestamp naming follows the picture; the number is left alone.
    ASSERT_TRUE(run("saJpgOption", QStringLiteral("85")));
    EXPECT_EQ(ParJpegQuality->Value, 85);
    ASSERT_TRUE(run("saTimestamp"));
    EXPECT_EQ(form->NextImagePath, m_images.filePath(QStringLiteral("dv-pal-4x3_0.00.00.00.jpg")));
    ASSERT_TRUE(form->Action("saAvanceLow")->Execute());
    EXPECT_EQ(form->NextImagePath, m_images.filePath(QStringLiteral("dv-pal-4x3_0.00.00.01.jpg")));
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(GrabWindow, OverwriteQuestionFailuresAndCopy)
{
    const QString path = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(path.isEmpty());
    form->OpenPath(path);
    ASSERT_TRUE(form->Media()->HasVideo());
    ParConfirmerImage->Value = true;
    ASSERT_TRUE(run("saGrab"));
    const QString first = m_images.filePath(QStringLiteral("h264-320x240_0001.jpg"));
    ASSERT_TRUE(QFile::exists(first));
    QFile::resize(first, 10); // so that a rewrite shows

    // The same name again: "No" keeps file and counter.
    form->DossiersFrame()->numEdit->setText(QStringLiteral("0001"));
    QStringList questions;
    TShowForm::TOverwriteAnswer answer = TShowForm::TOverwriteAnswer::No;
    form->OnAskOverwrite = [&](const QString& text) {
        questions << text;
        return answer;
    };
    ASSERT_TRUE(run("saGrab"));
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(
        questions[0].startsWith(QStringLiteral("Le fichier ") + first + QStringLiteral(" existe déjà.")));
    EXPECT_EQ(QFileInfo(first).size(), 10);
    EXPECT_EQ(form->ImageCounter, 1);

    // "Yes to all": written, and no question any more.
    answer = TShowForm::TOverwriteAnswer::YesToAll;
    ASSERT_TRUE(run("saGrab"));
    EXPECT_GT(QFileInfo(first).size(), 10);
    EXPECT_FALSE(ParConfirmerImage->Value);
    EXPECT_FALSE(form->OptionsFrame()->cbConfirmer->isChecked());
    EXPECT_FALSE(form->Action("taConfirmerImages")->Checked());
    EXPECT_EQ(form->ImageCounter, 2);
    form->DossiersFrame()->numEdit->setText(QStringLiteral("0001"));
    ASSERT_TRUE(run("saGrab"));
    EXPECT_EQ(questions.size(), 2);

    // Copy puts the picture on the clipboard and writes nothing.
    const QStringList before = images();
    const qint64 counter = form->ImageCounter;
    ASSERT_TRUE(run("saCopier"));
    EXPECT_EQ(images(), before);
    EXPECT_EQ(form->ImageCounter, counter);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(320, 240));

    // A new file empties the grab panel: the old picture cannot be saved
    // under the new file's name.
    form->OpenPath(path);
    emit form->ExtraireFrame()->SnapNameClicked();
    EXPECT_EQ(images(), before);

    // A folder that is not there: the error is reported, nothing moves.
    ParDossierSave->Value = m_images.filePath(QStringLiteral("missing/"));
    form->RefreshNextImageName();
    ASSERT_TRUE(run("saGrab"));
    EXPECT_EQ(failures.size(), 1);
    EXPECT_EQ(form->ImageCounter, counter);
    // "dest_folder" makes it, parents included; an empty one is an error.
    ASSERT_TRUE(run("saDossierDest", m_images.filePath(QStringLiteral("missing/deeper"))));
    EXPECT_TRUE(QDir(m_images.filePath(QStringLiteral("missing/deeper"))).exists());
    ASSERT_TRUE(run("saDossierDest", QString()));
    EXPECT_EQ(failures.size(), 2);
}

TEST_F(GrabWindow, RootRulesAndNumberField)
{
    QTemporaryDir videos;
    QDir dir(videos.path());
    const QString dotted = dir.filePath(QStringLiteral("vacances.2008.avi"));
    const QString holiday = dir.filePath(QStringLiteral("holiday.mts"));
    const QString bare = dir.filePath(QStringLiteral("film"));
    ASSERT_TRUE(QFile::copy(TestMediaPath(QStringLiteral("mpeg4-mp3.avi")), dotted));
    ASSERT_TRUE(QFile::copy(TestMediaPath(QStringLiteral("h264-ac3.mts")), holiday));
    ASSERT_TRUE(QFile::copy(TestMediaPath(QStringLiteral("mpeg4-mp3.avi")), bare));

    form->OpenPath(dotted);
    EXPECT_EQ(form->RootName, QStringLiteral("vacances"));
    ASSERT_TRUE(run("saNomFichier"));
    EXPECT_EQ(form->RootName, QStringLiteral("vacances.2008"));

    ParLimiterLongueur->Value = true;
    ParRacineLength->Value = 3;
    form->OpenPath(holiday);
    EXPECT_EQ(form->RootName, QStringLiteral("hol"));
    ParLimiterLongueur->Value = false;

    form->OpenPath(bare);
    EXPECT_EQ(form->RootName, QString());
    EXPECT_EQ(form->NextImagePath, m_images.filePath(QStringLiteral("_0001.jpg")));

    ASSERT_TRUE(run("saRacine", QStringLiteral("noel")));
    EXPECT_EQ(form->RootName, QStringLiteral("noel"));
    ASSERT_TRUE(run("saNumeroter", QStringLiteral("0100")));
    EXPECT_EQ(form->ImageCounter, 100);
    EXPECT_EQ(form->DossiersFrame()->DigitsEdit->value(), 4);
    EXPECT_EQ(form->NextImagePath, m_images.filePath(QStringLiteral("noel_0100.jpg")));
    ASSERT_TRUE(run("saNumeroter", QStringLiteral("12a")));
    EXPECT_EQ(form->ImageCounter, 100);
    form->DossiersFrame()->DigitsEdit->setValue(0);
    EXPECT_EQ(form->DossiersFrame()->numEdit->text(), QString());
    EXPECT_EQ(form->NextImagePath, m_images.filePath(QStringLiteral("noel_.jpg")));

    ASSERT_TRUE(form->Action("saVider")->Execute());
    ASSERT_TRUE(run("saNomFichier"));
    EXPECT_EQ(form->RootName, QStringLiteral("Stillex"));
}

// The inlay is burnt into the picture shown and into the image saved: a DV
// frame grabbed with the inlay on differs from the same frame grabbed
// without it only where the inlay is, and there it carries the font colour
// outlined in black. Its texts are the frame's recording date, in French.
TEST_F(GrabWindow, TheInlayIsInThePictureAndTheSavedImage)
{
    const QString dv = TestMediaPath(QStringLiteral("dv-pal-4x3.dv"));
    ASSERT_FALSE(dv.isEmpty());
    form->OpenPath(dv);
    ASSERT_TRUE(form->Media()->HasVideo());
    ASSERT_TRUE(run("saBmpOption")); // the very pixels
    const QString plainPath = form->NextImagePath;
    ASSERT_TRUE(run("saGrab"));

    ASSERT_TRUE(form->Action("taIncruster")->Execute());
    ASSERT_TRUE(form->InlayOn);
    const TInlayLines lines = form->Media()->Superposer.Lines([] {
        TInlayValues v;
        const TvData video = VideoSnapshot();
        v.DatecodeValid = video.DatecodeValid;
        v.Datecode = video.Datecode;
        return v;
    }());
    EXPECT_EQ(lines.Line1, QStringLiteral("jeudi 15 juillet 2004"));
    EXPECT_EQ(lines.Line2, QStringLiteral("14:23:45"));
    const QString inlaidPath = form->NextImagePath;
    ASSERT_TRUE(run("saGrab"));

    const QImage plain = QImage(plainPath).convertToFormat(QImage::Format_RGB888);
    const QImage inlaid = QImage(inlaidPath).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(plain.size(), QSize(720, 540)); // squeezed to 4:3
    ASSERT_EQ(inlaid.size(), plain.size());
    EXPECT_EQ(difference(inlaid, form->OutputImage()), 0.0); // the preview's picture
    // Default settings: right edge at 91.4 % of the width, line 2's top at
    // 91.4 % of the picture's 576 rows, 28-pixel lines, a 2-pixel outline;
    // the saved image has 540 of those rows.
    const int top = (576 * 914 / 1000 - 28 - 4) * 540 / 576;
    const QRect region(0, top, 720 * 914 / 1000 + 4, 540 - top);
    int changed = 0, outside = 0, font = 0, black = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            if (plain.pixel(x, y) == inlaid.pixel(x, y)) continue;
            ++changed;
            if (!region.contains(x, y)) ++outside;
            const QRgb p = inlaid.pixel(x, y);
            if (qAbs(qRed(p) - 0xA6) < 8 && qAbs(qGreen(p) - 0xCA) < 8 && qAbs(qBlue(p) - 0xF0) < 8) ++font;
            if (qRed(p) < 16 && qGreen(p) < 16 && qBlue(p) < 16) ++black;
        }
    EXPECT_GT(changed, 500);
    EXPECT_EQ(outside, 0);
    EXPECT_GT(font, 200);
    EXPECT_GT(black, 200);
    EXPECT_TRUE(failures.isEmpty());
}

// The kind commands switch the inlay on with their kind; "Néant" switches it
// off and keeps the kind for the next time.
TEST_F(GrabWindow, InlayKindCommandsSwitchItOnAndNeantKeepsTheKind)
{
    const QString dv = TestMediaPath(QStringLiteral("dv-pal-4x3.dv"));
    ASSERT_FALSE(dv.isEmpty());
    form->OpenPath(dv);
    ASSERT_TRUE(form->Media()->HasVideo());
    ASSERT_TRUE(run("saBmpOption"));
    const auto grab = [this] {
        const QString path = form->NextImagePath;
        EXPECT_TRUE(run("saGrab"));
        return QImage(path).convertToFormat(QImage::Format_RGB888);
    };
    const QImage plain = grab();

    ASSERT_TRUE(form->Action("saIncrustTimecode")->Execute());
    EXPECT_TRUE(form->InlayOn);
    EXPECT_EQ(ParIncrustRec->Value.WhatIncrust, 1);
    EXPECT_EQ(form->Media()->Superposer.Settings().WhatIncrust, 1);
    const QImage timecode = grab();
    ASSERT_TRUE(form->Action("saIncrustDatecode")->Execute());
    EXPECT_EQ(form->Media()->Superposer.Settings().WhatIncrust, 0);
    const QImage datecode = grab();
    EXPECT_GT(difference(timecode, plain), 0.0);
    EXPECT_GT(difference(datecode, timecode), 0.0);

    ASSERT_TRUE(form->Action("saIncrustNeant")->Execute());
    EXPECT_FALSE(form->InlayOn);
    EXPECT_EQ(ParIncrustRec->Value.WhatIncrust, 0);
    EXPECT_EQ(difference(grab(), plain), 0.0);
    ASSERT_TRUE(form->Action("taIncruster")->Execute());
    EXPECT_EQ(difference(grab(), datecode), 0.0);
    EXPECT_TRUE(failures.isEmpty());
}

// The timecode drawn is the frame's own: the notifier reads DV frames a few
// frames ahead of the picture, through the queues between them.
TEST_F(GrabWindow, TheInlayShowsTheTimecodeOfTheFrameShown)
{
    const QString dv = TestMediaPath(QStringLiteral("dv-pal-4x3.dv"));
    ASSERT_FALSE(dv.isEmpty());
    form->OpenPath(dv);
    ASSERT_TRUE(form->Media()->HasVideo());
    ASSERT_TRUE(form->Action("saIncrustTimecode")->Execute());
    EXPECT_EQ(form->Media()->Superposer.LastLines().Line2, QStringLiteral("10:20:30:00"));
    for (int frame = 1; frame <= 6; ++frame) {
        ASSERT_TRUE(form->Action("saAvanceLow")->Execute());
        EXPECT_EQ(
            form->CurrentEdit->text(), QStringLiteral("0:00:00:%1").arg(frame, 2, 10, QLatin1Char('0')));
        EXPECT_EQ(form->Media()->Superposer.LastLines().Line2,
            QStringLiteral("10:20:30:%1").arg(frame, 2, 10, QLatin1Char('0')))
            << frame;
    }
    ASSERT_TRUE(form->Action("saIncrustDatecode")->Execute());
    EXPECT_EQ(form->Media()->Superposer.LastLines().Line1, QStringLiteral("jeudi 15 juillet 2004"));
    EXPECT_TRUE(failures.isEmpty());
}
