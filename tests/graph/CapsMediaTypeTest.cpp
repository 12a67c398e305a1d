#include "graph/CapsMediaType.h"

#include "graph/MediaTypeGuids.h"

#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>
#include <string>

namespace
{

class CapsMediaTypeTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { gst_init(nullptr, nullptr); }

    static TMediaType fromCaps(const char* text)
    {
        GstCaps* caps = gst_caps_from_string(text);
        EXPECT_NE(caps, nullptr) << text;
        TMediaType mt;
        EXPECT_TRUE(MediaTypeFromCaps(caps, mt)) << text;
        if (caps) gst_caps_unref(caps);
        return mt;
    }

    static std::string capsText(const GstCaps* caps)
    {
        if (!caps) return "(null)";
        gchar* text = gst_caps_to_string(caps);
        std::string result(text);
        g_free(text);
        return result;
    }

    // The record maps back to caps that say at least as much as the original:
    // a subset of it, so every element that took the original takes them.
    static void expectMapsBackWithin(const TMediaType& mt, const char* original)
    {
        GstCaps* back = CapsFromMediaType(mt);
        GstCaps* expected = gst_caps_from_string(original);
        ASSERT_NE(back, nullptr) << original;
        EXPECT_TRUE(gst_caps_is_fixed(back)) << capsText(back);
        EXPECT_TRUE(gst_caps_is_subset(back, expected)) << capsText(back) << "  vs  " << original;
        gst_caps_unref(back);
        gst_caps_unref(expected);
    }

    static void expectMapsBackTo(const TMediaType& mt, const char* expectedText)
    {
        GstCaps* back = CapsFromMediaType(mt);
        GstCaps* expected = gst_caps_from_string(expectedText);
        ASSERT_NE(back, nullptr) << expectedText;
        EXPECT_TRUE(gst_caps_is_equal(back, expected)) << capsText(back) << "  vs  " << expectedText;
        gst_caps_unref(back);
        gst_caps_unref(expected);
    }

    // Caps made from a record map to a record that maps back to the same caps.
    static void expectSameAtTheNextTrip(const GstCaps* once)
    {
        TMediaType again;
        ASSERT_TRUE(MediaTypeFromCaps(once, again)) << capsText(once);
        GstCaps* twice = CapsFromMediaType(again);
        ASSERT_NE(twice, nullptr) << capsText(once);
        EXPECT_TRUE(gst_caps_is_equal(once, twice)) << capsText(once) << "  vs  " << capsText(twice);
        gst_caps_unref(twice);
    }

    static BITMAPINFOHEADER header(const TMediaType& mt)
    {
        BITMAPINFOHEADER bih;
        EXPECT_TRUE(mt.GetBitmapHeader(bih));
        return bih;
    }

    static WAVEFORMATEX wave(const TMediaType& mt)
    {
        WAVEFORMATEX wfx;
        EXPECT_TRUE(mt.GetWaveFormat(wfx));
        return wfx;
    }
};

struct TRawVideoCase {
    const char* caps;
    GUID subtype;
    GUID formattype;
    uint16_t bitCount;
    uint32_t compression;
    int32_t height; // signed as the header states it
    uint32_t imageSize;
    REFERENCE_TIME frameDuration;
    uint32_t aspectX, aspectY; // second generation header only
    uint32_t interlaceFlags;
};

} // namespace

