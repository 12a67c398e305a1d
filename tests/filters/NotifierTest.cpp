#include "NotifierTestSupport.h"
#include "filters/TNotifier.h"
#include "graph/CapsMediaType.h"
#include "graph/MediaTypeGuids.h"
#include "media/TFilterElement.h"
#include "tests/support/TestMedia.h"

#include <QLocale>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace
{

const qintptr VideoRecordAddress = reinterpret_cast<qintptr>(&VData());
const qintptr AudioRecordAddress = reinterpret_cast<qintptr>(&AData());

TMediaType typeFromCaps(const char* caps)
{
    gst_init(nullptr, nullptr);
    GstCaps* c = gst_caps_from_string(caps);
    TMediaType mt;
    EXPECT_TRUE(MediaTypeFromCaps(c, mt)) << caps;
    gst_caps_unref(c);
    return mt;
}

TMediaType videoInfoType(const GUID& subtype, uint32_t compression, int width, int height,
    REFERENCE_TIME frameDuration, uint32_t bitRate = 0)
{
    TMediaType mt(MEDIATYPE_Video, subtype, FORMAT_VideoInfo);
    VIDEOINFOHEADER vih;
    vih.dwBitRate = bitRate;
    vih.AvgTimePerFrame = frameDuration;
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = compression;
    mt.SetFormatBlock(vih);
    return mt;
}

TMediaType videoInfo2Type(
    const GUID& format, const GUID& subtype, uint32_t compression, uint32_t aspectX, uint32_t aspectY)
{
    VIDEOINFOHEADER2 vih;
    vih.dwBitRate = 8000000;
    vih.AvgTimePerFrame = 400000;
    vih.dwPictAspectRatioX = aspectX;
    vih.dwPictAspectRatioY = aspectY;
    vih.bmiHeader.biWidth = 720;
    vih.bmiHeader.biHeight = 576;
    vih.bmiHeader.biBitCount = 12;
    vih.bmiHeader.biCompression = compression;
    TMediaType mt(MEDIATYPE_Video, subtype, format);
    if (format == FORMAT_MPEG2Video) {
        MPEG2VIDEOINFO info;
        info.hdr = vih;
        mt.SetFormatBlock(info);
    } else {
        mt.SetFormatBlock(vih);
    }
    return mt;
}

TMediaType waveType(uint16_t tag, int channels, uint32_t rate, int bits, uint32_t bytesPerSecond)
{
    TMediaType mt(MEDIATYPE_Audio, FourCCSubtype(tag), FORMAT_WaveFormatEx);
    WAVEFORMATEX wfx;
    wfx.wFormatTag = tag;
    wfx.nChannels = uint16_t(channels);
    wfx.nSamplesPerSec = rate;
    wfx.wBitsPerSample = uint16_t(bits);
    wfx.nAvgBytesPerSec = bytesPerSecond;
    mt.SetFormatBlock(wfx);
    return mt;
}

void setAudioCodecName(const QByteArray& name)
{
    TSharedRecordLocker lock(&SharedRecordLock());
    AData().CodecName = name;
}

std::vector<quintptr> kinds(const std::vector<TDescriptionRecorder::TMessage>& messages)
{
    std::vector<quintptr> out;
    for (const auto& m : messages) {
        EXPECT_EQ(m.Msg, WM_STREAMDESCRIPTION);
        EXPECT_EQ(m.LParam, m.WParam == StreamDescriptionVideo ? VideoRecordAddress : AudioRecordAddress);
        out.push_back(m.WParam);
    }
    return out;
}

const std::vector<quintptr> None {};
const std::vector<quintptr> Video { StreamDescriptionVideo };
const std::vector<quintptr> Audio { StreamDescriptionAudio };
const std::vector<quintptr> VideoThenAudio { StreamDescriptionVideo, StreamDescriptionAudio };

class NotifierTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        resetRecords();
        TBCBaseFilter::SetMainWindow(&window);
    }
    static void resetRecords()
    {
        TSharedRecordLocker lock(&SharedRecordLock());
        VData() = TvData {};
        AData() = TaData {};
    }
    void TearDown() override
    {
        TBCBaseFilter::SetMainWindow(nullptr);
        QLocale::setDefault(QLocale::system());
        window.Take();
    }

    // Connects both pins with mt and pauses: StartStreaming runs.
    HRESULT start(TNotifier& n, const TMediaType& mt)
    {
        EXPECT_EQ(n.ConnectInput(mt), S_OK);
        EXPECT_EQ(n.ConnectOutput(mt), S_OK);
        n.Deliver = [this](TMediaSample*) {
            ++delivered;
            return S_OK;
        };
        return n.Pause();
    }
    void stop(TNotifier& n)
    {
        n.Stop();
        n.DisconnectOutput();
        n.DisconnectInput();
    }
    // Passes bytes through Receive and checks that they come out untouched.
    void feed(TNotifier& n, std::vector<uint8_t> bytes, int32_t actualLength = -1)
    {
        const std::vector<uint8_t> before = bytes;
        TMediaSample sample(bytes.data(), int32_t(bytes.size()), actualLength);
        const REFERENCE_TIME start = 1234, stop = 5678;
        sample.SetTime(&start, &stop);
        sample.SetSyncPoint(true);
        const int deliveredBefore = delivered;
        EXPECT_EQ(n.Receive(&sample), S_OK);
        EXPECT_EQ(delivered, deliveredBefore + 1);
        EXPECT_EQ(bytes, before);
        REFERENCE_TIME s = 0, e = 0;
        EXPECT_EQ(sample.GetTime(&s, &e), S_OK);
        EXPECT_EQ(s, start);
        EXPECT_EQ(e, stop);
        EXPECT_EQ(sample.IsSyncPoint(), S_OK);
    }
    std::vector<quintptr> posted() { return kinds(window.Take()); }

    TDescriptionRecorder window;
    int delivered = 0;
};

} // namespace

