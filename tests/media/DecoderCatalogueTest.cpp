// The catalogues of installed decoders, on GStreamer's real registry with
// the packages the project installs.

#include "graph/MediaTypeGuids.h"
#include "graph/PlatformFilters.h"
#include "media/InstalledFilters.h"
#include "media/TMonikerStringList.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

namespace
{

// Decoders registered by the test beside the installed ones: one more of a
// name that exists, one of a maker that is refused.
struct TFakeDecoder {
    const char* factory;
    const char* longName;
};
const TFakeDecoder Twin { "stillextwinmpeg2dec", "mpeg1 and mpeg2 video decoder" };
const TFakeDecoder Refused { "stillexrefuseddec", "NeRo MPEG-2 Video Decoder" };

void fakeClassInit(gpointer klass, gpointer data)
{
    const auto* d = static_cast<const TFakeDecoder*>(data);
    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(element, d->longName, "Codec/Decoder/Video", "test", "test");
    GstCaps* in = gst_caps_from_string("video/mpeg, mpegversion=(int)2, systemstream=(boolean)false");
    GstCaps* out = gst_caps_from_string("video/x-raw");
    gst_element_class_add_pad_template(
        element, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, in));
    gst_element_class_add_pad_template(
        element, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, out));
    gst_caps_unref(in);
    gst_caps_unref(out);
}

void registerFake(const TFakeDecoder& d)
{
    if (GstElementFactory* known = gst_element_factory_find(d.factory)) {
        gst_object_unref(known);
        return;
    }
    GTypeInfo info {};
    info.class_size = sizeof(GstElementClass);
    info.class_init = fakeClassInit;
    info.class_data = &d;
    info.instance_size = sizeof(GstElement);
    const GType type = g_type_register_static(GST_TYPE_ELEMENT, d.factory, &info, GTypeFlags(0));
    ASSERT_TRUE(gst_element_register(nullptr, d.factory, GST_RANK_NONE, type));
}

class DecoderCatalogue : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        DetectInstalledFilters();
        registerFake(Twin);
        registerFake(Refused);
    }
};

TEST(DecoderCatalogueRules, NumbersWordsAndRefusedNames)
{
    EXPECT_EQ(TMonikerStringList::NumberFor("Foo Decoder", {}), 1);
    EXPECT_EQ(TMonikerStringList::NumberFor("Foo Decoder", { "Foo Decoder" }), 2);
    EXPECT_EQ(TMonikerStringList::NumberFor("Foo Decoder", { "Foo Decoder", "Foo Decoder#2" }), 3);
    // A gap left by a number taken is filled first.
    EXPECT_EQ(TMonikerStringList::NumberFor("Foo Decoder", { "Foo Decoder", "Foo Decoder#3" }), 2);
    EXPECT_EQ(TMonikerStringList::NumberFor("Foo Decoder", { "foo decoder" }), 1);
    EXPECT_EQ((TMonikerClass { {}, "Foo Decoder", 2 }.DisplayName()), QStringLiteral("Foo Decoder#2"));
    EXPECT_EQ((TMonikerClass { {}, "Foo Decoder", 1 }.DisplayName()), QStringLiteral("Foo Decoder"));

    EXPECT_TRUE(TMonikerStringList::HoldsEveryWord("libav MPEG-2 video DECODER", { "decod", "mpeg" }));
    EXPECT_FALSE(TMonikerStringList::HoldsEveryWord("libav MPEG-2 video parser", { "decod" }));
    EXPECT_TRUE(TMonikerStringList::IsRefused("NERO Video Decoder"));
    EXPECT_TRUE(TMonikerStringList::IsRefused("Video Decoder (nero)"));
    EXPECT_FALSE(TMonikerStringList::IsRefused("Generic Video Decoder"));
}