TEST_F(CapsMediaTypeTest, RawVideoBothWays)
{
    const uint32_t tffInterleaved = AMINTERLACE_IsInterlaced | AMINTERLACE_Field1First
        | AMINTERLACE_FieldPatBothRegular | AMINTERLACE_DisplayModeBobOrWeave;
    const TRawVideoCase cases[] = {
        { "video/x-raw, format=(string)BGRx, width=(int)320, height=(int)240, framerate=(fraction)25/1",
            MEDIASUBTYPE_RGB32, FORMAT_VideoInfo, 32, BI_RGB, -240, 320 * 240 * 4, 400000, 0, 0, 0 },
        // Rows of 322 × 3 bytes are padded to 968.
        { "video/x-raw, format=(string)BGR, width=(int)322, height=(int)10", MEDIASUBTYPE_RGB24,
            FORMAT_VideoInfo, 24, BI_RGB, -10, 968 * 10, 0, 0, 0, 0 },
        { "video/x-raw, format=(string)I420, width=(int)320, height=(int)240, framerate=(fraction)30000/1001",
            MEDIASUBTYPE_I420, FORMAT_VideoInfo, 12, MakeFourCC('I', '4', '2', '0'), 240, 115200, 333667, 0,
            0, 0 },
        { "video/x-raw, format=(string)YUY2, width=(int)720, height=(int)576, "
          "pixel-aspect-ratio=(fraction)16/15, "
          "framerate=(fraction)25/1",
            MEDIASUBTYPE_YUY2, FORMAT_VideoInfo2, 16, MakeFourCC('Y', 'U', 'Y', '2'), 576, 720 * 576 * 2,
            400000, 4, 3, 0 },
        { "video/x-raw, format=(string)BGRx, width=(int)720, height=(int)576, "
          "pixel-aspect-ratio=(fraction)64/45",
            MEDIASUBTYPE_RGB32, FORMAT_VideoInfo2, 32, BI_RGB, -576, 720 * 576 * 4, 0, 16, 9, 0 },
        { "video/x-raw, format=(string)UYVY, width=(int)720, height=(int)576, "
          "interlace-mode=(string)interleaved, "
          "field-order=(string)top-field-first, framerate=(fraction)25/1",
            MEDIASUBTYPE_UYVY, FORMAT_VideoInfo2, 16, MakeFourCC('U', 'Y', 'V', 'Y'), 576, 720 * 576 * 2,
            400000, 5, 4, tffInterleaved },
        { "video/x-raw, format=(string)RGB16, width=(int)64, height=(int)48", MEDIASUBTYPE_RGB565,
            FORMAT_VideoInfo, 16, BI_BITFIELDS, -48, 64 * 48 * 2, 0, 0, 0, 0 },
        { "video/x-raw, format=(string)NV12, width=(int)1920, height=(int)1080, "
          "framerate=(fraction)24000/1001",
            MEDIASUBTYPE_NV12, FORMAT_VideoInfo, 12, MakeFourCC('N', 'V', '1', '2'), 1080,
            1920 * 1080 * 3 / 2, 417083, 0, 0, 0 },
    };
    for (const TRawVideoCase& c : cases) {
        SCOPED_TRACE(c.caps);
        const TMediaType mt = fromCaps(c.caps);
        EXPECT_EQ(mt.majortype, MEDIATYPE_Video);
        EXPECT_EQ(mt.subtype, c.subtype) << GuidName(mt.subtype);
        EXPECT_EQ(mt.formattype, c.formattype) << GuidName(mt.formattype);
        EXPECT_TRUE(mt.bFixedSizeSamples);
        EXPECT_FALSE(mt.bTemporalCompression);
        EXPECT_EQ(mt.lSampleSize, c.imageSize);
        const BITMAPINFOHEADER bih = header(mt);
        EXPECT_EQ(bih.biBitCount, c.bitCount);
        EXPECT_EQ(bih.biCompression, c.compression);
        EXPECT_EQ(bih.biHeight, c.height);
        EXPECT_EQ(bih.biSizeImage, c.imageSize);
        EXPECT_EQ(mt.AvgTimePerFrame(), c.frameDuration);
        RECT source, target;
        ASSERT_TRUE(mt.GetRects(source, target));
        EXPECT_EQ(source, (RECT { 0, 0, bih.biWidth, std::abs(c.height) }));
        EXPECT_EQ(target, source);
        uint32_t x = 0, y = 0, flags = 0;
        if (c.formattype == FORMAT_VideoInfo2) {
            ASSERT_TRUE(mt.GetPictureAspectRatio(x, y));
            EXPECT_EQ(x, c.aspectX);
            EXPECT_EQ(y, c.aspectY);
            ASSERT_TRUE(mt.GetInterlaceFlags(flags));
            EXPECT_EQ(flags, c.interlaceFlags);
        }
        expectMapsBackWithin(mt, c.caps);
    }

    // 5-6-5 needs its colour masks after the header.
    const TMediaType rgb565 = fromCaps(cases[6].caps);
    ASSERT_EQ(rgb565.cbFormat(), 88u + 12);
    uint32_t masks[3];
    ASSERT_TRUE(rgb565.ReadFormat(masks, 88));
    EXPECT_EQ(masks[0], 0xF800u);
    EXPECT_EQ(masks[1], 0x07E0u);
    EXPECT_EQ(masks[2], 0x001Fu);

    // GStreamer has no bottom-up frames: a positive RGB height gives the same caps.
    TMediaType bottomUp = fromCaps(cases[0].caps);
    BITMAPINFOHEADER bih = header(bottomUp);
    bih.biHeight = 240;
    ASSERT_TRUE(bottomUp.SetBitmapHeader(bih));
    expectMapsBackTo(bottomUp,
        "video/x-raw, format=(string)BGRx, width=(int)320, height=(int)240, framerate=(fraction)25/1, "
        "pixel-aspect-ratio=(fraction)1/1, interlace-mode=(string)progressive");

    // The platform's alpha RGB goes to BGRA; YV12 written by someone else still maps.
    TMediaType argb = bottomUp;
    argb.subtype = MEDIASUBTYPE_ARGB32;
    expectMapsBackWithin(argb, "video/x-raw, format=(string)BGRA, width=(int)320, height=(int)240");
    TMediaType yv12 = fromCaps("video/x-raw, format=(string)I420, width=(int)64, height=(int)64");
    yv12.subtype = MEDIASUBTYPE_YV12;
    expectMapsBackWithin(yv12, "video/x-raw, format=(string)YV12, width=(int)64, height=(int)64");

    // One field per buffer is raw video only with the interlaced-format
    // feature: such a record maps to caps GStreamer takes, and back.
    const char* alternate = "video/x-raw(format:Interlaced), format=(string)UYVY, width=(int)720, "
                            "height=(int)288, interlace-mode=(string)alternate, framerate=(fraction)50/1";
    const TMediaType fields = fromCaps(alternate);
    uint32_t fieldFlags = 0;
    ASSERT_TRUE(fields.GetInterlaceFlags(fieldFlags));
    EXPECT_TRUE(fieldFlags & AMINTERLACE_1FieldPerSample);
    GstCaps* back = CapsFromMediaType(fields);
    ASSERT_NE(back, nullptr);
    GstVideoInfo info;
    EXPECT_TRUE(gst_video_info_from_caps(&info, back)) << capsText(back);
    gst_caps_unref(back);
    expectMapsBackWithin(fields, alternate);

    // A pixel shape no video has (a damaged header), or one whose picture
    // ratio the 32-bit fields cannot hold exactly, is taken as square, and
    // stays so through every further trip: an approximation came back as
    // another shape at each trip.
    for (const char* shape : { "1572114681/15", "2147483647/2147483646" }) {
        const std::string text = std::string("video/x-raw, format=(string)UYVY, width=(int)1920, "
                                             "height=(int)576, pixel-aspect-ratio=(fraction)")
            + shape;
        const TMediaType odd = fromCaps(text.c_str());
        GstCaps* once = CapsFromMediaType(odd);
        ASSERT_NE(once, nullptr);
        int num = 0, den = 0;
        ASSERT_TRUE(
            gst_structure_get_fraction(gst_caps_get_structure(once, 0), "pixel-aspect-ratio", &num, &den));
        EXPECT_EQ(num, 1) << shape;
        EXPECT_EQ(den, 1) << shape;
        expectSameAtTheNextTrip(once);
        gst_caps_unref(once);
    }
    // The same on compressed video, whose caps leave square pixels unsaid:
    // the shape taken as square chose the second generation header, and the
    // next trip the first, which said nothing of the pixels any more.
    const TMediaType mpeg4
        = fromCaps("video/mpeg, mpegversion=(int)4, systemstream=(boolean)false, "
                   "width=(int)52, height=(int)5, pixel-aspect-ratio=(fraction)135579899/981115");
    GstCaps* once = CapsFromMediaType(mpeg4);
    ASSERT_NE(once, nullptr);
    expectSameAtTheNextTrip(once);
    gst_caps_unref(once);
}

