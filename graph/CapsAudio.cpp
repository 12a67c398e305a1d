#include "graph/CapsMapping.h"
#include "graph/CapsMediaType.h"
#include "graph/MediaTypeGuids.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <gst/audio/audio.h>
#include <gst/video/video.h>
#include <numeric>

namespace CapsMapping
{

// ---------------------------------------------------------------------------
// Audio.

Bytes waveBlock(WAVEFORMATEX wfx, const Bytes& extra)
{
    Bytes block;
    wfx.cbSize = extra.size() <= 0xFFFF ? uint16_t(extra.size()) : 0;
    append(block, wfx);
    if (wfx.cbSize) block.insert(block.end(), extra.begin(), extra.end());
    return block;
}

void fillAudioType(TMediaType& mt, const GUID& sub, Bytes block, bool fixedSize, uint32_t sampleSize)
{
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = sub;
    mt.formattype = FORMAT_WaveFormatEx;
    mt.format = std::move(block);
    mt.bFixedSizeSamples = fixedSize;
    mt.bTemporalCompression = false;
    mt.lSampleSize = sampleSize;
}

void setAudioFields(GstStructure* s, const WAVEFORMATEX& wfx, bool withBitRate)
{
    if (wfx.nSamplesPerSec > 0 && wfx.nSamplesPerSec <= uint32_t(INT_MAX))
        setInt(s, "rate", int(wfx.nSamplesPerSec));
    if (wfx.nChannels > 0) setInt(s, "channels", wfx.nChannels);
    if (withBitRate && wfx.nAvgBytesPerSec > 0 && wfx.nAvgBytesPerSec <= UINT32_MAX / 8)
        gst_structure_set(
            s, "bitrate", G_TYPE_INT, int(std::min<uint32_t>(wfx.nAvgBytesPerSec * 8, INT_MAX)), nullptr);
}

// --- Raw audio: integer PCM as the platform stores it (unsigned 8-bit, signed
// little-endian above), float as IEEE_FLOAT. The audio chain forces PCM, so
// float streams meet a converter there; they are still described as float.

bool rawAudioFromCaps(const GstStructure* s, TMediaType& out)
{
    // Checked before the audio library reads them: GStreamer 1.22 copies a
    // negative channel count's worth of positions, and knows at most 64.
    int declaredChannels = 0;
    int declaredRate = 0;
    if (!gst_structure_get_int(s, "channels", &declaredChannels) || declaredChannels < 1
        || declaredChannels > 64 || !gst_structure_get_int(s, "rate", &declaredRate) || declaredRate < 1)
        return false;
    GstCaps* caps = gst_caps_new_full(gst_structure_copy(s), nullptr);
    GstAudioInfo info;
    gst_audio_info_init(&info);
    const bool ok = gst_caps_is_fixed(caps) && gst_audio_info_from_caps(&info, caps);
    gst_caps_unref(caps);
    if (!ok || GST_AUDIO_INFO_LAYOUT(&info) != GST_AUDIO_LAYOUT_INTERLEAVED) return false;
    const GstAudioFormat format = GST_AUDIO_INFO_FORMAT(&info);
    uint16_t tag = 0;
    GUID sub;
    switch (format) {
    case GST_AUDIO_FORMAT_U8:
    case GST_AUDIO_FORMAT_S16LE:
    case GST_AUDIO_FORMAT_S24LE:
    case GST_AUDIO_FORMAT_S32LE:
        tag = WAVE_FORMAT_PCM;
        sub = MEDIASUBTYPE_PCM;
        break;
    case GST_AUDIO_FORMAT_F32LE:
    case GST_AUDIO_FORMAT_F64LE:
        tag = WAVE_FORMAT_IEEE_FLOAT;
        sub = MEDIASUBTYPE_IEEE_FLOAT;
        break;
    default:
        return false; // big-endian, signed 8-bit, 24 in 32...: no plain wave format
    }
    const int channels = GST_AUDIO_INFO_CHANNELS(&info);
    const int rate = GST_AUDIO_INFO_RATE(&info);
    const int width = GST_AUDIO_INFO_WIDTH(&info);
    if (channels <= 0 || channels > 0xFFFF || rate <= 0 || channels * (width / 8) > 0xFFFF) return false;
    WAVEFORMATEX wfx;
    wfx.wFormatTag = tag;
    wfx.nChannels = uint16_t(channels);
    wfx.nSamplesPerSec = uint32_t(rate);
    wfx.nBlockAlign = uint16_t(channels * (width / 8));
    wfx.nAvgBytesPerSec = clampToU32(uint64_t(rate) * wfx.nBlockAlign);
    wfx.wBitsPerSample = uint16_t(width);
    TMediaType mt;
    fillAudioType(mt, sub, waveBlock(wfx, {}), true, wfx.nBlockAlign);
    out = std::move(mt);
    return true;
}

GstCaps* rawAudioCaps(const WAVEFORMATEX& wfx, bool isFloat)
{
    GstAudioFormat format = GST_AUDIO_FORMAT_UNKNOWN;
    if (isFloat)
        format = wfx.wBitsPerSample == 32 ? GST_AUDIO_FORMAT_F32LE
                                          : (wfx.wBitsPerSample == 64 ? GST_AUDIO_FORMAT_F64LE : format);
    else if (wfx.wBitsPerSample == 8)
        format = GST_AUDIO_FORMAT_U8;
    else if (wfx.wBitsPerSample == 16)
        format = GST_AUDIO_FORMAT_S16LE;
    else if (wfx.wBitsPerSample == 24)
        format = GST_AUDIO_FORMAT_S24LE;
    else if (wfx.wBitsPerSample == 32)
        format = GST_AUDIO_FORMAT_S32LE;
    if (format == GST_AUDIO_FORMAT_UNKNOWN || wfx.nChannels == 0 || wfx.nSamplesPerSec == 0
        || wfx.nSamplesPerSec > uint32_t(INT_MAX) || wfx.nChannels > 64)
        return nullptr;
    GstStructure* s = gst_structure_new("audio/x-raw", "format", G_TYPE_STRING,
        gst_audio_format_to_string(format), "layout", G_TYPE_STRING, "interleaved", nullptr);
    setAudioFields(s, wfx, false);
    if (wfx.nChannels > 2)
        gst_structure_set(
            s, "channel-mask", GST_TYPE_BITMASK, gst_audio_channel_get_fallback_mask(wfx.nChannels), nullptr);
    return capsOf(s);
}

// --- MPEG audio. Layers 1 and 2 get the platform's MPEG1WAVEFORMAT (tag 0x50),
// layer 3 a plain WAVEFORMATEX (tag 0x55). Caps do not tell which container
// the stream came from, so the subtype follows the stream itself: the
// half-rate extensions of MPEG-2 (mpegaudioversion 2 and 2.5) are
// MEDIASUBTYPE_MPEG2_AUDIO, MPEG-1 audio is MEDIASUBTYPE_MPEG1AudioPayload.

bool mpegAudioFromCaps(const GstStructure* s, TMediaType& out)
{
    int version = 0;
    if (!getInt(s, "mpegversion", version)) return false;
    const int channels = getPositiveInt(s, "channels");
    const int rate = getPositiveInt(s, "rate");
    const uint32_t bitRate = bitRateFromCaps(s);
    WAVEFORMATEX wfx;
    wfx.nChannels = uint16_t(std::min(channels, 0xFFFF));
    wfx.nSamplesPerSec = uint32_t(rate);
    wfx.nAvgBytesPerSec = bitRate / 8;
    wfx.nBlockAlign = 1;
    TMediaType mt;
    if (version == 2 || version == 4) {
        wfx.wFormatTag = WAVE_FORMAT_AAC;
        fillAudioType(mt, MEDIASUBTYPE_RAW_AAC1, waveBlock(wfx, getCodecData(s)), false, 0);
        out = std::move(mt);
        return true;
    }
    if (version != 1) return false;
    int layer = 0;
    getInt(s, "layer", layer);
    if (layer == 3) {
        wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
        fillAudioType(mt, MEDIASUBTYPE_MP3, waveBlock(wfx, {}), false, 0);
        out = std::move(mt);
        return true;
    }
    int audioVersion = 0;
    getInt(s, "mpegaudioversion", audioVersion);
    MPEG1WAVEFORMAT mwf;
    mwf.wfx = wfx;
    mwf.wfx.wFormatTag = WAVE_FORMAT_MPEG;
    mwf.wfx.cbSize = sizeof(MPEG1WAVEFORMAT) - sizeof(WAVEFORMATEX);
    mwf.fwHeadLayer = layer == 1 ? ACM_MPEG_LAYER1 : (layer == 2 ? ACM_MPEG_LAYER2 : 0);
    mwf.dwHeadBitrate = bitRate;
    mwf.fwHeadMode = channels == 1 ? ACM_MPEG_SINGLECHANNEL : (channels == 2 ? ACM_MPEG_STEREO : 0);
    mwf.fwHeadFlags = audioVersion == 1 ? ACM_MPEG_ID_MPEG1 : 0;
    Bytes block;
    append(block, mwf);
    fillAudioType(mt, audioVersion >= 2 ? MEDIASUBTYPE_MPEG2_AUDIO : MEDIASUBTYPE_MPEG1AudioPayload,
        std::move(block), false, 0);
    out = std::move(mt);
    return true;
}

GstCaps* mpegAudioCaps(const TMediaType& mt, const WAVEFORMATEX& wfx)
{
    GstStructure* s = gst_structure_new("audio/mpeg", "mpegversion", G_TYPE_INT, 1, nullptr);
    if (wfx.wFormatTag == WAVE_FORMAT_MPEGLAYER3) {
        setInt(s, "layer", 3);
    } else {
        MPEG1WAVEFORMAT mwf;
        if (mt.ReadFormat(mwf)) {
            if (mwf.fwHeadLayer == ACM_MPEG_LAYER1 || mwf.fwHeadLayer == ACM_MPEG_LAYER2
                || mwf.fwHeadLayer == ACM_MPEG_LAYER3)
                setInt(s, "layer", mwf.fwHeadLayer == ACM_MPEG_LAYER3 ? 3 : mwf.fwHeadLayer);
            if (mt.subtype != MEDIASUBTYPE_MPEG2_AUDIO && (mwf.fwHeadFlags & ACM_MPEG_ID_MPEG1))
                setInt(s, "mpegaudioversion", 1);
        }
        if (mt.subtype == MEDIASUBTYPE_MPEG2_AUDIO) setInt(s, "mpegaudioversion", 2);
    }
    setAudioFields(s, wfx, true);
    return capsOf(s);
}

GstCaps* aacCaps(const TMediaType& mt, const WAVEFORMATEX& wfx)
{
    const Bytes config = mt.CodecData();
    // With the decoder configuration out of band the frames are raw; without
    // it they must carry their own ADTS headers.
    GstStructure* s = gst_structure_new("audio/mpeg", "mpegversion", G_TYPE_INT, 4, "stream-format",
        G_TYPE_STRING, config.empty() ? "adts" : "raw", nullptr);
    setAudioFields(s, wfx, true);
    setCodecData(s, config);
    return capsOf(s);
}

// --- DVD linear PCM: a PCM wave format under its own subtype.

bool lpcmFromCaps(const GstStructure* s, TMediaType& out)
{
    const int width = getPositiveInt(s, "width");
    const int channels = getPositiveInt(s, "channels");
    const int rate = getPositiveInt(s, "rate");
    if (width > 0xFFFF || channels > 0xFFFF || channels * ((width + 7) / 8) > 0xFFFF) return false;
    WAVEFORMATEX wfx;
    wfx.wFormatTag = WAVE_FORMAT_PCM;
    wfx.nChannels = uint16_t(channels);
    wfx.nSamplesPerSec = uint32_t(rate);
    wfx.wBitsPerSample = uint16_t(width);
    wfx.nBlockAlign = uint16_t(channels * ((width + 7) / 8));
    wfx.nAvgBytesPerSec = clampToU32(uint64_t(rate) * wfx.nBlockAlign);
    TMediaType mt;
    fillAudioType(mt, MEDIASUBTYPE_DVD_LPCM_AUDIO, waveBlock(wfx, {}), wfx.nBlockAlign != 0, wfx.nBlockAlign);
    out = std::move(mt);
    return true;
}

GstCaps* lpcmCaps(const WAVEFORMATEX& wfx)
{
    // A stream whose parameters were known came as audio/x-lpcm; the DVD
    // program stream form carries them in each packet instead.
    if (wfx.nSamplesPerSec == 0 || wfx.nChannels == 0 || wfx.wBitsPerSample == 0)
        return gst_caps_new_empty_simple("audio/x-private1-lpcm");
    // A frame of all channels must fit the 16-bit block alignment, as the
    // reverse mapping requires; anything larger describes no stream.
    if (int(wfx.nChannels) * ((int(wfx.wBitsPerSample) + 7) / 8) > 0xFFFF) return nullptr;
    GstStructure* s
        = gst_structure_new("audio/x-lpcm", "width", G_TYPE_INT, int(wfx.wBitsPerSample), nullptr);
    setAudioFields(s, wfx, false);
    return capsOf(s);
}

// --- Other compressed audio, one wave format tag each.

enum class TAudioKind {
    Plain, // bits 0, block alignment 1
    Companded, // 8-bit A-law and mu-law: one byte per sample and channel
    Blocked, // block_align (and depth) from the caps and back
    Adpcm, // blocked, 4 bits per sample
};

struct TAudioRow {
    uint16_t tag;
    GUID subtype;
    const char* match; // null: only read back
    const char* produce; // null: forward only
    TAudioKind kind;
};

const TAudioRow AudioRows[] = {
    { WAVE_FORMAT_DOLBY_AC3, MEDIASUBTYPE_DOLBY_AC3, "audio/x-ac3", "audio/x-ac3", TAudioKind::Plain },
    { WAVE_FORMAT_DOLBY_AC3, MEDIASUBTYPE_DOLBY_AC3, "audio/ac3", nullptr, TAudioKind::Plain },
    // DVD program streams carry AC-3 and DTS in private stream 1.
    { WAVE_FORMAT_DOLBY_AC3, MEDIASUBTYPE_DOLBY_AC3, "audio/x-private1-ac3", nullptr, TAudioKind::Plain },
    { WAVE_FORMAT_DTS, MEDIASUBTYPE_DTS, "audio/x-private1-dts", nullptr, TAudioKind::Plain },
    { WAVE_FORMAT_DTS, MEDIASUBTYPE_DTS, "audio/x-dts", "audio/x-dts", TAudioKind::Plain },
    { WAVE_FORMAT_WMAUDIO1, MEDIASUBTYPE_MSAUDIO1, "audio/x-wma, wmaversion=(int)1",
        "audio/x-wma, wmaversion=(int)1", TAudioKind::Blocked },
    { WAVE_FORMAT_WMAUDIO2, MEDIASUBTYPE_WMAUDIO2, "audio/x-wma, wmaversion=(int)2",
        "audio/x-wma, wmaversion=(int)2", TAudioKind::Blocked },
    { WAVE_FORMAT_WMAUDIO3, MEDIASUBTYPE_WMAUDIO3, "audio/x-wma, wmaversion=(int)3",
        "audio/x-wma, wmaversion=(int)3", TAudioKind::Blocked },
    { WAVE_FORMAT_WMAUDIO_LOSSLESS, MEDIASUBTYPE_WMAUDIO_LOSSLESS, "audio/x-wma, wmaversion=(int)4",
        "audio/x-wma, wmaversion=(int)4", TAudioKind::Blocked },
    { WAVE_FORMAT_ALAW, FourCCSubtype(WAVE_FORMAT_ALAW), "audio/x-alaw", "audio/x-alaw",
        TAudioKind::Companded },
    { WAVE_FORMAT_MULAW, FourCCSubtype(WAVE_FORMAT_MULAW), "audio/x-mulaw", "audio/x-mulaw",
        TAudioKind::Companded },
    { WAVE_FORMAT_ADPCM, FourCCSubtype(WAVE_FORMAT_ADPCM), "audio/x-adpcm, layout=(string)microsoft",
        "audio/x-adpcm, layout=(string)microsoft", TAudioKind::Adpcm },
    { WAVE_FORMAT_DVI_ADPCM, FourCCSubtype(WAVE_FORMAT_DVI_ADPCM), "audio/x-adpcm, layout=(string)dvi",
        "audio/x-adpcm, layout=(string)dvi", TAudioKind::Adpcm },
    { WAVE_FORMAT_OGG_VORBIS1, FourCCSubtype(WAVE_FORMAT_OGG_VORBIS1), "audio/x-vorbis", "audio/x-vorbis",
        TAudioKind::Plain },
    { WAVE_FORMAT_FLAC, FourCCSubtype(WAVE_FORMAT_FLAC), "audio/x-flac", "audio/x-flac", TAudioKind::Plain },
};

bool tableAudioFromCaps(const GstStructure* s, TMediaType& out)
{
    const TAudioRow* row = nullptr;
    for (const TAudioRow& candidate : AudioRows) {
        if (candidate.match && structureMatches(s, candidate.match)) {
            row = &candidate;
            break;
        }
    }
    if (!row) return false;
    const int channels = std::min(getPositiveInt(s, "channels"), 0xFFFF);
    const int rate = getPositiveInt(s, "rate");
    WAVEFORMATEX wfx;
    wfx.wFormatTag = row->tag;
    wfx.nChannels = uint16_t(channels);
    wfx.nSamplesPerSec = uint32_t(rate);
    wfx.nAvgBytesPerSec = bitRateFromCaps(s) / 8;
    wfx.nBlockAlign = 1;
    bool fixedSize = false;
    switch (row->kind) {
    case TAudioKind::Plain:
        break;
    case TAudioKind::Companded:
        wfx.wBitsPerSample = 8;
        wfx.nBlockAlign = uint16_t(std::max(channels, 1));
        wfx.nAvgBytesPerSec = clampToU32(uint64_t(rate) * uint64_t(channels));
        fixedSize = true;
        break;
    case TAudioKind::Blocked:
    case TAudioKind::Adpcm:
        wfx.nBlockAlign = uint16_t(std::min(getPositiveInt(s, "block_align"), 0xFFFF));
        wfx.wBitsPerSample
            = row->kind == TAudioKind::Adpcm ? 4 : uint16_t(std::min(getPositiveInt(s, "depth"), 0xFFFF));
        break;
    }
    TMediaType mt;
    fillAudioType(
        mt, row->subtype, waveBlock(wfx, getCodecData(s)), fixedSize, fixedSize ? wfx.nBlockAlign : 0);
    out = std::move(mt);
    return true;
}

GstCaps* tableAudioCaps(const TMediaType& mt, const WAVEFORMATEX& wfx)
{
    const TAudioRow* row = nullptr;
    for (const TAudioRow& candidate : AudioRows) {
        if (candidate.produce && candidate.subtype == mt.subtype) {
            row = &candidate;
            break;
        }
    }
    for (const TAudioRow& candidate : AudioRows) {
        if (!row && candidate.produce && candidate.tag == wfx.wFormatTag) {
            row = &candidate;
            break;
        }
    }
    if (!row) return nullptr;
    GstStructure* s = gst_structure_from_string(row->produce, nullptr);
    if (!s) return nullptr;
    setAudioFields(s, wfx, row->kind != TAudioKind::Companded);
    if ((row->kind == TAudioKind::Blocked || row->kind == TAudioKind::Adpcm) && wfx.nBlockAlign > 0)
        setInt(s, "block_align", wfx.nBlockAlign);
    if (row->kind == TAudioKind::Blocked && wfx.wBitsPerSample > 0) setInt(s, "depth", wfx.wBitsPerSample);
    setCodecData(s, mt.CodecData());
    return capsOf(s);
}

// ---------------------------------------------------------------------------

GstCaps* audioCaps(const TMediaType& mt)
{
    WAVEFORMATEX wfx;
    if (!mt.GetWaveFormat(wfx)) return nullptr;
    if (mt.subtype == MEDIASUBTYPE_DVD_LPCM_AUDIO) return lpcmCaps(wfx);
    if (mt.subtype == MEDIASUBTYPE_MPEG1AudioPayload || mt.subtype == MEDIASUBTYPE_MPEG1Payload
        || mt.subtype == MEDIASUBTYPE_MPEG1Packet || mt.subtype == MEDIASUBTYPE_MPEG2_AUDIO
        || mt.subtype == MEDIASUBTYPE_MP3)
        return mpegAudioCaps(mt, wfx);
    if (mt.subtype == MEDIASUBTYPE_PCM) return rawAudioCaps(wfx, false);
    if (mt.subtype == MEDIASUBTYPE_IEEE_FLOAT) return rawAudioCaps(wfx, true);
    switch (wfx.wFormatTag) {
    case WAVE_FORMAT_PCM:
        return rawAudioCaps(wfx, false);
    case WAVE_FORMAT_IEEE_FLOAT:
        return rawAudioCaps(wfx, true);
    case WAVE_FORMAT_MPEG:
    case WAVE_FORMAT_MPEGLAYER3:
        return mpegAudioCaps(mt, wfx);
    case WAVE_FORMAT_AAC:
        return aacCaps(mt, wfx);
    default:
        return tableAudioCaps(mt, wfx);
    }
}

} // namespace CapsMapping