TEST_F(DecoderCatalogue, Mpeg2VideoListsTheInstalledDecodersNumberedAndSorted)
{
    TMonikerStringList list;
    list.FillMatching(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO, MEDIATYPE_Video, MEDIASUBTYPE_RGB32,
        { QStringLiteral("decod") }, false);
    const QStringList names = list.Names();
    EXPECT_TRUE(names.contains("libav MPEG-2 video decoder")) << names.join(", ").toStdString();
    EXPECT_TRUE(names.contains("mpeg1 and mpeg2 video decoder")) << names.join(", ").toStdString();
    EXPECT_TRUE(names.contains("mpeg1 and mpeg2 video decoder#2")) << names.join(", ").toStdString();
    EXPECT_EQ(names.contains(FfdshowVideoName), FfdshowVideoPresent);
    for (const QString& name : names)
        EXPECT_FALSE(name.contains("nero", Qt::CaseInsensitive)) << name.toStdString();
    for (int i = 1; i < names.size(); ++i)
        EXPECT_LT(QString::compare(names[i - 1], names[i], Qt::CaseInsensitive), 0);

    // The better ranked of two of a name is the first; the twin is #2.
    EXPECT_EQ(PlatformFilters::DecoderFactoryOfMoniker(list.Find("mpeg1 and mpeg2 video decoder")->Moniker),
        QStringLiteral("mpeg2dec"));
    EXPECT_EQ(PlatformFilters::DecoderFactoryOfMoniker(list.Find("mpeg1 and mpeg2 video decoder#2")->Moniker),
        QString::fromLatin1(Twin.factory));
    // Filled again, nothing is listed twice.
    const int count = list.Count();
    list.FillMatching(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO, MEDIATYPE_Video, MEDIASUBTYPE_RGB32,
        { QStringLiteral("decod") }, false);
    EXPECT_EQ(list.Count(), count);
    // A word no name holds empties the choice.
    TMonikerStringList none;
    none.FillMatching(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO, MEDIATYPE_Video, MEDIASUBTYPE_RGB32,
        { QStringLiteral("decod"), QStringLiteral("no such word") }, false);
    EXPECT_EQ(none.Count(), 0);
}

TEST_F(DecoderCatalogue, MpegAudioListsTheLibavAndMpg123Decoders)
{
    TMonikerStringList list;
    for (const GUID& sub : { MEDIASUBTYPE_MPEG1Payload, MEDIASUBTYPE_MPEG1Audio, MEDIASUBTYPE_MPEG2_AUDIO })
        list.FillMatching(
            MEDIATYPE_Audio, sub, MEDIATYPE_Audio, MEDIASUBTYPE_PCM, { QStringLiteral("decod") }, true);
    const QStringList names = list.Names();
    EXPECT_TRUE(names.contains("libav MP2 (MPEG audio layer 2) decoder")) << names.join(", ").toStdString();
    EXPECT_TRUE(names.contains("mpg123 mp3 decoder")) << names.join(", ").toStdString();
    // Two libav factories share the MP3 decoder's name.
    EXPECT_TRUE(names.contains("libav MP3 (MPEG audio layer 3) decoder#2")) << names.join(", ").toStdString();
    EXPECT_EQ(names.contains(FfdshowAudioName), FfdshowAudioPresent);
    EXPECT_EQ(QStringList(names).removeDuplicates(), 0);
    // No video decoder answers for audio.
    EXPECT_FALSE(names.contains("libav MPEG-2 video decoder"));
}

TEST_F(DecoderCatalogue, AChosenDecoderIsTheOneThatDecodes)
{
    for (const char* factory : { "mpeg2dec", "avdec_mpeg2video" }) {
        auto filter = PlatformFilters::CreateFromMoniker(PlatformFilters::DecoderMoniker(factory));
        ASSERT_TRUE(filter) << factory;
        GstElement* bin = filter->Element();
        GstPad* sink = gst_element_get_static_pad(bin, "sink");
        GstCaps* takes = gst_pad_query_caps(sink, nullptr);
        // Its input takes what that one decoder (and a parser before it) takes.
        GstCaps* mpeg2 = gst_caps_from_string("video/mpeg, mpegversion=(int)2, systemstream=(boolean)false");
        EXPECT_TRUE(gst_caps_can_intersect(takes, mpeg2)) << factory;
        gst_caps_unref(mpeg2);
        gst_caps_unref(takes);
        gst_object_unref(sink);
    }
    EXPECT_FALSE(PlatformFilters::CreateFromMoniker(PlatformFilters::DecoderMoniker("no-such-decoder")));
    // A parser is no decoder.
    EXPECT_FALSE(PlatformFilters::CreateFromMoniker(PlatformFilters::DecoderMoniker("mpegvideoparse")));
}

} // namespace