TEST_F(CapsMediaTypeTest, DvMpegAndCodecVideoBothWays)
{
    // DV elementary stream: a first generation header whatever the pixel shape.
    const char* dvPal = "video/x-dv, systemstream=(boolean)false, width=(int)720, height=(int)576, "
                        "framerate=(fraction)25/1";
    TMediaType mt = fromCaps(dvPal);
    EXPECT_EQ(mt.majortype, MEDIATYPE_Video);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_dvsd);
    EXPECT_EQ(mt.formattype, FORMAT_VideoInfo);
    EXPECT_EQ(header(mt).biCompression, MakeFourCC('d', 'v', 's', 'd'));
    EXPECT_EQ(header(mt).biHeight, 576);
    EXPECT_EQ(mt.AvgTimePerFrame(), 400000);
    EXPECT_EQ(mt.lSampleSize, 144000u);
    expectMapsBackWithin(mt, dvPal);
    mt = fromCaps("video/x-dv, systemstream=(boolean)false, framerate=(fraction)30000/1001, "
                  "pixel-aspect-ratio=(fraction)10/11");
    EXPECT_EQ(mt.formattype, FORMAT_VideoInfo);
    EXPECT_EQ(header(mt).biWidth, 720);
    EXPECT_EQ(header(mt).biHeight, 480);
    EXPECT_EQ(mt.AvgTimePerFrame(), 333667);
    EXPECT_EQ(mt.lSampleSize, 120000u);
    // Any fraction of the same rate is the same standard; a rate that only
    // looks like 30000/1001 once its product wraps around 32 bits is none.
    mt = fromCaps("video/x-dv, systemstream=(boolean)false, framerate=(fraction)60000/2002");
    EXPECT_EQ(header(mt).biHeight, 480);
    mt = fromCaps("video/x-dv, systemstream=(boolean)false, framerate=(fraction)1385888608/2");
    EXPECT_EQ(header(mt).biHeight, 0);
    EXPECT_EQ(mt.lSampleSize, 0u);
    mt = fromCaps("video/x-dv, systemstream=(boolean)false, framerate=(fraction)2147483647/1");
    EXPECT_EQ(mt.lSampleSize, 0u);

    // DV as one interleaved stream, as a file holds it.
    mt = fromCaps("video/x-dv, systemstream=(boolean)true");
    EXPECT_EQ(mt.majortype, MEDIATYPE_Interleaved);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_dvsd);
    EXPECT_EQ(mt.formattype, FORMAT_DvInfo);
    EXPECT_EQ(mt.cbFormat(), 32u);
    expectMapsBackTo(mt, "video/x-dv, systemstream=(boolean)true");

    // MPEG-1 with its sequence header behind the struct.
    const char* mpeg1 = "video/mpeg, mpegversion=(int)1, systemstream=(boolean)false, width=(int)352, "
                        "height=(int)288, framerate=(fraction)25/1, codec_data=(buffer)000001b31601202310";
    mt = fromCaps(mpeg1);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_MPEG1Payload);
    EXPECT_EQ(mt.formattype, FORMAT_MPEGVideo);
    EXPECT_GE(mt.cbFormat(), 104u);
    uint32_t cb = 0;
    ASSERT_TRUE(mt.ReadFormat(cb, 92));
    EXPECT_EQ(cb, 9u);
    EXPECT_EQ(mt.format[96], 0x00);
    EXPECT_EQ(mt.format[99], 0xB3);
    EXPECT_EQ(header(mt).biWidth, 352);
    EXPECT_EQ(mt.AvgTimePerFrame(), 400000);
    expectMapsBackTo(mt, mpeg1);

    // MPEG-2: picture aspect from the pixel aspect ratio, header at 132.
    const char* mpeg2 = "video/mpeg, mpegversion=(int)2, systemstream=(boolean)false, width=(int)720, "
                        "height=(int)576, pixel-aspect-ratio=(fraction)16/15, framerate=(fraction)25/1, "
                        "profile=(string)main, level=(string)main, interlace-mode=(string)mixed, "
                        "codec_data=(buffer)000001b32d0240331d4c23a0000001b5";
    mt = fromCaps(mpeg2);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_MPEG2_VIDEO);
    EXPECT_EQ(mt.formattype, FORMAT_MPEG2Video);
    EXPECT_EQ(mt.cbFormat(), 132u + 16);
    uint32_t x = 0, y = 0, flags = 0;
    ASSERT_TRUE(mt.GetPictureAspectRatio(x, y));
    EXPECT_EQ(x, 4u);
    EXPECT_EQ(y, 3u);
    ASSERT_TRUE(mt.GetInterlaceFlags(flags));
    EXPECT_EQ(flags & (AMINTERLACE_IsInterlaced | AMINTERLACE_FieldPatternMask),
        AMINTERLACE_IsInterlaced | AMINTERLACE_FieldPatBothIrregular);
    MPEG2VIDEOINFO info;
    ASSERT_TRUE(mt.ReadFormat(info));
    EXPECT_EQ(info.cbSequenceHeader, 16u);
    EXPECT_EQ(info.dwProfile, AM_MPEG2Profile_Main);
    EXPECT_EQ(info.dwLevel, AM_MPEG2Level_Main);
    EXPECT_EQ(mt.format[132 + 3], 0xB3);
    EXPECT_EQ(mt.AvgTimePerFrame(), 400000);
    expectMapsBackTo(mt, mpeg2);
    mt = fromCaps("video/mpeg, mpegversion=(int)2, width=(int)720, height=(int)576, "
                  "pixel-aspect-ratio=(fraction)64/45");
    ASSERT_TRUE(mt.GetPictureAspectRatio(x, y));
    EXPECT_EQ(x, 16u);
    EXPECT_EQ(y, 9u);
    EXPECT_EQ(mt.cbFormat(), 136u);

    struct {
        const char* caps;
        const char* fourcc;
        GUID formattype;
    } codecs[] = {
        { "video/x-h264, stream-format=(string)byte-stream, width=(int)1920, height=(int)1080, "
          "framerate=(fraction)30000/1001",
            "H264", FORMAT_VideoInfo },
        { "video/x-h264, stream-format=(string)avc, alignment=(string)au, width=(int)1280, height=(int)720, "
          "framerate=(fraction)50/1, codec_data=(buffer)0164001fffe100196764",
            "AVC1", FORMAT_VideoInfo },
        { "video/x-h264, stream-format=(string)avc3, alignment=(string)au, width=(int)1280, height=(int)720",
            "AVC1", FORMAT_VideoInfo },
        { "video/x-wmv, wmvversion=(int)3, width=(int)640, height=(int)480, framerate=(fraction)30/1, "
          "codec_data=(buffer)4e1a0a01",
            "WMV3", FORMAT_VideoInfo },
        { "video/x-wmv, wmvversion=(int)3, format=(string)WVC1, width=(int)1440, height=(int)1080, "
          "pixel-aspect-ratio=(fraction)4/3, codec_data=(buffer)250000010f",
            "WVC1", FORMAT_VideoInfo2 },
        { "video/mpeg, mpegversion=(int)4, systemstream=(boolean)false, width=(int)720, height=(int)576, "
          "pixel-aspect-ratio=(fraction)12/11, codec_data=(buffer)000001b0f5",
            "MP4V", FORMAT_VideoInfo2 },
        { "video/x-divx, divxversion=(int)5, width=(int)640, height=(int)352", "DX50", FORMAT_VideoInfo },
        { "video/x-xvid, width=(int)640, height=(int)352, bitrate=(uint)1200000", "XVID", FORMAT_VideoInfo },
        { "video/x-h265, stream-format=(string)hvc1, alignment=(string)au, width=(int)3840, "
          "height=(int)2160, "
          "codec_data=(buffer)01016000",
            "HEVC", FORMAT_VideoInfo },
        { "image/jpeg, width=(int)640, height=(int)480, framerate=(fraction)30/1", "MJPG", FORMAT_VideoInfo },
    };
    for (const auto& c : codecs) {
        SCOPED_TRACE(c.caps);
        const uint32_t fourcc = MakeFourCC(c.fourcc[0], c.fourcc[1], c.fourcc[2], c.fourcc[3]);
        mt = fromCaps(c.caps);
        EXPECT_EQ(mt.majortype, MEDIATYPE_Video);
        EXPECT_EQ(mt.subtype, FourCCSubtype(fourcc));
        EXPECT_EQ(mt.formattype, c.formattype);
        const BITMAPINFOHEADER bih = header(mt);
        EXPECT_EQ(bih.biCompression, fourcc);
        EXPECT_GT(bih.biHeight, 0);
        EXPECT_EQ(mt.bTemporalCompression, fourcc != MakeFourCC('M', 'J', 'P', 'G'));
        // Codec data travels after the header and is counted in biSize.
        EXPECT_EQ(bih.biSize, 40 + mt.CodecData().size());
        EXPECT_EQ(mt.cbFormat(), (c.formattype == FORMAT_VideoInfo ? 88 : 112) + mt.CodecData().size());
        expectMapsBackWithin(mt, c.caps);
    }
    EXPECT_EQ(fromCaps(codecs[1].caps).CodecData().size(), 10u);
    EXPECT_EQ(fromCaps(codecs[7].caps).BitRate(), 1200000u);
}

