#include "filters/CodecNames.h"

#include "graph/MediaTypeGuids.h"

#include <gtest/gtest.h>

namespace
{

TMediaType videoInfo(const GUID& subtype, uint32_t compression, const GUID& format = FORMAT_VideoInfo)
{
    TMediaType mt(MEDIATYPE_Video, subtype, format);
    BITMAPINFOHEADER header;
    header.biWidth = 720;
    header.biHeight = 576;
    header.biCompression = compression;
    if (format == FORMAT_VideoInfo) {
        VIDEOINFOHEADER vih;
        vih.bmiHeader = header;
        mt.SetFormatBlock(vih);
    } else if (format == FORMAT_VideoInfo2) {
        VIDEOINFOHEADER2 vih;
        vih.bmiHeader = header;
        mt.SetFormatBlock(vih);
    } else if (format == FORMAT_MPEGVideo) {
        MPEG1VIDEOINFO info;
        info.hdr.bmiHeader = header;
        mt.SetFormatBlock(info);
    } else if (format == FORMAT_MPEG2Video) {
        MPEG2VIDEOINFO info;
        info.hdr.bmiHeader = header;
        mt.SetFormatBlock(info);
    }
    return mt;
}

TMediaType wave(uint16_t tag, const GUID& subtype = GUID_NULL)
{
    TMediaType mt(MEDIATYPE_Audio, subtype == GUID_NULL ? FourCCSubtype(tag) : subtype, FORMAT_WaveFormatEx);
    WAVEFORMATEX wfx;
    wfx.wFormatTag = tag;
    wfx.nChannels = 2;
    wfx.nSamplesPerSec = 48000;
    mt.SetFormatBlock(wfx);
    return mt;
}

} // namespace

TEST(CodecNames, FourCCText)
{
    EXPECT_EQ(FourCCText(MakeFourCC('d', 'v', 's', 'd')), QStringLiteral("dvsd"));
    EXPECT_EQ(FourCCText(MakeFourCC('D', 'X', '5', '0')), QStringLiteral("DX50"));
    EXPECT_EQ(FourCCText(MakeFourCC('d', 'v', 'c', ' ')), QStringLiteral("dvc "));
    // Any byte at or below 0x1F empties the name: BI_RGB, wave tags, control codes.
    EXPECT_EQ(FourCCText(0), QString());
    EXPECT_EQ(FourCCText(WAVE_FORMAT_PCM), QString());
    EXPECT_EQ(FourCCText(MakeFourCC('a', 'b', 'c', 0x1F)), QString());
    EXPECT_EQ(FourCCText(MakeFourCC(0x1F, 'b', 'c', 'd')), QString());
    EXPECT_EQ(FourCCText(MakeFourCC('a', 'b', 'c', 0x20)), QStringLiteral("abc "));
    // High bytes are kept as the Latin-1 characters they are.
    EXPECT_EQ(FourCCText(MakeFourCC('a', 'b', 'c', char(0xE9))), QStringLiteral("abcé"));
}