TEST_F(NotifierTest, IdentityAndTypeNegotiation)
{
    TNotifier n;
    EXPECT_EQ(n.ObjectName(), QStringLiteral("Kestrine's Notifier"));
    EXPECT_EQ(n.ClassId().ToString(), QStringLiteral("{904F906E-CC19-462D-95DF-B61A7082E6AD}"));
    EXPECT_EQ(n.InputPin()->Name(), QStringLiteral("Input"));
    EXPECT_EQ(n.OutputPin()->Name(), QStringLiteral("Output"));

    const TMediaType dv = typeFromCaps("video/x-dv, systemstream=(boolean)false, width=720, height=576, "
                                       "framerate=(fraction)25/1");
    TMediaType mt;
    EXPECT_EQ(n.GetMediaType(-1, mt), E_INVALIDARG);
    EXPECT_EQ(n.GetMediaType(0, mt), VFW_S_NO_MORE_ITEMS);

    // Fresh: anything goes.
    EXPECT_EQ(n.CheckInputType(waveType(WAVE_FORMAT_PCM, 2, 48000, 16, 192000)), S_OK);
    n.DescribeNative = true;
    ASSERT_EQ(start(n, dv), S_OK);
    EXPECT_EQ(n.AcceptedMajorType(), MEDIATYPE_Video);
    EXPECT_EQ(n.AcceptedSubType(), MEDIASUBTYPE_dvsd);
    EXPECT_EQ(n.AcceptedFormatType(), FORMAT_VideoInfo);

    ASSERT_EQ(n.GetMediaType(0, mt), S_OK);
    EXPECT_EQ(mt, dv);
    EXPECT_EQ(n.GetMediaType(1, mt), VFW_S_NO_MORE_ITEMS);

    // After a run only the connected type is accepted; the format block may differ.
    EXPECT_EQ(n.CheckInputType(dv), S_OK);
    EXPECT_EQ(n.CheckInputType(videoInfoType(MEDIASUBTYPE_dvsd, MakeFourCC('d', 'v', 's', 'd'), 720, 480, 0)),
        S_OK);
    EXPECT_EQ(n.CheckInputType(videoInfoType(MEDIASUBTYPE_YUY2, 0, 720, 576, 0)), E_FAIL);
    EXPECT_EQ(
        n.CheckInputType(TMediaType(MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd, FORMAT_VideoInfo)), E_FAIL);
    EXPECT_EQ(n.CheckInputType(TMediaType(MEDIATYPE_Video, MEDIASUBTYPE_dvsd, FORMAT_DvInfo)), E_FAIL);
    stop(n);

    n.Reset();
    EXPECT_FALSE(n.DescribeNative || n.DescribeDecoded || n.DescribeAudio);
    EXPECT_EQ(n.AcceptedMajorType(), GUID_NULL);
    EXPECT_EQ(n.AcceptedFormatType(), GUID_NULL);
    EXPECT_EQ(n.CheckInputType(waveType(WAVE_FORMAT_PCM, 2, 48000, 16, 192000)), S_OK);

    // Same major type and subtype, whatever the format.
    const TMediaType other(MEDIATYPE_Video, MEDIASUBTYPE_dvsd, FORMAT_DvInfo);
    EXPECT_EQ(n.CheckTransform(dv, other), S_OK);
    EXPECT_EQ(
        n.CheckTransform(dv, TMediaType(MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(n.CheckTransform(dv, TMediaType(MEDIATYPE_Video, MEDIASUBTYPE_YUY2)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(n.SetMediaType(PINDIR_INPUT, other), S_OK);
}

TEST_F(NotifierTest, DecideBufferSize)
{
    TNotifier n;
    TMemAllocator allocator;
    ALLOCATOR_PROPERTIES request;
    ASSERT_EQ(n.DecideBufferSize(allocator, request), S_OK);
    EXPECT_EQ(request.cBuffers, 1);
    EXPECT_EQ(request.cbAlign, 1);
    EXPECT_EQ(request.cbBuffer, 3000000);
    EXPECT_EQ(allocator.Properties.cbBuffer, 3000000);

    // Raised to what comes in when that is more.
    n.InputPin()->Allocator().Properties.cbBuffer = 4000000;
    request = ALLOCATOR_PROPERTIES { 4, 1000, 16, 0 };
    ASSERT_EQ(n.DecideBufferSize(allocator, request), S_OK);
    EXPECT_EQ(allocator.Properties.cBuffers, 4);
    EXPECT_EQ(allocator.Properties.cbBuffer, 4000000);
    EXPECT_EQ(allocator.Properties.cbAlign, 16);

    // A pool that cannot hold an incoming sample is refused; one that holds
    // it, if less than the minimum, will do.
    allocator.Limit.cbBuffer = 3999999;
    EXPECT_EQ(n.DecideBufferSize(allocator, request), E_FAIL);
    n.InputPin()->Allocator().Properties.cbBuffer = 100000;
    allocator.Limit.cbBuffer = 200000;
    EXPECT_EQ(n.DecideBufferSize(allocator, request), S_OK);
    EXPECT_EQ(allocator.Properties.cbBuffer, 200000);
    // A pool in use answers for itself.
    allocator.Committed = true;
    EXPECT_TRUE(FAILED(n.DecideBufferSize(allocator, request)));
}

TEST_F(NotifierTest, DescribesVideoTypes)
{
    TNotifier n;
    TvData v;

    // Plain video info, both parts: codec from the picture header, size and rate.
    n.DescribeNative = n.DescribeDecoded = true;
    ASSERT_EQ(start(n,
                  videoInfoType(FourCCSubtype(MakeFourCC('X', 'V', 'I', 'D')), MakeFourCC('X', 'V', 'I', 'D'),
                      640, 480, 333667, 1000000)),
        S_OK);
    EXPECT_EQ(posted(), Video);
    EXPECT_FALSE(n.AnalyseSamples());
    v = VideoSnapshot();
    EXPECT_EQ(v.MajorType, MEDIATYPE_Video);
    EXPECT_EQ(v.FormatType, FORMAT_VideoInfo);
    EXPECT_EQ(v.CodecName, "XVID");
    EXPECT_EQ(v.Description, "XVID");
    EXPECT_EQ(v.Width, 640u);
    EXPECT_EQ(v.Height, 480u);
    EXPECT_EQ(v.BitCount, 24);
    EXPECT_EQ(v.BitRate, 1000000u);
    EXPECT_EQ(v.AvgTimePerFrame, 333667);
    EXPECT_NEAR(v.FramesPerSecond, 29.97, 0.001);
    EXPECT_EQ(v.SizeText, "640x480 - 29.97 fps");
    EXPECT_EQ(v.Aspect, AspectUnknown);
    EXPECT_EQ(v.Standard, StandardUnknown);
    stop(n);

    // Decoded part only, top-down RGB: the size changes, the description
    // stays; no rate gives no rate text.
    n.Reset();
    n.DescribeDecoded = true;
    ASSERT_EQ(start(n, videoInfoType(MEDIASUBTYPE_RGB32, BI_RGB, 320, -240, 0)), S_OK);
    EXPECT_EQ(posted(), Video);
    v = VideoSnapshot();
    EXPECT_EQ(v.Description, "XVID");
    EXPECT_EQ(v.SubType, MEDIASUBTYPE_RGB32); // the GUIDs of every video stream described
    EXPECT_EQ(v.Height, 240u);
    EXPECT_EQ(v.SizeText, "320x240");
    EXPECT_EQ(v.FramesPerSecond, 0.0);
    stop(n);

    // Native part only: the size stays.
    n.Reset();
    n.DescribeNative = true;
    ASSERT_EQ(
        start(n, videoInfo2Type(FORMAT_VideoInfo2, MEDIASUBTYPE_H264, MakeFourCC('a', 'v', 'c', '1'), 16, 9)),
        S_OK);
    EXPECT_EQ(posted(), Video);
    v = VideoSnapshot();
    EXPECT_EQ(v.Description, "avc1 (16x9)");
    EXPECT_EQ(v.Aspect, AspectWide);
    EXPECT_EQ(v.Width, 320u);
    EXPECT_EQ(v.SizeText, "320x240");
    EXPECT_EQ(v.BitRate, 8000000u);
    EXPECT_FALSE(n.AnalyseSamples());
    stop(n);

    const struct {
        uint32_t x, y;
        const char* description;
        uint8_t aspect;
    } ratios[] = { { 4, 3, "avc1 (4x3)", AspectNormal }, { 1440, 1080, "avc1 (4x3)", AspectNormal },
        { 5, 4, "avc1", AspectUnknown }, { 0, 0, "avc1", AspectUnknown }, { 0, 3, "avc1", AspectUnknown } };
    for (const auto& r : ratios) {
        ASSERT_EQ(start(n,
                      videoInfo2Type(
                          FORMAT_VideoInfo2, MEDIASUBTYPE_H264, MakeFourCC('a', 'v', 'c', '1'), r.x, r.y)),
            S_OK);
        EXPECT_EQ(VideoSnapshot().Description, r.description) << r.x << ":" << r.y;
        EXPECT_EQ(VideoSnapshot().Aspect, r.aspect);
        stop(n);
        n.Reset();
        n.DescribeNative = true;
    }
    posted();

    // MPEG-2: named by the format, analysed per sample.
    n.DescribeDecoded = true;
    ASSERT_EQ(start(n, videoInfo2Type(FORMAT_MPEG2Video, MEDIASUBTYPE_MPEG2_VIDEO, 0, 4, 3)), S_OK);
    EXPECT_EQ(posted(), Video);
    v = VideoSnapshot();
    EXPECT_EQ(v.CodecName, "MPEG2");
    EXPECT_EQ(v.Description, "MPEG2 (4x3)");
    EXPECT_EQ(v.SizeText, "720x576 - 25 fps");
    EXPECT_TRUE(n.AnalyseSamples());
    stop(n);

    // MPEG-1.
    n.Reset();
    n.DescribeNative = true;
    TMediaType mpeg1(MEDIATYPE_Video, MEDIASUBTYPE_MPEG1Payload, FORMAT_MPEGVideo);
    mpeg1.SetFormatBlock(MPEG1VIDEOINFO {});
    ASSERT_EQ(start(n, mpeg1), S_OK);
    EXPECT_EQ(posted(), Video);
    EXPECT_EQ(VideoSnapshot().Description, "MPEG1");
    EXPECT_FALSE(n.AnalyseSamples());
    stop(n);

    // Blocks too short for their format, and types no row matches, post
    // nothing and leave the record.
    const TvData before = VideoSnapshot();
    TMediaType shortMpeg2 = videoInfo2Type(FORMAT_MPEG2Video, MEDIASUBTYPE_MPEG2_VIDEO, 0, 16, 9);
    shortMpeg2.format.resize(135);
    TMediaType shortInfo = videoInfoType(MEDIASUBTYPE_YUY2, MakeFourCC('Y', 'U', 'Y', '2'), 720, 576, 400000);
    shortInfo.format.resize(87);
    for (const TMediaType& mt :
        { shortMpeg2, shortInfo, TMediaType(MEDIATYPE_Video, MEDIASUBTYPE_YUY2, FORMAT_None),
            waveType(WAVE_FORMAT_PCM, 2, 48000, 16, 192000) }) {
        n.Reset();
        n.DescribeNative = n.DescribeDecoded = true;
        ASSERT_EQ(start(n, mt), S_OK);
        EXPECT_EQ(posted(), None);
        EXPECT_FALSE(n.AnalyseSamples());
        stop(n);
    }
    TvData after = VideoSnapshot();
    after.MajorType = before.MajorType; // the GUIDs of a video stream are always taken
    after.SubType = before.SubType;
    after.FormatType = before.FormatType;
    EXPECT_EQ(after, before);

    // No role, no description.
    n.Reset();
    ASSERT_EQ(
        start(n, videoInfoType(MEDIASUBTYPE_YUY2, MakeFourCC('Y', 'U', 'Y', '2'), 720, 576, 400000)), S_OK);
    EXPECT_EQ(posted(), None);
    stop(n);

    // No window: described all the same, nothing posted anywhere.
    TBCBaseFilter::SetMainWindow(nullptr);
    n.Reset();
    n.DescribeNative = true;
    ASSERT_EQ(start(n, mpeg1), S_OK);
    EXPECT_EQ(posted(), None);
    stop(n);
}

TEST_F(NotifierTest, DescribesDvTypes)
{
    TNotifier n;
    // Type 2: DV in a video-info block, as GStreamer's caps give it.
    n.DescribeNative = n.DescribeDecoded = true;
    ASSERT_EQ(start(n,
                  typeFromCaps("video/x-dv, systemstream=(boolean)false, width=(int)720, height=(int)480, "
                               "framerate=(fraction)30000/1001")),
        S_OK);
    EXPECT_EQ(posted(), Video);
    EXPECT_TRUE(n.AnalyseSamples());
    TvData v = VideoSnapshot();
    EXPECT_EQ(v.CodecName, "dvsd");
    EXPECT_EQ(v.Description, "dvsd");
    EXPECT_EQ(v.Standard, StandardNtsc);
    EXPECT_EQ(v.Aspect, AspectUnknown);
    EXPECT_EQ(v.Width, 720u);
    EXPECT_EQ(v.Height, 480u);
    EXPECT_EQ(v.SizeText, "720x480 - 29.97 fps");
    stop(n);

    for (const auto& [height, standard] :
        { std::pair(576, StandardPal), std::pair(288, StandardPal), std::pair(144, StandardPal),
            std::pair(240, StandardNtsc), std::pair(120, StandardNtsc), std::pair(500, StandardUnknown) }) {
        n.Reset();
        n.DescribeNative = true;
        ASSERT_EQ(
            start(n, videoInfoType(MEDIASUBTYPE_dvsd, MakeFourCC('d', 'v', 's', 'd'), 720, height, 400000)),
            S_OK);
        EXPECT_EQ(VideoSnapshot().Standard, standard) << height;
        stop(n);
    }

    // Type 1: the interleaved stream. Video and audio roles both report,
    // and the frames will tell the rest.
    n.Reset();
    n.DescribeNative = n.DescribeAudio = true;
    posted();
    {
        TSharedRecordLocker lock(&SharedRecordLock());
        AData().SampleRate = 48000;
    }
    ASSERT_EQ(start(n, typeFromCaps("video/x-dv, systemstream=(boolean)true")), S_OK);
    EXPECT_EQ(posted(), VideoThenAudio);
    EXPECT_TRUE(n.AnalyseSamples());
    v = VideoSnapshot();
    EXPECT_EQ(v.MajorType, MEDIATYPE_Interleaved);
    EXPECT_EQ(v.FormatType, FORMAT_DvInfo);
    EXPECT_EQ(v.Standard, StandardUnknown);
    EXPECT_EQ(v.Aspect, AspectUnknown);
    EXPECT_EQ(AudioSnapshot().SampleRate, 0);
    stop(n);
}

TEST_F(NotifierTest, DescribesAudioTypes)
{
    TNotifier n;
    n.DescribeAudio = true;
    setAudioCodecName("PCM");
    ASSERT_EQ(start(n, waveType(WAVE_FORMAT_PCM, 2, 48000, 16, 192000)), S_OK);
    EXPECT_EQ(posted(), Audio);
    EXPECT_FALSE(n.AnalyseSamples());
    TaData a = AudioSnapshot();
    EXPECT_EQ(a.Description, "PCM 48000Hz 16bits  stéréo");
    EXPECT_EQ(a.MajorType, MEDIATYPE_Audio);
    EXPECT_EQ(a.SubType, MEDIASUBTYPE_PCM);
    EXPECT_EQ(a.FormatType, FORMAT_WaveFormatEx);
    EXPECT_EQ(a.Channels, 2);
    EXPECT_EQ(a.SampleRate, 48000);
    EXPECT_EQ(a.BitsPerSample, 16);
    EXPECT_EQ(a.BitRate, 1536000);
    stop(n);

    const struct {
        TMediaType type;
        const char* codec;
        const char* description;
    } cases[] = {
        { waveType(WAVE_FORMAT_DOLBY_AC3, 6, 48000, 0, 56000), "AC3", "AC3 48000Hz 448Kb/s 6 canaux" },
        { waveType(WAVE_FORMAT_MPEG, 2, 44100, 0, 16000), "MPEG", "MPEG 44100Hz 128Kb/s stéréo" },
        { waveType(WAVE_FORMAT_PCM, 1, 8000, 8, 8000), "PCM", "PCM 8000Hz 8bits  mono" },
        { waveType(WAVE_FORMAT_PCM, 0, 0, 16, 0), "PCM", "PCM 16bits  0 canaux" },
        { waveType(WAVE_FORMAT_AAC, 2, 48000, 0, 0x7FFFFFFF), "AAC", "AAC 48000Hz 2147483Kb/s stéréo" },
    };
    for (const auto& c : cases) {
        n.Reset();
        n.DescribeAudio = true;
        setAudioCodecName(c.codec);
        ASSERT_EQ(start(n, c.type), S_OK);
        EXPECT_EQ(AudioSnapshot().Description, c.description);
        EXPECT_EQ(posted(), Audio);
        stop(n);
    }
    EXPECT_EQ(AudioSnapshot().BitRate, 0x7FFFFFFF); // clipped, not wrapped

    // A block too short for a WAVEFORMATEX: nothing.
    TMediaType cut = waveType(WAVE_FORMAT_PCM, 2, 48000, 16, 192000);
    cut.format.resize(17);
    n.Reset();
    n.DescribeAudio = true;
    ASSERT_EQ(start(n, cut), S_OK);
    EXPECT_EQ(posted(), None);
    stop(n);

    // A video notifier starting after the audio one leaves the audio rate.
    n.Reset();
    n.DescribeAudio = true;
    ASSERT_EQ(start(n, waveType(WAVE_FORMAT_PCM, 2, 44100, 16, 176400)), S_OK);
    stop(n);
    TNotifier video;
    video.DescribeNative = true;
    ASSERT_EQ(
        start(video, videoInfoType(MEDIASUBTYPE_YUY2, MakeFourCC('Y', 'U', 'Y', '2'), 720, 576, 400000)),
        S_OK);
    EXPECT_EQ(AudioSnapshot().SampleRate, 44100);
    stop(video);
}

TEST_F(NotifierTest, SizeTextUsesTheUsersDecimalSeparator)
{
    EXPECT_EQ(TNotifier::SizeText(720, 576, 25), "720x576 - 25 fps");
    EXPECT_EQ(TNotifier::SizeText(720, 480, 30000.0 / 1001), "720x480 - 29.97 fps");
    EXPECT_EQ(TNotifier::SizeText(1920, 1080, 24000.0 / 1001), "1920x1080 - 23.98 fps");
    EXPECT_EQ(TNotifier::SizeText(320, 240, 12.5), "320x240 - 12.5 fps");
    EXPECT_EQ(TNotifier::SizeText(320, 240, 2500), "320x240 - 2500 fps");
    EXPECT_EQ(TNotifier::SizeText(320, 240, 0), "320x240");
    EXPECT_EQ(TNotifier::SizeText(320, 240, -25), "320x240");
    EXPECT_EQ(TNotifier::SizeText(320, 240, std::numeric_limits<double>::infinity()), "320x240");

    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(TNotifier::SizeText(720, 480, 30000.0 / 1001), "720x480 - 29,97 fps");
    EXPECT_EQ(TNotifier::SizeText(720, 576, 25), "720x576 - 25 fps");
    EXPECT_EQ(TNotifier::SizeText(320, 240, 2500), "320x240 - 2500 fps");
    EXPECT_EQ(TNotifier::SizeText(320, 240, 0.004), "320x240 - 0 fps");

    // And so does the description of a type.
    TNotifier n;
    n.DescribeDecoded = true;
    ASSERT_EQ(
        start(n, videoInfoType(MEDIASUBTYPE_YUY2, MakeFourCC('Y', 'U', 'Y', '2'), 720, 480, 333667)), S_OK);
    EXPECT_EQ(VideoSnapshot().SizeText, "720x480 - 29,97 fps");
    stop(n);
}

TEST_F(NotifierTest, Mpeg2SequenceHeaders)
{
    TNotifier n;
    n.DescribeNative = true;
    ASSERT_EQ(start(n, videoInfo2Type(FORMAT_MPEG2Video, MEDIASUBTYPE_MPEG2_VIDEO, 0, 16, 9)), S_OK);
    EXPECT_EQ(posted(), Video);

    const std::vector<uint8_t> pal { 0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x33, 0x12, 0x34 };
    feed(n, pal);
    EXPECT_EQ(posted(), Video);
    TvData v = VideoSnapshot();
    EXPECT_EQ(v.Width, 720u);
    EXPECT_EQ(v.Height, 576u);
    EXPECT_EQ(v.FramesPerSecond, 25.0);
    EXPECT_EQ(v.Description, "MPEG2 (16x9)");

    // The same header again: nothing new.
    feed(n, pal);
    EXPECT_EQ(posted(), None);

    // Rate code 8, aspect 4:3.
    feed(n, { 0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x28 });
    EXPECT_EQ(posted(), Video);
    v = VideoSnapshot();
    EXPECT_EQ(v.FramesPerSecond, 60.0);
    EXPECT_EQ(v.Aspect, AspectNormal);
    EXPECT_EQ(v.Description, "MPEG2 (4x3)");

    // Unknown aspect code: no suffix.
    feed(n, { 0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x18 });
    EXPECT_EQ(posted(), Video);
    EXPECT_EQ(VideoSnapshot().Description, "MPEG2");

    // Samples without the header, or too short for it, change nothing.
    const TvData before = VideoSnapshot();
    feed(n, { 0x00, 0x00, 0x01, 0x00, 0x2D, 0x02, 0x40, 0x33 });
    feed(n, { 0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40 });
    feed(n, { 0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x33 }, 7); // cut by its length
    feed(n, {});
    EXPECT_EQ(posted(), None);
    EXPECT_EQ(VideoSnapshot(), before);

    // The decoded notifier does not analyse.
    stop(n);
    n.Reset();
    n.DescribeDecoded = true;
    ASSERT_EQ(start(n, videoInfo2Type(FORMAT_MPEG2Video, MEDIASUBTYPE_MPEG2_VIDEO, 0, 16, 9)), S_OK);
    posted();
    feed(n, pal);
    EXPECT_EQ(posted(), None);
    stop(n);
}

TEST_F(NotifierTest, DvType1Frames)
{
    TNotifier n;
    n.DescribeNative = n.DescribeAudio = true;
    ASSERT_EQ(start(n, typeFromCaps("video/x-dv, systemstream=(boolean)true")), S_OK);
    EXPECT_EQ(posted(), VideoThenAudio);

    TDvFrameBuilder frame;
    frame.DisplaySelect(2).Timecode(1, 2, 3, 4).Date(31, 12, 1999, 23, 59, 58).Audio(0, 0);
    feed(n, frame.Bytes);
    EXPECT_EQ(posted(), VideoThenAudio);
    TvData v = VideoSnapshot();
    EXPECT_EQ(v.Description, "DV type1 Pal  (16x9) ");
    EXPECT_EQ(v.Standard, StandardPal);
    EXPECT_EQ(v.Aspect, AspectWide);
    EXPECT_EQ(v.Width, 720u);
    EXPECT_EQ(v.Height, 576u);
    EXPECT_EQ(v.AvgTimePerFrame, 400000);
    EXPECT_EQ(v.FramesPerSecond, 25.0);
    ASSERT_TRUE(v.TimecodeValid);
    EXPECT_EQ(v.Timecode, (std::array<uint8_t, 4> { 1, 2, 3, 4 }));
    ASSERT_TRUE(v.DatecodeValid);
    EXPECT_EQ(DatecodeToDateTime(v.Datecode), QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58)));
    TaData a = AudioSnapshot();
    EXPECT_EQ(a.Description, "DV 48000Hz 16bits stéréo");
    EXPECT_EQ(a.SampleRate, 48000);
    EXPECT_EQ(a.BitsPerSample, 16);
    EXPECT_EQ(a.MajorType, MEDIATYPE_Audio);
    EXPECT_EQ(a.SubType, MEDIASUBTYPE_PCM);
    EXPECT_EQ(a.FormatType, FORMAT_WaveFormatEx);

    // Same parameters: the datecode and timecode follow, silently.
    frame.Timecode(1, 2, 3, 5).Date(1, 1, 2000, 0, 0, 0);
    feed(n, frame.Bytes);
    EXPECT_EQ(posted(), None);
    v = VideoSnapshot();
    EXPECT_EQ(v.Timecode, (std::array<uint8_t, 4> { 1, 2, 3, 5 }));
    EXPECT_EQ(DatecodeToDateTime(v.Datecode), QDateTime(QDate(2000, 1, 1), QTime(0, 0)));

    // A frame without the source control pack changes nothing at all.
    TDvFrameBuilder bare(10, 0x3F);
    bare.Seq(0)[DvOffset::VideoAuxPack] = 0xFF;
    const TvData beforeBare = VideoSnapshot();
    const TaData beforeBareAudio = AudioSnapshot();
    feed(n, bare.Bytes);
    EXPECT_EQ(posted(), None);
    EXPECT_EQ(VideoSnapshot(), beforeBare);
    EXPECT_EQ(AudioSnapshot(), beforeBareAudio);

    // Invalid date: invalid, the old value kept; no date packs: zero.
    // Half a timecode: invalid.
    TDvFrameBuilder odd;
    odd.DisplaySelect(2).Audio(0, 0).Timecode(9, 9, 9, 9, 0, false).DateBytes(0x01, 0x13, 0x04, 0, 0, 0);
    feed(n, odd.Bytes);
    EXPECT_EQ(posted(), None);
    v = VideoSnapshot();
    EXPECT_FALSE(v.DatecodeValid);
    EXPECT_FALSE(v.TimecodeValid);
    EXPECT_EQ(DatecodeToDateTime(v.Datecode), QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    EXPECT_EQ(v.Timecode, (std::array<uint8_t, 4> { 1, 2, 3, 5 }));
    odd.Seq(0)[DvOffset::DatePack] = 0xFF;
    feed(n, odd.Bytes);
    EXPECT_EQ(VideoSnapshot().Datecode, 0.0);

    // NTSC, 4:3, without audio source pack: picture, description and audio change.
    TDvFrameBuilder ntsc(12, 0x3F);
    feed(n, ntsc.Bytes);
    EXPECT_EQ(posted(), VideoThenAudio);
    v = VideoSnapshot();
    EXPECT_EQ(v.Description, "DV type1 NTSC  (4x3) ");
    EXPECT_EQ(v.Height, 480u);
    EXPECT_EQ(v.AvgTimePerFrame, 333667);
    EXPECT_NEAR(v.FramesPerSecond, 29.97, 0.001);
    a = AudioSnapshot();
    EXPECT_EQ(a.SampleRate, -1);
    EXPECT_EQ(a.BitsPerSample, -1);
    EXPECT_EQ(a.Description, "DV -1Hz -1bits stéréo");

    // Unknown standard: the picture stays, the description has no standard.
    feed(n, TDvFrameBuilder(10, 0x00).Bytes);
    EXPECT_EQ(posted(), Video);
    v = VideoSnapshot();
    EXPECT_EQ(v.Description, "DV type1  (4x3) ");
    EXPECT_EQ(v.Height, 480u);

    // Short or cut samples: nothing is read.
    const TvData beforeShort = VideoSnapshot();
    TDvFrameBuilder pal;
    pal.DisplaySelect(2).Audio(2, 1);
    feed(n, std::vector<uint8_t>(pal.Bytes.begin(), pal.Bytes.begin() + 11999));
    feed(n, pal.Bytes, 11999);
    EXPECT_EQ(posted(), None);
    EXPECT_EQ(VideoSnapshot(), beforeShort);
    // One sequence is enough.
    feed(n, pal.Bytes, 12000);
    EXPECT_EQ(posted(), VideoThenAudio);
    EXPECT_EQ(AudioSnapshot().Description, "DV 32000Hz 12bits stéréo");

    // Every run reports its audio with the first frame again.
    n.Stop();
    EXPECT_EQ(n.Pause(), S_OK);
    EXPECT_EQ(posted(), VideoThenAudio);
    feed(n, pal.Bytes);
    EXPECT_EQ(posted(), VideoThenAudio); // the type description forgot the standard too
    stop(n);

    // The audio role alone reads no video.
    n.Reset();
    n.DescribeAudio = true;
    ASSERT_EQ(start(n, typeFromCaps("video/x-dv, systemstream=(boolean)true")), S_OK);
    EXPECT_EQ(posted(), Audio);
    const TvData beforeAudioOnly = VideoSnapshot();
    feed(n, frame.Bytes);
    EXPECT_EQ(posted(), Audio);
    EXPECT_EQ(VideoSnapshot(), beforeAudioOnly);
    stop(n);
}

TEST_F(NotifierTest, DvType2Frames)
{
    TNotifier n;
    n.DescribeNative = n.DescribeAudio = true;
    ASSERT_EQ(start(n,
                  typeFromCaps("video/x-dv, systemstream=(boolean)false, width=(int)720, height=(int)480, "
                               "framerate=(fraction)30000/1001")),
        S_OK);
    EXPECT_EQ(posted(), Video);
    {
        TSharedRecordLocker lock(&SharedRecordLock());
        AData().SampleRate = 44100;
    }

    // The standard comes from the type, not from the frame; no audio here.
    TDvFrameBuilder frame(10, 0xBF);
    frame.DisplaySelect(2).Timecode(0, 0, 10, 0).Audio(2, 0);
    feed(n, frame.Bytes);
    EXPECT_EQ(posted(), Video);
    TvData v = VideoSnapshot();
    EXPECT_EQ(v.Description, "DV type2 NTSC  (16x9) ");
    EXPECT_EQ(v.Standard, StandardNtsc);
    EXPECT_TRUE(v.TimecodeValid);
    EXPECT_EQ(AudioSnapshot().SampleRate, 44100);

    feed(n, frame.Bytes);
    EXPECT_EQ(posted(), None);
    feed(n, frame.DisplaySelect(0).Bytes);
    EXPECT_EQ(posted(), Video);
    EXPECT_EQ(VideoSnapshot().Description, "DV type2 NTSC  (4x3) ");
    stop(n);
}

TEST_F(NotifierTest, GeneratedDvFiles)
{
    struct TCase {
        const char* file;
        const char* video;
        const char* audio;
        uint32_t height;
        REFERENCE_TIME frameDuration;
        QDateTime recorded;
        std::array<uint8_t, 4> lastTimecode; // of the tenth frame
    };
    const TCase cases[] = {
        { "dv-pal-4x3.dv", "DV type1 Pal  (4x3) ", "DV 48000Hz 16bits stéréo", 576, 400000,
            QDateTime(QDate(2004, 7, 15), QTime(14, 23, 45)), { 10, 20, 30, 9 } },
        { "dv-pal-16x9-32k.dv", "DV type1 Pal  (16x9) ", "DV 32000Hz 16bits stéréo", 576, 400000,
            QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58)), { 1, 2, 3, 13 } },
        { "dv-ntsc-4x3.dv", "DV type1 NTSC  (4x3) ", "DV 48000Hz 16bits stéréo", 480, 333667,
            QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7)), { 0, 0, 10, 9 } },
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = TestMediaPath(QString::fromLatin1(c.file));
        ASSERT_FALSE(path.isEmpty());
        const auto frames = ReadDvFrames(path, 10);
        ASSERT_EQ(frames.size(), 10u);

        TNotifier n;
        n.DescribeNative = n.DescribeAudio = true;
        ASSERT_EQ(start(n, typeFromCaps("video/x-dv, systemstream=(boolean)true")), S_OK);
        EXPECT_EQ(posted(), VideoThenAudio);
        for (const auto& frame : frames)
            feed(n, frame);
        // The first frame tells it all, the others repeat it.
        const auto messages = window.Take();
        EXPECT_EQ(kinds(messages), VideoThenAudio);
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[0].Video.Description, c.video);
        EXPECT_EQ(messages[1].Audio.Description, c.audio);

        const TvData v = VideoSnapshot();
        EXPECT_EQ(v.Width, 720u);
        EXPECT_EQ(v.Height, c.height);
        EXPECT_EQ(v.AvgTimePerFrame, c.frameDuration);
        ASSERT_TRUE(v.DatecodeValid);
        EXPECT_EQ(DatecodeToDateTime(v.Datecode), c.recorded);
        ASSERT_TRUE(v.TimecodeValid);
        EXPECT_EQ(v.Timecode, c.lastTimecode);
        stop(n);
    }
}

