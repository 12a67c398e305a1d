// The media type record's getters, its dump and its caps on any format block:
// records come from files' headers (an AVI 'strf', a DVINFO) as they are.
//
// Properties: a getter that says no changes nothing and a getter that says
// yes read the block where its header says; the codec data is a piece of the
// block, never more; caps made from any record are fixed and map back to a
// record of the same major type.

#include "fuzz/FuzzCheck.h"
#include "graph/CapsMediaType.h"
#include "graph/MediaTypeGuids.h"

#include <algorithm>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <gst/gst.h>

namespace
{

const GUID MajorTypes[]
    = { MEDIATYPE_Video, MEDIATYPE_Audio, MEDIATYPE_Interleaved, MEDIATYPE_Stream, GUID_NULL };
const GUID FormatTypes[] = { FORMAT_VideoInfo, FORMAT_VideoInfo2, FORMAT_MPEGVideo, FORMAT_MPEG2Video,
    FORMAT_WaveFormatEx, FORMAT_DvInfo, FORMAT_None, GUID_NULL };
const GUID SubTypes[] = { MEDIASUBTYPE_RGB8, MEDIASUBTYPE_RGB565, MEDIASUBTYPE_RGB555, MEDIASUBTYPE_RGB24,
    MEDIASUBTYPE_RGB32, MEDIASUBTYPE_ARGB32, MEDIASUBTYPE_YUY2, MEDIASUBTYPE_UYVY, MEDIASUBTYPE_YV12,
    MEDIASUBTYPE_I420, MEDIASUBTYPE_IYUV, MEDIASUBTYPE_NV12, MEDIASUBTYPE_dvsd, MEDIASUBTYPE_H264,
    MEDIASUBTYPE_AVC1, MEDIASUBTYPE_HEVC, MEDIASUBTYPE_MJPG, MEDIASUBTYPE_WMV3, MEDIASUBTYPE_WVC1,
    MEDIASUBTYPE_MPEG1Packet, MEDIASUBTYPE_MPEG1Payload, MEDIASUBTYPE_MPEG1Video, MEDIASUBTYPE_MPEG2_VIDEO,
    MEDIASUBTYPE_PCM, MEDIASUBTYPE_IEEE_FLOAT, MEDIASUBTYPE_MPEG1AudioPayload, MEDIASUBTYPE_MP3,
    MEDIASUBTYPE_RAW_AAC1, MEDIASUBTYPE_WMAUDIO2, MEDIASUBTYPE_WAVE_DOLBY_AC3, MEDIASUBTYPE_MPEG2_AUDIO,
    MEDIASUBTYPE_DOLBY_AC3, MEDIASUBTYPE_DVD_LPCM_AUDIO, MEDIASUBTYPE_DTS, MEDIASUBTYPE_Avi,
    MEDIASUBTYPE_MPEG1System, MEDIASUBTYPE_MPEG2_PROGRAM, MEDIASUBTYPE_MPEG2_TRANSPORT, MEDIASUBTYPE_Asf };

template <size_t N> const GUID& Pick(FuzzedDataProvider& in, const GUID (&table)[N])
{
    return table[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

bool IsPiece(const std::vector<uint8_t>& piece, const std::vector<uint8_t>& whole)
{
    if (piece.empty()) return true;
    return std::search(whole.begin(), whole.end(), piece.begin(), piece.end()) != whole.end();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    gst_init(nullptr, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    TMediaType mt(Pick(in, MajorTypes), GUID_NULL, Pick(in, FormatTypes));
    mt.subtype = in.ConsumeBool() ? Pick(in, SubTypes) : FourCCSubtype(in.ConsumeIntegral<uint32_t>());
    mt.bFixedSizeSamples = in.ConsumeBool();
    mt.bTemporalCompression = in.ConsumeBool();
    mt.lSampleSize = in.ConsumeIntegral<uint32_t>();
    mt.format = in.ConsumeRemainingBytes<uint8_t>();
    const TMediaType original = mt;

    const bool videoHeader = mt.HasVideoHeader();
    BITMAPINFOHEADER bih;
    std::memset(&bih, 0xA5, sizeof bih);
    const BITMAPINFOHEADER bihBefore = bih;
    FUZZ_CHECK(mt.GetBitmapHeader(bih) == videoHeader);
    if (!videoHeader) FUZZ_CHECK(std::memcmp(&bih, &bihBefore, sizeof bih) == 0);
    RECT source { 1, 2, 3, 4 }, target { 5, 6, 7, 8 };
    if (!mt.GetRects(source, target)) FUZZ_CHECK(source.left == 1 && target.bottom == 8);
    if (!videoHeader) FUZZ_CHECK(mt.AvgTimePerFrame() == 0 && mt.BitRate() == 0);
    uint32_t x = 11, y = 12, flags = 13;
    if (!mt.GetPictureAspectRatio(x, y)) FUZZ_CHECK(x == 11 && y == 12);
    if (!mt.GetInterlaceFlags(flags)) FUZZ_CHECK(flags == 13);
    WAVEFORMATEX wfx;
    FUZZ_CHECK(mt.GetWaveFormat(wfx) == (mt.formattype == FORMAT_WaveFormatEx && mt.format.size() >= 18));
    DVINFO dv;
    FUZZ_CHECK(mt.GetDvInfo(dv) == (mt.formattype == FORMAT_DvInfo && mt.format.size() >= 32));

    const std::vector<uint8_t> codec = mt.CodecData();
    FUZZ_CHECK(codec.size() <= mt.format.size() && IsPiece(codec, mt.format));
    FUZZ_CHECK(!mt.Dump().isEmpty());
    FUZZ_CHECK(mt == original);

    GstCaps* caps = CapsFromMediaType(mt);
    FUZZ_CHECK(mt == original);
    if (!caps) return 0;
    FUZZ_CHECK(gst_caps_is_fixed(caps));
    TMediaType back;
    const bool mapped = MediaTypeFromCaps(caps, back);
    gchar* text = gst_caps_to_string(caps);
    const QString said = QString::fromUtf8(text) + u'\n' + mt.Dump();
    g_free(text);
    gst_caps_unref(caps);
    FUZZ_CHECK_SAYING(mapped && back.majortype == mt.majortype, said);
    return 0;
}