TEST(CodecNames, VideoCodecName)
{
    // Uncompressed RGB by subtype, whatever the format block.
    EXPECT_EQ(VideoCodecName(videoInfo(MEDIASUBTYPE_RGB24, BI_RGB)), QStringLiteral("RGB24"));
    EXPECT_EQ(VideoCodecName(TMediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32)), QStringLiteral("RGB32"));
    EXPECT_EQ(VideoCodecName(videoInfo(MEDIASUBTYPE_RGB1, BI_RGB)), QStringLiteral("RGB1"));
    EXPECT_EQ(VideoCodecName(videoInfo(MEDIASUBTYPE_RGB4, BI_RGB)), QStringLiteral("RGB4"));
    EXPECT_EQ(VideoCodecName(videoInfo(MEDIASUBTYPE_RGB8, BI_RGB)), QStringLiteral("RGB8"));
    EXPECT_EQ(VideoCodecName(videoInfo(MEDIASUBTYPE_RGB565, BI_BITFIELDS)), QStringLiteral("RGB565"));
    EXPECT_EQ(VideoCodecName(videoInfo(MEDIASUBTYPE_RGB555, BI_RGB)), QStringLiteral("RGB555"));
    EXPECT_EQ(VideoCodecName(videoInfo(MEDIASUBTYPE_ARGB32, BI_RGB)), QString());

    // The picture header's code for the video-info formats, not the subtype.
    EXPECT_EQ(
        VideoCodecName(videoInfo(MEDIASUBTYPE_dvsd, MakeFourCC('d', 'v', 's', 'd'))), QStringLiteral("dvsd"));
    EXPECT_EQ(VideoCodecName(videoInfo(MEDIASUBTYPE_H264, MakeFourCC('a', 'v', 'c', '1'), FORMAT_VideoInfo2)),
        QStringLiteral("avc1"));
    EXPECT_EQ(VideoCodecName(videoInfo(MEDIASUBTYPE_YUY2, BI_RGB)), QString());
    // A block too short for its header gives no name.
    TMediaType cut = videoInfo(MEDIASUBTYPE_H264, MakeFourCC('H', '2', '6', '4'));
    cut.format.resize(87);
    EXPECT_EQ(VideoCodecName(cut), QString());
    cut = videoInfo(MEDIASUBTYPE_H264, MakeFourCC('H', '2', '6', '4'), FORMAT_VideoInfo2);
    cut.format.resize(111);
    EXPECT_EQ(VideoCodecName(cut), QString());

    // MPEG formats by format type, or by the FOURCC of a FOURCC subtype.
    EXPECT_EQ(
        VideoCodecName(videoInfo(MEDIASUBTYPE_MPEG1Payload, 0, FORMAT_MPEGVideo)), QStringLiteral("MPEG1"));
    EXPECT_EQ(
        VideoCodecName(videoInfo(MEDIASUBTYPE_MPEG2_VIDEO, 0, FORMAT_MPEG2Video)), QStringLiteral("MPEG2"));
    EXPECT_EQ(VideoCodecName(videoInfo(MEDIASUBTYPE_AVC1, 0, FORMAT_MPEG2Video)), QStringLiteral("AVC1"));
    EXPECT_EQ(VideoCodecName(videoInfo(FourCCSubtype(MakeFourCC('m', 'p', 'g', '1')), 0, FORMAT_MPEGVideo)),
        QStringLiteral("mpg1"));
    // A FOURCC subtype whose code is not printable names nothing.
    EXPECT_EQ(VideoCodecName(videoInfo(FourCCSubtype(0x00000010), 0, FORMAT_MPEG2Video)), QString());

    EXPECT_EQ(VideoCodecName(TMediaType(MEDIATYPE_Video, MEDIASUBTYPE_dvsd, FORMAT_DvInfo)), QString());
    EXPECT_EQ(VideoCodecName(TMediaType()), QString());
}

TEST(CodecNames, AudioCodecName)
{
    EXPECT_EQ(AudioCodecName(TMediaType(MEDIATYPE_Video, MEDIASUBTYPE_DOLBY_AC3)), QStringLiteral("???"));
    EXPECT_EQ(AudioCodecName(TMediaType(MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd, FORMAT_DvInfo)),
        QStringLiteral("???"));

    EXPECT_EQ(AudioCodecName(TMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG2_AUDIO)), QStringLiteral("MPEG2"));
    EXPECT_EQ(
        AudioCodecName(TMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3)), QStringLiteral("DOLBY AC3"));
    EXPECT_EQ(
        AudioCodecName(TMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_DVD_LPCM_AUDIO)), QStringLiteral("LPCM"));
    EXPECT_EQ(
        AudioCodecName(TMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Packet)), QStringLiteral("MPEG1Packet"));
    EXPECT_EQ(AudioCodecName(TMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Payload)),
        QStringLiteral("MPEG1Payload"));
    // The subtype wins over the wave format that would say "MPEG".
    EXPECT_EQ(AudioCodecName(wave(WAVE_FORMAT_MPEG)), QStringLiteral("MPEG1"));

    // Otherwise the first four characters of the tag's name.
    EXPECT_EQ(AudioCodecName(wave(WAVE_FORMAT_IEEE_FLOAT)), QStringLiteral("IEEE"));
    EXPECT_EQ(AudioCodecName(wave(WAVE_FORMAT_MPEG, MEDIASUBTYPE_MP3)), QStringLiteral("MPEG"));
    EXPECT_EQ(AudioCodecName(wave(WAVE_FORMAT_DOLBY_AC3)), QStringLiteral("AC3"));
    EXPECT_EQ(AudioCodecName(wave(WAVE_FORMAT_PCM)), QStringLiteral("PCM"));
    EXPECT_EQ(AudioCodecName(wave(0x7777)), QString()); // a tag the table lacks

    // No usable wave format.
    EXPECT_EQ(AudioCodecName(wave(0)), QStringLiteral("???"));
    TMediaType shortBlock = wave(WAVE_FORMAT_PCM);
    shortBlock.format.resize(17);
    EXPECT_EQ(AudioCodecName(shortBlock), QStringLiteral("???"));
    EXPECT_EQ(
        AudioCodecName(TMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_None)), QStringLiteral("???"));
}