TEST_F(NotifierTest, StreamingThreadsAndReaders)
{
    // A streaming thread alternates the aspect on every frame while this
    // thread reads snapshots: each must be whole, its description matching
    // its aspect, and every post must arrive here, in order.
    TNotifier n;
    n.DescribeNative = true;
    ASSERT_EQ(start(n, typeFromCaps("video/x-dv, systemstream=(boolean)true")), S_OK);
    posted();

    TDvFrameBuilder wide;
    wide.DisplaySelect(2);
    TDvFrameBuilder normal;
    constexpr int Frames = 400;
    std::atomic<bool> done { false };
    std::thread streaming([&] {
        for (int i = 0; i < Frames; ++i) {
            std::vector<uint8_t>& bytes = (i % 2 ? normal : wide).Bytes;
            TMediaSample sample(bytes.data(), int32_t(bytes.size()));
            n.Receive(&sample);
        }
        done = true;
    });
    int checked = 0;
    while (!done || checked == 0) {
        const TvData v = VideoSnapshot();
        if (v.Aspect == AspectWide) {
            EXPECT_EQ(v.Description, "DV type1 Pal  (16x9) ");
        } else if (v.Aspect == AspectNormal) {
            EXPECT_EQ(v.Description, "DV type1 Pal  (4x3) ");
        }
        ++checked;
    }
    streaming.join();
    const auto messages = window.Take();
    ASSERT_EQ(messages.size(), size_t(Frames));
    for (const auto& m : messages) {
        EXPECT_EQ(m.WParam, StreamDescriptionVideo);
        EXPECT_EQ(m.LParam, VideoRecordAddress);
    }
    EXPECT_EQ(messages.back().Video.Aspect, AspectNormal);
    stop(n);
}

