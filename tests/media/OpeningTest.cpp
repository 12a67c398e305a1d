// Opening real files: which recipe reads each kind of file, which streams it
// finds and under which names, and how failures and the cache behave.

#include "graph/MediaTypeGuids.h"
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
    return out + QStringLiteral(" | ") + v.join(QLatin1Char(',')) + QStringLiteral(" | ")
        + a.join(QLatin1Char(','));
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
    EXPECT_EQ(
        ChangeExtension(QStringLiteral("/v/a.b.mpg"), QStringLiteral(".scn")), QStringLiteral("/v/a.b.scn"));
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
    const std::pair<const char*, const char*> cases[] = {
        { "mpeg4-mp3.avi", "Avi | mpeg4-mp3.avi | mpeg4-mp3.avi" },
        { "video-only.avi", "Avi | video-only.avi | " },
        { "raw-160x120.avi", "Avi | raw-160x120.avi | " },
        // Type 2: separate DV video and PCM audio, no DV splitter.
        { "dv-pal-type2.avi", "Avi | dv-pal-type2.avi | dv-pal-type2.avi" },
        // Type 1: one interleaved stream, split by the DV reader.
        { "dv-pal-type1.avi", "Avi+DV | dv-pal-type1.avi | dv-pal-type1.avi" },
        { "mpeg2-pal-16x9.mpg", "Mpeg2PS | mpeg2-pal-16x9.mpg | mpeg2-pal-16x9.mpg" },
        { "mpeg2-2audio.mpg", "Mpeg2PS | mpeg2-2audio.mpg | mpeg2-2audio.mpg,mpeg2-2audio.mpg#2" },
        { "mpeg2-2audio.vob", "Mpeg2PS | mpeg2-2audio.vob | mpeg2-2audio.vob,mpeg2-2audio.vob#2" },
        { "mpeg1-system.mpg", "Mpeg2PS | mpeg1-system.mpg | mpeg1-system.mpg" },
        { "mpeg1-video.m1v", "Mpeg1 | mpeg1-video.m1v | " },
        { "audio-only.mp2", "Mpeg1 |  | audio-only.mp2" },
        // A transport stream under a program stream's name ends on the
        // transport stream reader.
        { "ts-named.mpg", "Mpeg2TS | ts-named.mpg | ts-named.mpg" },
        { "h264-ac3.ts", "Mpeg2TS | h264-ac3.ts | h264-ac3.ts" },
        { "h264-ac3.m2ts", "Mpeg2TS | h264-ac3.m2ts | h264-ac3.m2ts" },
        { "h264-ac3.mts", "Mpeg2TS | h264-ac3.mts | h264-ac3.mts" },
        { "h264-vorbis.mkv", "Mpeg2TS | h264-vorbis.mkv | h264-vorbis.mkv" },
        { "h264-320x240.mkv", "Mpeg2TS | h264-320x240.mkv | h264-320x240.mkv" },
        { "two-video.mkv", "Mpeg2TS | two-video.mkv,two-video.mkv #2 | two-video.mkv" },
        { "h264-aac.mp4", "Mpeg2TS | h264-aac.mp4 | h264-aac.mp4" },
        { "h264-aac.m4v", "Mpeg2TS | h264-aac.m4v | h264-aac.m4v" },
        { "h264-aac.mov", "Mpeg2TS | h264-aac.mov | h264-aac.mov" },
        { "h264-aac.3g2", "Mpeg2TS | h264-aac.3g2 | h264-aac.3g2" },
        { "wmv2-wma.wmv", "Wmv | wmv2-wma.wmv | wmv2-wma.wmv" },
        { "wmv2-wma.asf", "Wmv | wmv2-wma.asf | wmv2-wma.asf" },
        { "truncated.avi", "failed | Aucun fichier vidéo" },
        { "random.avi", "failed | Aucun fichier vidéo" },
    };
    for (const auto& [file, expected] : cases)
        EXPECT_EQ(open(file), expected) << file;

    // The DV reader's streams carry the DV mark and its notifier's module.
    const QString type1 = TestMediaPath(QStringLiteral("dv-pal-type1.avi"));
    TGrabBuilder b(type1);
    ASSERT_EQ(b.VideoSources.Count(), 1);
    EXPECT_TRUE(b.VideoSources.Items(0)->IsDV);
    EXPECT_TRUE(dynamic_cast<TDVCaptureDevice*>(b.VideoSources.Items(0)->Device));
    EXPECT_EQ(b.VideoSources.Items(1), nullptr);
    EXPECT_EQ(b.VideoSources.Items(-1), nullptr);
    const QString type2 = TestMediaPath(QStringLiteral("dv-pal-type2.avi"));
    TGrabBuilder b2(type2);
    ASSERT_EQ(b2.VideoSources.Count(), 1);
    EXPECT_FALSE(b2.VideoSources.Items(0)->IsDV);
}