TEST_F(CapsMediaTypeTest, AudioAndContainersBothWays)
{
    struct {
        const char* caps;
        GUID subtype;
        uint16_t tag;
        uint16_t channels;
        uint32_t rate;
        uint32_t avgBytes;
        uint16_t blockAlign;
        uint16_t bits;
        uint16_t cbSize;
    } cases[] = {
        { "audio/x-raw, format=(string)S16LE, layout=(string)interleaved, rate=(int)48000, channels=(int)2",
            MEDIASUBTYPE_PCM, 1, 2, 48000, 192000, 4, 16, 0 },
        { "audio/x-raw, format=(string)U8, layout=(string)interleaved, rate=(int)8000, channels=(int)1",
            MEDIASUBTYPE_PCM, 1, 1, 8000, 8000, 1, 8, 0 },
        { "audio/x-raw, format=(string)S24LE, layout=(string)interleaved, rate=(int)96000, channels=(int)2",
            MEDIASUBTYPE_PCM, 1, 2, 96000, 576000, 6, 24, 0 },
        { "audio/x-raw, format=(string)F32LE, layout=(string)interleaved, rate=(int)44100, channels=(int)1",
            MEDIASUBTYPE_IEEE_FLOAT, 3, 1, 44100, 176400, 4, 32, 0 },
        { "audio/mpeg, mpegversion=(int)1, layer=(int)3, rate=(int)44100, channels=(int)2, "
          "bitrate=(int)128000",
            MEDIASUBTYPE_MP3, 0x55, 2, 44100, 16000, 1, 0, 0 },
        { "audio/mpeg, mpegversion=(int)1, mpegaudioversion=(int)1, layer=(int)2, rate=(int)48000, "
          "channels=(int)2, "
          "bitrate=(int)224000",
            MEDIASUBTYPE_MPEG1AudioPayload, 0x50, 2, 48000, 28000, 1, 0, 22 },
        { "audio/mpeg, mpegversion=(int)1, mpegaudioversion=(int)2, layer=(int)2, rate=(int)24000, "
          "channels=(int)1",
            MEDIASUBTYPE_MPEG2_AUDIO, 0x50, 1, 24000, 0, 1, 0, 22 },
        { "audio/x-ac3, rate=(int)48000, channels=(int)6, bitrate=(int)448000", MEDIASUBTYPE_DOLBY_AC3,
            0x2000, 6, 48000, 56000, 1, 0, 0 },
        { "audio/x-dts, rate=(int)48000, channels=(int)6", MEDIASUBTYPE_DTS, 0x2001, 6, 48000, 0, 1, 0, 0 },
        { "audio/mpeg, mpegversion=(int)4, stream-format=(string)raw, codec_data=(buffer)1210, "
          "rate=(int)44100, "
          "channels=(int)2",
            MEDIASUBTYPE_RAW_AAC1, 0xFF, 2, 44100, 0, 1, 0, 2 },
        { "audio/mpeg, mpegversion=(int)4, stream-format=(string)adts, rate=(int)48000, channels=(int)2",
            MEDIASUBTYPE_RAW_AAC1, 0xFF, 2, 48000, 0, 1, 0, 0 },
        { "audio/x-wma, wmaversion=(int)2, rate=(int)44100, channels=(int)2, bitrate=(int)128016, "
          "block_align=(int)5945, depth=(int)16, codec_data=(buffer)008800000f0000000000",
            MEDIASUBTYPE_WMAUDIO2, 0x161, 2, 44100, 16002, 5945, 16, 10 },
        { "audio/x-private1-lpcm", MEDIASUBTYPE_DVD_LPCM_AUDIO, 1, 0, 0, 0, 0, 0, 0 },
        { "audio/x-lpcm, width=(int)16, rate=(int)48000, channels=(int)2", MEDIASUBTYPE_DVD_LPCM_AUDIO, 1, 2,
            48000, 192000, 4, 16, 0 },
        { "audio/x-alaw, rate=(int)8000, channels=(int)1", FourCCSubtype(6), 6, 1, 8000, 8000, 1, 8, 0 },
        { "audio/x-adpcm, layout=(string)dvi, block_align=(int)1024, rate=(int)44100, channels=(int)2",
            FourCCSubtype(0x11), 0x11, 2, 44100, 0, 1024, 4, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caps);
        const TMediaType mt = fromCaps(c.caps);
        EXPECT_EQ(mt.majortype, MEDIATYPE_Audio);
        EXPECT_EQ(mt.subtype, c.subtype) << GuidName(mt.subtype);
        EXPECT_EQ(mt.formattype, FORMAT_WaveFormatEx);
        const WAVEFORMATEX wfx = wave(mt);
        EXPECT_EQ(wfx.wFormatTag, c.tag);
        EXPECT_EQ(wfx.nChannels, c.channels);
        EXPECT_EQ(wfx.nSamplesPerSec, c.rate);
        EXPECT_EQ(wfx.nAvgBytesPerSec, c.avgBytes);
        EXPECT_EQ(wfx.nBlockAlign, c.blockAlign);
        EXPECT_EQ(wfx.wBitsPerSample, c.bits);
        EXPECT_EQ(wfx.cbSize, c.cbSize);
        EXPECT_EQ(mt.cbFormat(), 18u + c.cbSize);
        expectMapsBackTo(mt, c.caps);
    }
    MPEG1WAVEFORMAT mwf;
    ASSERT_TRUE(fromCaps(cases[5].caps).ReadFormat(mwf));
    EXPECT_EQ(mwf.fwHeadLayer, ACM_MPEG_LAYER2);
    EXPECT_EQ(mwf.dwHeadBitrate, 224000u);
    EXPECT_EQ(mwf.fwHeadMode, ACM_MPEG_STEREO);
    EXPECT_EQ(mwf.fwHeadFlags, ACM_MPEG_ID_MPEG1);
    EXPECT_TRUE(fromCaps(cases[0].caps).bFixedSizeSamples);
    EXPECT_EQ(fromCaps(cases[0].caps).lSampleSize, 4u);

    // Multichannel PCM gets a channel layout GStreamer accepts.
    TMediaType six
        = fromCaps("audio/x-raw, format=(string)S16LE, layout=(string)interleaved, rate=(int)48000, "
                   "channels=(int)6, channel-mask=(bitmask)0x3f");
    expectMapsBackWithin(six,
        "audio/x-raw, format=(string)S16LE, layout=(string)interleaved, rate=(int)48000, "
        "channels=(int)6, channel-mask=(bitmask)0x3f");

    struct {
        const char* caps;
        GUID subtype;
    } containers[] = {
        { "video/x-msvideo", MEDIASUBTYPE_Avi },
        { "video/mpeg, systemstream=(boolean)true, mpegversion=(int)1", MEDIASUBTYPE_MPEG1System },
        { "video/mpeg, systemstream=(boolean)true, mpegversion=(int)2", MEDIASUBTYPE_MPEG2_PROGRAM },
        { "video/mpegts, systemstream=(boolean)true, packetsize=(int)192", MEDIASUBTYPE_MPEG2_TRANSPORT },
        { "video/x-ms-asf", MEDIASUBTYPE_Asf },
        { "video/quicktime, variant=(string)iso", MEDIASUBTYPE_QTMovie },
    };
    for (const auto& c : containers) {
        SCOPED_TRACE(c.caps);
        const TMediaType mt = fromCaps(c.caps);
        EXPECT_EQ(mt.majortype, MEDIATYPE_Stream);
        EXPECT_EQ(mt.subtype, c.subtype);
        EXPECT_EQ(mt.formattype, FORMAT_None);
        GstCaps* back = CapsFromMediaType(mt);
        GstCaps* original = gst_caps_from_string(c.caps);
        ASSERT_NE(back, nullptr);
        EXPECT_TRUE(gst_caps_can_intersect(back, original)) << capsText(back);
        gst_caps_unref(back);
        gst_caps_unref(original);
    }
}