TEST_F(NotifierTest, InGStreamerPipelines)
{
    gst_init(nullptr, nullptr);
    struct TCase {
        const char* file;
        const char* upstream; // %1 is the file
        bool native, decoded, audio;
        const char* videoDescription;
        const char* sizeText;
        const char* audioDescription;
        uint32_t width, height; // 0: not checked
        QDateTime recorded; // invalid: no DV
        std::array<uint8_t, 4> lastTimecode;
    };
    const TCase cases[] = {
        { "dv-pal-16x9-32k.dv",
            "filesrc location=\"%1\" blocksize=144000 ! capsfilter caps=video/x-dv,systemstream=true", true,
            false, true, "DV type1 Pal  (16x9) ", "", "DV 32000Hz 16bits stéréo", 720, 576,
            QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58)), { 1, 2, 3, 13 } },
        { "dv-pal-type2.avi", "filesrc location=\"%1\" ! avidemux name=d d.video_0 ! queue", true, true,
            false, "DV type2 Pal  (4x3) ", "720x576 - 25 fps", "", 720, 576,
            QDateTime(QDate(2004, 7, 15), QTime(14, 23, 45)), { 10, 20, 30, 9 } },
        { "mpeg2-pal-16x9.mpg", "filesrc location=\"%1\" ! mpegpsdemux name=d d. ! mpegvideoparse", true,
            false, false, "MPEG2 (16x9)", "", "", 720, 576, {}, {} },
        // Decoded top-down RGB: a positive height.
        { "h264-320x240.mkv",
            "filesrc location=\"%1\" ! matroskademux name=d d.video_0 ! h264parse ! avdec_h264 ! "
            "videoconvert ! "
            "capsfilter caps=video/x-raw,format=BGRx",
            false, true, false, "", "320x240 - 25 fps", "", 320, 240, {}, {} },
        { "h264-320x240.mkv",
            "filesrc location=\"%1\" ! matroskademux name=d d.audio_0 ! aacparse ! avdec_aac ! audioconvert "
            "! "
            "capsfilter caps=audio/x-raw,format=S16LE",
            false, false, true, "", "", "PCM 48000Hz 16bits  stéréo", 0, 0, {}, {} },
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.upstream);
        resetRecords();
        setAudioCodecName("PCM");
        const QString path = TestMediaPath(QString::fromLatin1(c.file));
        ASSERT_FALSE(path.isEmpty());

        TNotifier notifier;
        notifier.DescribeNative = c.native;
        notifier.DescribeDecoded = c.decoded;
        notifier.DescribeAudio = c.audio;
        GstElement* pipeline = gst_pipeline_new(nullptr);
        GError* error = nullptr;
        // Only the last element's output is ghosted: a demuxer's pad linked
        // later must find its downstream element still free.
        GstElement* up = gst_parse_bin_from_description(
            QString::fromLatin1(c.upstream).arg(path).toUtf8().constData(), FALSE, &error);
        ASSERT_TRUE(up) << (error ? error->message : "");
        GstPad* out = gst_bin_find_unlinked_pad(GST_BIN(up), GST_PAD_SRC);
        ASSERT_TRUE(out);
        gst_element_add_pad(up, gst_ghost_pad_new("src", out));
        gst_object_unref(out);
        GstElement* element = TFilterElement::Create(&notifier, "notifier");
        GstElement* sink = gst_element_factory_make("fakesink", nullptr);
        g_object_set(sink, "sync", FALSE, nullptr);
        gst_bin_add_many(GST_BIN(pipeline), up, element, sink, nullptr);
        ASSERT_TRUE(gst_element_link_many(up, element, sink, nullptr));

        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* end = gst_bus_timed_pop_filtered(
            bus, 30 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        ASSERT_TRUE(end);
        if (GST_MESSAGE_TYPE(end) == GST_MESSAGE_ERROR) {
            GError* failure = nullptr;
            gchar* debug = nullptr;
            gst_message_parse_error(end, &failure, &debug);
            ADD_FAILURE() << GST_OBJECT_NAME(GST_MESSAGE_SRC(end)) << ": " << failure->message << "\n"
                          << debug;
            g_clear_error(&failure);
            g_free(debug);
        }
        gst_message_unref(end);
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);

        // What the window was told is what the records hold.
        const auto messages = window.Take();
        const TvData* lastVideo = nullptr;
        const TaData* lastAudio = nullptr;
        for (const auto& m : messages) {
            EXPECT_EQ(m.Msg, WM_STREAMDESCRIPTION);
            if (m.WParam == StreamDescriptionVideo) lastVideo = &m.Video;
            if (m.WParam == StreamDescriptionAudio) lastAudio = &m.Audio;
        }
        const TvData v = VideoSnapshot();
        const TaData a = AudioSnapshot();
        if (c.native || c.decoded) {
            ASSERT_TRUE(lastVideo);
            EXPECT_EQ(*lastVideo, v);
            EXPECT_EQ(v.Description, c.videoDescription);
            EXPECT_EQ(v.SizeText, c.sizeText);
        } else {
            EXPECT_FALSE(lastVideo);
        }
        if (c.audio) {
            ASSERT_TRUE(lastAudio);
            EXPECT_EQ(*lastAudio, a);
            EXPECT_EQ(a.Description, c.audioDescription);
        } else {
            EXPECT_FALSE(lastAudio);
        }
        if (c.width) {
            EXPECT_EQ(v.Width, c.width);
            EXPECT_EQ(v.Height, c.height);
        }
        if (c.recorded.isValid()) {
            ASSERT_TRUE(v.DatecodeValid);
            EXPECT_EQ(DatecodeToDateTime(v.Datecode), c.recorded);
            ASSERT_TRUE(v.TimecodeValid);
            EXPECT_EQ(v.Timecode, c.lastTimecode);
        } else {
            EXPECT_FALSE(v.DatecodeValid || v.TimecodeValid);
        }
    }
}