TEST_F(Opening, AFileWithoutExtensionIsReadByTheRecipeOfLastResort)
{
    const QString path = TestMediaPath(QStringLiteral("noextension"));
    ASSERT_FALSE(path.isEmpty());
    TGrabBuilder b(path);
    EXPECT_EQ(describe(b), QStringLiteral("Unknown | %1 | %1").arg(path));
    // What is left is the source and the splitter the platform chose.
    auto* recipe = dynamic_cast<TFileUnknownCaptureDevice*>(b.Devices().Items(0));
    ASSERT_TRUE(recipe);
    TFilterGraph graph;
    ASSERT_TRUE(recipe->AttachToGraph(&graph));
    QStringList left;
    for (TGraphFilter* f : graph.Filters())
        left << f->Name();
    EXPECT_EQ(graph.Filters().size(), 2u) << left.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(recipe->FindStreamPin(MEDIATYPE_Video, 0));
    EXPECT_TRUE(recipe->FindStreamPin(MEDIATYPE_Audio, 0));
    EXPECT_TRUE(recipe->DetachFromGraph());
    EXPECT_TRUE(graph.Filters().empty());
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

TEST_F(Opening, TheSplitterMarkedAbsentLeavesOnlyTheRecipeOfLastResort)
{
    const QString path = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(path.isEmpty());
    HaaliPresent = false;
    TFileMpeg2TSCaptureDevice recipe(path);
    EXPECT_FALSE(recipe.ProbeOk);
    EXPECT_EQ(recipe.VideoStreams.Count(), 0);
    TGrabBuilder b(path);
    EXPECT_EQ(describe(b), QStringLiteral("Unknown | %1 | %1").arg(path));
}

TEST_F(Opening, BadFilesFailCleanlyAndPathsWithoutExtension)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString mkv = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(mkv.isEmpty());

    // Garbage, a file cut short, an empty file, a missing one.
    QFile garbage(dir.filePath(QStringLiteral("garbage.avi")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    QByteArray bytes(65536, '\0');
    quint32 x = 12345;
    for (char& c : bytes)
        c = char((x = x * 1103515245u + 12345u) >> 24);
    garbage.write(bytes);
    garbage.close();
    QFile source(mkv);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QFile cut(dir.filePath(QStringLiteral("cut.mkv")));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(source.read(300)); // before the track headers
    cut.close();
    QFile(dir.filePath(QStringLiteral("empty.mpg"))).open(QIODevice::WriteOnly);

    for (const QString& name : { QStringLiteral("garbage.avi"), QStringLiteral("cut.mkv"),
             QStringLiteral("empty.mpg"), QStringLiteral("missing.avi") }) {
        TGrabBuilder b(dir.filePath(name));
        EXPECT_TRUE(b.Failed) << name.toStdString();
        EXPECT_EQ(b.DisplayName, NoVideoFileName);
        EXPECT_EQ(b.VideoSources.Count() + b.AudioSources.Count(), 0);
        EXPECT_EQ(b.Devices().Count(), 0);
    }

    // A dot in a folder's name is no extension; the scene file is the path
    // with ".scn" added.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("dir.old")));
    const QString film = dir.filePath(QStringLiteral("dir.old/film"));
    ASSERT_TRUE(QFile::copy(mkv, film));
    TGrabBuilder withoutScenes(film);
    EXPECT_FALSE(withoutScenes.HasSceneFile);
    QFile(film + QStringLiteral(".scn")).open(QIODevice::WriteOnly);
    TGrabBuilder b(film);
    EXPECT_TRUE(b.HasSceneFile);
    EXPECT_EQ(describe(b), QStringLiteral("Unknown | %1 | %1").arg(film));
    EXPECT_EQ(b.DisplayName, QStringLiteral("film"));
}

TEST_F(Opening, EachPathIsClassifiedOnceAndAFailureIsRetriedWhenItsFileChanges)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString avi = TestMediaPath(QStringLiteral("raw-160x120.avi"));
    const QString dv = TestMediaPath(QStringLiteral("dv-pal-4x3.dv"));
    ASSERT_FALSE(avi.isEmpty());
    ASSERT_FALSE(dv.isEmpty());

    // Two files whose names differ in case only are two files.
    const QString upper = dir.filePath(QStringLiteral("Clip.dv"));
    const QString lower = dir.filePath(QStringLiteral("clip.dv"));
    ASSERT_TRUE(QFile::copy(dv, upper));
    ASSERT_TRUE(QFile::copy(avi, lower));
    TBuilderCache cache;
    TGrabBuilder* a = cache.BuilderFor(upper);
    TGrabBuilder* b = cache.BuilderFor(lower);
    ASSERT_FALSE(a->Failed);
    ASSERT_FALSE(b->Failed);
    EXPECT_NE(a, b);
    EXPECT_EQ(a->AudioSources.Count(), 1);
    EXPECT_EQ(b->AudioSources.Count(), 0);
    EXPECT_EQ(cache.BuilderFor(upper), a);
    EXPECT_EQ(cache.BuilderFor(lower), b);

    // A file still being copied fails; the same file complete does not.
    const QString path = dir.filePath(QStringLiteral("copying.avi"));
    {
        QFile partial(path);
        ASSERT_TRUE(partial.open(QIODevice::WriteOnly));
    }
    TGrabBuilder* first = cache.BuilderFor(path);
    ASSERT_TRUE(first->Failed);
    EXPECT_EQ(cache.BuilderFor(path), first); // unchanged: not tried again
    QFile::remove(path);
    ASSERT_TRUE(QFile::copy(avi, path));
    TGrabBuilder* again = cache.BuilderFor(path);
    EXPECT_FALSE(again->Failed);
    EXPECT_EQ(again->DisplayName, QStringLiteral("copying.avi"));
    EXPECT_EQ(cache.BuilderFor(path), again);
    EXPECT_EQ(cache.Count(), 3);
}

TEST_F(Opening, AttachingTwiceAddsNothingAndDetachTakesOutAll)
{
    const QString path = TestMediaPath(QStringLiteral("mpeg2-pal-16x9.mpg"));
    ASSERT_FALSE(path.isEmpty());
    TFileMpeg2PSCaptureDevice recipe(path);
    ASSERT_TRUE(recipe.ProbeOk);
    EXPECT_EQ(recipe.Graph, nullptr);

    TFilterGraph graph;
    ASSERT_TRUE(recipe.AttachToGraph(&graph));
    const auto filters = graph.Filters();
    EXPECT_EQ(filters.size(), 2u);
    ASSERT_TRUE(recipe.AttachToGraph(&graph));
    EXPECT_EQ(graph.Filters(), filters);
    // The streams are found again by kind and number.
    TGraphPin* video = recipe.FindStreamPin(MEDIATYPE_Video, 0);
    ASSERT_TRUE(video);
    EXPECT_EQ(video->Filter(), recipe.StreamSource);
    EXPECT_TRUE(recipe.FindStreamPin(MEDIATYPE_Audio, 0));
    EXPECT_FALSE(recipe.FindStreamPin(MEDIATYPE_Audio, 1));

    // Moving to another graph takes the filters with it.
    TFilterGraph other;
    ASSERT_TRUE(recipe.AttachToGraph(&other));
    EXPECT_TRUE(graph.Filters().empty());
    EXPECT_EQ(other.Filters().size(), 2u);
    EXPECT_TRUE(recipe.DetachFromGraph());
    EXPECT_TRUE(other.Filters().empty());
    EXPECT_EQ(recipe.StreamSource, nullptr);
}

TEST(InstalledFilters, DecodersGiveRgbVideoAndPcmAudioFromCompressedStreams)
{
    DetectInstalledFilters();
    ASSERT_TRUE(HaaliPresent && FfdshowVideoPresent && FfdshowAudioPresent);
    const QString path = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(path.isEmpty());

    TFilterGraph graph;
    auto splitter = CreateHaaliSplitter();
    auto video = CreateFfdshowVideoDecoder();
    auto audio = CreateFfdshowAudioDecoder();
    GstElement* vbin = gst_parse_bin_from_description(
        "capsfilter caps=video/x-raw,format=BGRx ! fakesink name=out sync=false", TRUE, nullptr);
    GstElement* abin = gst_parse_bin_from_description(
        "capsfilter caps=audio/x-raw,format=S16LE ! fakesink name=out sync=false", TRUE, nullptr);
    auto vsink = std::make_shared<TGraphFilter>(vbin, GUID_NULL);
    auto asink = std::make_shared<TGraphFilter>(abin, GUID_NULL);
    ASSERT_TRUE(splitter && video && audio);
    for (auto& [f, name] : std::vector<std::pair<std::shared_ptr<TGraphFilter>, QString>> {
             { splitter, HaaliSplitterName }, { video, FfdshowVideoName }, { audio, FfdshowAudioName },
             { vsink, QStringLiteral("v") }, { asink, QStringLiteral("a") } })
        ASSERT_TRUE(SUCCEEDED(graph.AddFilter(f, name)));
    ASSERT_EQ(splitter->Load(path), S_OK);
    TGraphPin* v = nullptr;
    TGraphPin* a = nullptr;
    ASSERT_EQ(graph.FindPin(splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, true, 0, &v), S_OK);
    ASSERT_EQ(graph.FindPin(splitter.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio, true, 0, &a), S_OK);
    // The decoders already in the graph are the ones the connection takes.
    ASSERT_EQ(graph.RenderStream(nullptr, nullptr, v, nullptr, vsink.get()), S_OK);
    ASSERT_EQ(graph.RenderStream(nullptr, nullptr, a, nullptr, asink.get()), S_OK);
    EXPECT_EQ(v->ConnectedTo()->Filter(), video.get());
    EXPECT_EQ(a->ConnectedTo()->Filter(), audio.get());
    graph.Pause();
    int state = -1;
    ASSERT_EQ(graph.GetState(10000, state), S_OK);
    ASSERT_EQ(graph.SetPosition(2 * 10'000'000LL), S_OK);
    ASSERT_EQ(graph.GetState(10000, state), S_OK);
    for (GstElement* bin : { vbin, abin }) {
        GstElement* out = gst_bin_get_by_name(GST_BIN(bin), "out");
        GstSample* sample = nullptr;
        g_object_get(out, "last-sample", &sample, nullptr);
        gst_object_unref(out);
        ASSERT_TRUE(sample);
        EXPECT_TRUE(gst_sample_get_buffer(sample));
        gst_sample_unref(sample);
    }
}