TEST_F(CapsMediaTypeTest, FrameDurations)
{
    EXPECT_EQ(FrameDurationFromRate(30000, 1001), 333667);
    EXPECT_EQ(FrameDurationFromRate(25, 1), 400000);
    EXPECT_EQ(FrameDurationFromRate(24000, 1001), 417083);
    EXPECT_EQ(FrameDurationFromRate(60000, 1001), 166833);
    EXPECT_EQ(FrameDurationFromRate(0, 1), 0);
    EXPECT_EQ(FrameDurationFromRate(25, 0), 0);
    EXPECT_EQ(FrameDurationFromRate(-25, 1), 0);
    EXPECT_EQ(FrameDurationFromRate(INT_MAX, 1), 0);
    EXPECT_EQ(FrameDurationFromRate(1, INT_MAX), 21474836470000000);

    int num = 0, den = 0;
    ASSERT_TRUE(RateFromFrameDuration(333667, num, den));
    EXPECT_EQ(num * 1001, den * 30000);
    ASSERT_TRUE(RateFromFrameDuration(400000, num, den));
    EXPECT_EQ(num, 25 * den);
    ASSERT_TRUE(RateFromFrameDuration(333333, num, den));
    EXPECT_EQ(num, 30 * den);
    ASSERT_TRUE(RateFromFrameDuration(123457, num, den));
    EXPECT_NEAR(double(FrameDurationFromRate(num, den)), 123457.0, 1.0);
    EXPECT_FALSE(RateFromFrameDuration(0, num, den));
    EXPECT_FALSE(RateFromFrameDuration(-400000, num, den));

    // No rate in the caps: no duration, and none is invented on the way back.
    const TMediaType mt = fromCaps("video/x-raw, format=(string)BGRx, width=(int)16, height=(int)16, "
                                   "framerate=(fraction)0/1");
    EXPECT_EQ(mt.AvgTimePerFrame(), 0);
    GstCaps* back = CapsFromMediaType(mt);
    ASSERT_NE(back, nullptr);
    EXPECT_FALSE(gst_structure_has_field(gst_caps_get_structure(back, 0), "framerate"));
    gst_caps_unref(back);
}

