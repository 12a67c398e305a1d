// Opening real files: which recipe reads each kind of file, which streams it
// finds and under which names, and how failures and the cache behave.

#include "media/InstalledFilters.h"
#include "media/SourcePaths.h"
#include "media/TAudioSource.h"
#include "media/TBuilderCache.h"
#include "media/TDVCaptureDevice.h"
#include "media/TFileAviCaptureDevice.h"
#include "media/TFileMpeg1CaptureDevice.h"
#include "media/TFileMpeg2PSCaptureDevice.h"
#include "media/TFileMpeg2SplitterCaptureDevice.h"
#include "media/TFileMpeg2TSCaptureDevice.h"
#include "media/TFileUnknownCaptureDevice.h"
#include "media/TFileWmvCaptureDevice.h"
#include "media/TGrabBuilder.h"
#include "media/TVideoSource.h"
#include "tests/support/TestMedia.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{
QString recipeName(const TCaptureDevice* d)
{
    if (!d) return QStringLiteral("none");
    if (dynamic_cast<const TFileAviCaptureDevice*>(d)) return QStringLiteral("Avi");
    if (dynamic_cast<const TFileMpeg1CaptureDevice*>(d)) return QStringLiteral("Mpeg1");
    if (dynamic_cast<const TFileMpeg2PSCaptureDevice*>(d)) return QStringLiteral("Mpeg2PS");
    if (dynamic_cast<const TFileMpeg2SplitterCaptureDevice*>(d)) return QStringLiteral("Mpeg2Splitter");
    if (dynamic_cast<const TFileMpeg2TSCaptureDevice*>(d)) return QStringLiteral("Mpeg2TS");
    if (dynamic_cast<const TFileWmvCaptureDevice*>(d)) return QStringLiteral("Wmv");
    if (dynamic_cast<const TFileUnknownCaptureDevice*>(d)) return QStringLiteral("Unknown");
    if (dynamic_cast<const TDVCaptureDevice*>(d)) return QStringLiteral("DV");
    return QStringLiteral("?");
}

// "Recipe[+DV] | video names | audio names", the opening result in one line.
QString describe(const TGrabBuilder& b)
{
    if (b.Failed) return QStringLiteral("failed | ") + b.DisplayName;
    const TCaptureDevice* d = b.Devices().Items(0);
    QString out = recipeName(d);
    if (d && d->SubDevices.Count()) out += QStringLiteral("+") + recipeName(d->SubDevices.Items(0));
    QStringList v, a;
    for (const TVideoSource* s : b.VideoSources)
        v << s->DisplayName;
    for (const TAudioSource* s : b.AudioSources)
        a << s->DisplayName;
    return out + QStringLiteral(" | ") + v.join(QLatin1Char(',')) + QStringLiteral(" | ") + a.join(QLatin1Char(','));
}

class Opening : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { DetectInstalledFilters(); }
    void TearDown() override { DetectInstalledFilters(); }

    std::string open(const char* fixture)
    {
        const QString path = TestMediaPath(QString::fromLatin1(fixture));
        if (path.isEmpty()) return "no fixture";
        TGrabBuilder b(path);
        return describe(b).toStdString();
    }
};
} // namespace

TEST(SourcePaths, ExtensionsAndSceneFiles)
{
    EXPECT_EQ(ExtensionOf(QStringLiteral("/v/Clip.AVI")), QStringLiteral(".avi"));
    EXPECT_EQ(ExtensionOf(QStringLiteral("/dir.old/film")), QString());
    EXPECT_EQ(ChangeExtension(QStringLiteral("/dir.old/film"), QStringLiteral(".scn")),
        QStringLiteral("/dir.old/film.scn"));
    EXPECT_EQ(ChangeExtension(QStringLiteral("/v/a.b.mpg"), QStringLiteral(".scn")), QStringLiteral("/v/a.b.scn"));
    EXPECT_EQ(FileNamePart(QStringLiteral("/v/a.b.mpg")), QStringLiteral("a.b.mpg"));
    EXPECT_EQ(FileNamePart(QStringLiteral("bare")), QStringLiteral("bare"));
}

TEST(SourcePaths, RecipeOrderPerExtension)
{
    using K = TRecipeKind;
    EXPECT_EQ(RecipesForExtension(QStringLiteral(".avi")), (std::vector<K> { K::Avi, K::Unknown }));
    EXPECT_EQ(RecipesForExtension(QStringLiteral(".vob")),
        (std::vector<K> { K::Mpeg2PS, K::Mpeg1, K::Mpeg2Splitter, K::Mpeg2TS, K::Unknown }));
    EXPECT_EQ(RecipesForExtension(QStringLiteral(".m2ts")), (std::vector<K> { K::Mpeg2TS, K::Unknown }));
    EXPECT_EQ(RecipesForExtension(QStringLiteral(".asf")), (std::vector<K> { K::Wmv, K::Unknown }));
    EXPECT_EQ(RecipesForExtension(QString()), (std::vector<K> { K::Unknown }));
    EXPECT_EQ(RecipesForExtension(QStringLiteral(".dv")), (std::vector<K> { K::Unknown }));
}

TEST_F(Opening, FilesOfEachKindGiveTheirRecipeAndStreams)
{
    EXPECT_EQ(open("dv-pal-type2.avi"), "Avi | dv-pal-type2.avi | dv-pal-type2.avi");
    EXPECT_EQ(open("raw-160x120.avi"), "Avi | raw-160x120.avi | ");
    EXPECT_EQ(open("mpeg2-pal-16x9.mpg"), "Mpeg2PS | mpeg2-pal-16x9.mpg | mpeg2-pal-16x9.mpg");
    EXPECT_EQ(open("h264-320x240.mkv"), "Mpeg2TS | h264-320x240.mkv | h264-320x240.mkv");
}

TEST_F(Opening, RawDvGoesToTheRecipeOfLastResort)
{
    const QString path = TestMediaPath(QStringLiteral("dv-pal-4x3.dv"));
    ASSERT_FALSE(path.isEmpty());
    TGrabBuilder b(path);
    // That recipe is named after the whole path, and so are its streams.
    EXPECT_EQ(describe(b), QStringLiteral("Unknown | %1 | %1").arg(path));
    EXPECT_EQ(b.DisplayName, QStringLiteral("dv-pal-4x3.dv"));
}
