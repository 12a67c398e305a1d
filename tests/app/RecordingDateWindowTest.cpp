// Recording dates beyond DV, from the main window on real files: the date a
// camcorder's .MTS file carries in its H.264 stream reaches the inlay at the
// right frames across midnight, and the JPEGs grabbed from it, from DV and
// from a container with a creation time carry their dates in EXIF.

#include "app/TShowForm.h"
#include "automation/CommandContext.h"
#include "automation/TCustomSuperAction.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "prefs/TWideStringParameter.h"
#include "prefs/TincrustRecParameter.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/TestMedia.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <libexif/exif-data.h>
#include <map>
#include <string>

namespace
{

std::map<std::string, std::string> exifTags(const QString& path)
{
    std::map<std::string, std::string> tags;
    ExifData* data = exif_data_new_from_file(QFile::encodeName(path).constData());
    if (!data) return tags;
    ExifContent* content = data->ifd[EXIF_IFD_EXIF];
    for (unsigned i = 0; content && i < content->count; ++i) {
        char text[256] = {};
        exif_entry_get_value(content->entries[i], text, sizeof text);
        tags[exif_tag_get_name_in_ifd(content->entries[i]->tag, EXIF_IFD_EXIF)] = text;
    }
    exif_data_unref(data);
    return tags;
}

class RecordingDateWindow : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        form->OnFailure = [this](const QString& text) { failures << text; };
        ParDossierSave->Value = m_images.path() + QStringLiteral("/");
        ParImageAjouter->Value = 0;
        ParInternalDeinterlacer->Value = false;
        ParImageExtension->Value = 1; // JPEG
    }
    void open(const char* name)
    {
        const QString path = TestMediaPath(QString::fromLatin1(name));
        ASSERT_FALSE(path.isEmpty());
        form->OpenPath(path);
        ASSERT_TRUE(form->Media()->HasVideo());
    }
    bool step() { return form->Action("saAvanceLow")->Execute(); }
    int shownFrame()
    {
        form->TakeSnapshot();
        return FrameNumberIn(form->SourceFrame(), 16);
    }
    // Grabs the frame shown; the tags of the JPEG written.
    std::map<std::string, std::string> grab()
    {
        const QString path = form->NextImagePath;
        CommandArguments = QStringList { QString() };
        EXPECT_TRUE(form->Action("saGrab")->RunHandler(form.get()));
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
        return exifTags(path);
    }
    QString line(int which) const
    {
        const TInlayLines lines = form->Media()->Superposer.LastLines();
        return which == 1 ? lines.Line1 : lines.Line2;
    }

    QTemporaryDir m_images;
    QStringList failures;
};

} // namespace

TEST_F(RecordingDateWindow, TheMtsDateReachesTheInlayAndTheJpegAcrossMidnight)
{
    open("avchd-midnight.MTS");
    ASSERT_TRUE(form->Action("saIncrustDatecode")->Execute());
    form->saPositionExecute(QStringLiteral("0:00:01:20"));
    ASSERT_EQ(shownFrame(), 45);
    EXPECT_EQ(line(1), QStringLiteral("jeudi 31 décembre 2009"));
    EXPECT_EQ(line(2), QStringLiteral("23:59:59"));
    for (int frame = 46; frame <= 63; ++frame) {
        ASSERT_TRUE(step());
        ASSERT_EQ(shownFrame(), frame);
        if (frame == 49) {
            EXPECT_EQ(line(2), QStringLiteral("23:59:59"));
        }
        if (frame == 50) {
            EXPECT_EQ(line(1), QStringLiteral("vendredi 1 janvier 2010"));
            EXPECT_EQ(line(2), QStringLiteral("00:00:00"));
        }
    }
    // Frame 13 of its second at 25 fps: 0.52 s.
    auto tags = grab();
    EXPECT_EQ(tags["DateTimeOriginal"], "2010:01:01 00:00:00");
    EXPECT_EQ(tags["SubSecTimeOriginal"], "52");

    // The offset panel starts from the frame's date; an hour back moves the
    // inlay and the EXIF date over midnight again.
    ParIncrustRec->Value.DecalageHoraire = -1.0 / 24;
    form->ApplyInlay();
    EXPECT_EQ(line(1), QStringLiteral("jeudi 31 décembre 2009"));
    EXPECT_EQ(line(2), QStringLiteral("23:00:00"));
    tags = grab();
    EXPECT_EQ(tags["DateTimeOriginal"], "2009:12:31 23:00:00");
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
}

TEST_F(RecordingDateWindow, DvNtscWithOffsetContainerTimeAndNoDate)
{
    // DV at 30000/1001: the date's second changes at frame 30, so frame 43 is
    // 13 frames into 10:11:13, 0.43 s; the one-hour offset moves the date.
    open("dv-ntsc-numbered.dv");
    ParIncrustRec->Value.DecalageHoraire = 1.0 / 24;
    form->ApplyInlay();
    form->saPositionExecute(QStringLiteral("0:00:00:25"));
    while (shownFrame() < 43)
        ASSERT_TRUE(step());
    ASSERT_EQ(shownFrame(), 43);
    auto tags = grab();
    EXPECT_EQ(tags["DateTimeOriginal"], "2022:08:09 11:11:13");
    EXPECT_EQ(tags["DateTimeDigitized"], "2022:08:09 11:11:13");
    EXPECT_EQ(tags["SubSecTimeOriginal"], "43");
    EXPECT_EQ(tags["PixelXDimension"], std::to_string(form->OutputImage().width()));

    // Another inlay kind shows the still again through the filters, which
    // starts a new segment: the frames read before it still place the next
    // one in its second (frame 44, 14 frames in: 0.467 s).
    ASSERT_TRUE(form->Action("saIncrustTimecode")->Execute());
    ASSERT_TRUE(step());
    ASSERT_EQ(shownFrame(), 44);
    tags = grab();
    EXPECT_EQ(tags["DateTimeOriginal"], "2022:08:09 11:11:13");
    EXPECT_EQ(tags["SubSecTimeOriginal"], "46");

    // A container's creation time, plus the frame's position (frame 10 at
    // 25 fps: 0.4 s); the time offset is for camcorder dates only.
    open("h264-created.mp4");
    form->saPositionExecute(QStringLiteral("0:00:00:10"));
    ASSERT_EQ(shownFrame(), 10);
    tags = grab();
    const QDateTime local = QDateTime(QDate(2015, 6, 7), QTime(8, 9, 10), QTimeZone::utc()).toLocalTime();
    EXPECT_EQ(tags["DateTimeOriginal"], local.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toStdString());
    EXPECT_EQ(tags["SubSecTimeOriginal"], "40");

    // Neither: no date tag, the rest of the block all the same.
    open("h264-320x240.mkv");
    tags = grab();
    EXPECT_EQ(tags.count("DateTimeOriginal"), 0u);
    EXPECT_EQ(tags.count("SubSecTimeOriginal"), 0u);
    EXPECT_EQ(tags["PixelYDimension"], std::to_string(form->OutputImage().height()));
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
}