TEST_F(CapsMediaTypeTest, BadInputIsRefusedWithoutHarm)
{
    TMediaType untouched(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx);
    untouched.format.assign(18, 7);
    TMediaType mt = untouched;
    EXPECT_FALSE(MediaTypeFromCaps(nullptr, mt));
    GstCaps* empty = gst_caps_new_empty();
    GstCaps* any = gst_caps_new_any();
    EXPECT_FALSE(MediaTypeFromCaps(empty, mt));
    EXPECT_FALSE(MediaTypeFromCaps(any, mt));
    gst_caps_unref(empty);
    gst_caps_unref(any);
    for (const char* text :
        {
            "application/x-unknown",
            "video/x-raw, format=(string){ BGRx, I420 }, width=(int)320, height=(int)240",
            "video/x-raw, format=(string)BGRx, width=(int)[ 1, 100 ], height=(int)240",
            "video/x-raw, format=(string)BGRx, height=(int)240",
            "video/x-raw, format=(string)RGBx, width=(int)320, height=(int)240",
            "audio/x-raw, format=(string)S16BE, layout=(string)interleaved, rate=(int)48000, channels=(int)2",
            "audio/x-raw, format=(string)S24_32LE, layout=(string)interleaved, rate=(int)48000, "
            "channels=(int)2",
            "audio/x-raw, format=(string)F32LE, layout=(string)non-interleaved, rate=(int)48000, "
            "channels=(int)2",
            // A damaged header's channel count once reached the audio
            // library, which copied a negative length.
            "audio/x-raw, format=(string)F32LE, layout=(string)interleaved, rate=(int)44100, "
            "channels=(int)-6, channel-mask=(bitmask)0x3f",
            "audio/x-raw, format=(string)S16LE, layout=(string)interleaved, rate=(int)0, channels=(int)2",
            "audio/mpeg, mpegversion=(int)3",
            "audio/mpeg",
            "video/mpeg, mpegversion=(int)3, systemstream=(boolean)false",
        }) {
        GstCaps* caps = gst_caps_from_string(text);
        ASSERT_NE(caps, nullptr) << text;
        EXPECT_FALSE(MediaTypeFromCaps(caps, mt)) << text;
        EXPECT_EQ(mt, untouched) << text;
        gst_caps_unref(caps);
    }

    // Records whose block is missing, too short or wrong give no caps.
    TMediaType video = fromCaps("video/x-raw, format=(string)BGRx, width=(int)320, height=(int)240");
    TMediaType shortVideo = video;
    shortVideo.format.resize(87);
    TMediaType noWidth = video;
    BITMAPINFOHEADER bih = header(video);
    bih.biWidth = 0;
    ASSERT_TRUE(noWidth.SetBitmapHeader(bih));
    TMediaType minHeight = video;
    bih = header(video);
    bih.biHeight = INT_MIN;
    ASSERT_TRUE(minHeight.SetBitmapHeader(bih));
    TMediaType shortAudio = fromCaps("audio/x-ac3, rate=(int)48000, channels=(int)2");
    shortAudio.format.resize(17);
    TMediaType oddPcm = fromCaps(
        "audio/x-raw, format=(string)S16LE, layout=(string)interleaved, rate=(int)48000, channels=(int)2");
    WAVEFORMATEX wfx = wave(oddPcm);
    wfx.wBitsPerSample = 12;
    ASSERT_TRUE(oddPcm.WriteFormat(wfx));
    TMediaType unknownCodec = fromCaps("video/x-h264, width=(int)64, height=(int)64");
    unknownCodec.subtype = FourCCSubtype(MakeFourCC('Z', 'Z', 'Z', 'Z'));
    TMediaType unknownMajor = video;
    unknownMajor.majortype = GUID_NULL;
    TMediaType unknownStream(MEDIATYPE_Stream, MEDIASUBTYPE_RGB32, FORMAT_None);
    for (const TMediaType* bad :
        { &shortVideo, &noWidth, &shortAudio, &oddPcm, &unknownCodec, &unknownMajor, &unknownStream }) {
        GstCaps* caps = CapsFromMediaType(*bad);
        EXPECT_EQ(caps, nullptr) << capsText(caps) << "\n" << bad->Dump().toStdString();
        if (caps) gst_caps_unref(caps);
    }
    // Pictures too large for GStreamer to size a frame of, and DVD audio
    // whose frame of all channels overflows its block alignment: damaged
    // headers, which describe no stream.
    TMediaType hugeVideo = video;
    bih = header(video);
    bih.biWidth = 269488128;
    bih.biHeight = 1511002208;
    ASSERT_TRUE(hugeVideo.SetBitmapHeader(bih));
    TMediaType wideLpcm = fromCaps("audio/x-lpcm, width=(int)16, rate=(int)48000, channels=(int)2");
    wfx = wave(wideLpcm);
    wfx.wBitsPerSample = 16166;
    wfx.nChannels = 40447;
    ASSERT_TRUE(wideLpcm.WriteFormat(wfx));
    for (const TMediaType* bad : { &minHeight, &hugeVideo, &wideLpcm }) {
        GstCaps* caps = CapsFromMediaType(*bad);
        EXPECT_EQ(caps, nullptr) << capsText(caps) << "\n" << bad->Dump().toStdString();
        if (caps) gst_caps_unref(caps);
    }
    GstCaps* caps = nullptr;

    // A sequence header count that runs past the block is cut, not followed.
    TMediaType mpeg2 = fromCaps("video/mpeg, mpegversion=(int)2, width=(int)720, height=(int)576");
    MPEG2VIDEOINFO info;
    ASSERT_TRUE(mpeg2.ReadFormat(info));
    info.cbSequenceHeader = 0xFFFFFFF0u;
    ASSERT_TRUE(mpeg2.WriteFormat(info));
    caps = CapsFromMediaType(mpeg2);
    ASSERT_NE(caps, nullptr);
    const GValue* codecData = gst_structure_get_value(gst_caps_get_structure(caps, 0), "codec_data");
    ASSERT_NE(codecData, nullptr);
    EXPECT_EQ(gst_buffer_get_size(gst_value_get_buffer(codecData)), 4u);
    gst_caps_unref(caps);
}

TEST_F(CapsMediaTypeTest, CapsNegotiatedByARealPipeline)
{
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(
        "videotestsrc num-buffers=5 ! video/x-raw,format=BGRx,width=320,height=240,framerate=25/1 "
        "! fakesink name=sink",
        &error);
    ASSERT_NE(pipeline, nullptr) << (error ? error->message : "");
    ASSERT_EQ(error, nullptr) << error->message;
    ASSERT_NE(gst_element_set_state(pipeline, GST_STATE_PAUSED), GST_STATE_CHANGE_FAILURE);
    GstState state = GST_STATE_NULL;
    ASSERT_EQ(gst_element_get_state(pipeline, &state, nullptr, 10 * GST_SECOND), GST_STATE_CHANGE_SUCCESS);
    EXPECT_EQ(state, GST_STATE_PAUSED);

    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    ASSERT_NE(sink, nullptr);
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    GstCaps* caps = gst_pad_get_current_caps(pad);
    ASSERT_NE(caps, nullptr);
    TMediaType mt;
    EXPECT_TRUE(MediaTypeFromCaps(caps, mt)) << capsText(caps);
    EXPECT_EQ(mt.majortype, MEDIATYPE_Video);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_RGB32);
    EXPECT_EQ(mt.formattype, FORMAT_VideoInfo);
    BITMAPINFOHEADER bih;
    ASSERT_TRUE(mt.GetBitmapHeader(bih));
    EXPECT_EQ(bih.biWidth, 320);
    EXPECT_EQ(bih.biHeight, -240);
    EXPECT_EQ(bih.biBitCount, 32);
    EXPECT_EQ(bih.biSizeImage, 320u * 240 * 4);
    EXPECT_EQ(mt.AvgTimePerFrame(), 400000);
    // What the pipeline negotiated accepts the caps made back from the record.
    GstCaps* back = CapsFromMediaType(mt);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(gst_caps_can_intersect(back, caps)) << capsText(back) << "  vs  " << capsText(caps);

    gst_caps_unref(back);
    gst_caps_unref(caps);
    gst_object_unref(pad);
    gst_object_unref(sink);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
}
