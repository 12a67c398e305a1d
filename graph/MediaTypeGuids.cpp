#include "graph/MediaTypeGuids.h"

#include <iterator>

namespace
{

struct TNamedGuid {
    const GUID* guid;
    const char* name;
};

#define NAMED(g)                                                                                             \
    {                                                                                                        \
        &g, #g                                                                                               \
    }
const TNamedGuid NamedGuids[] = {
    NAMED(GUID_NULL),
    NAMED(MEDIATYPE_Video),
    NAMED(MEDIATYPE_Audio),
    NAMED(MEDIATYPE_Interleaved),
    NAMED(MEDIATYPE_Stream),
    NAMED(MEDIASUBTYPE_RGB1),
    NAMED(MEDIASUBTYPE_RGB4),
    NAMED(MEDIASUBTYPE_RGB8),
    NAMED(MEDIASUBTYPE_RGB565),
    NAMED(MEDIASUBTYPE_RGB555),
    NAMED(MEDIASUBTYPE_RGB24),
    NAMED(MEDIASUBTYPE_RGB32),
    NAMED(MEDIASUBTYPE_ARGB32),
    NAMED(MEDIASUBTYPE_YUY2),
    NAMED(MEDIASUBTYPE_UYVY),
    NAMED(MEDIASUBTYPE_YV12),
    NAMED(MEDIASUBTYPE_I420),
    NAMED(MEDIASUBTYPE_IYUV),
    NAMED(MEDIASUBTYPE_NV12),
    NAMED(MEDIASUBTYPE_dvsd),
    NAMED(MEDIASUBTYPE_H264),
    NAMED(MEDIASUBTYPE_AVC1),
    NAMED(MEDIASUBTYPE_HEVC),
    NAMED(MEDIASUBTYPE_MJPG),
    NAMED(MEDIASUBTYPE_WMV1),
    NAMED(MEDIASUBTYPE_WMV2),
    NAMED(MEDIASUBTYPE_WMV3),
    NAMED(MEDIASUBTYPE_WVC1),
    NAMED(MEDIASUBTYPE_MPEG1Packet),
    NAMED(MEDIASUBTYPE_MPEG1Payload),
    NAMED(MEDIASUBTYPE_MPEG1Video),
    NAMED(MEDIASUBTYPE_MPEG2_VIDEO),
    NAMED(MEDIASUBTYPE_PCM),
    NAMED(MEDIASUBTYPE_IEEE_FLOAT),
    NAMED(MEDIASUBTYPE_MPEG1AudioPayload),
    NAMED(MEDIASUBTYPE_MP3),
    NAMED(MEDIASUBTYPE_RAW_AAC1),
    NAMED(MEDIASUBTYPE_MSAUDIO1),
    NAMED(MEDIASUBTYPE_WMAUDIO2),
    NAMED(MEDIASUBTYPE_WMAUDIO3),
    NAMED(MEDIASUBTYPE_WMAUDIO_LOSSLESS),
    NAMED(MEDIASUBTYPE_WAVE_DOLBY_AC3),
    NAMED(MEDIASUBTYPE_WAVE_DTS),
    NAMED(MEDIASUBTYPE_MPEG2_AUDIO),
    NAMED(MEDIASUBTYPE_DOLBY_AC3),
    NAMED(MEDIASUBTYPE_DVD_LPCM_AUDIO),
    NAMED(MEDIASUBTYPE_DTS),
    NAMED(MEDIASUBTYPE_Avi),
    NAMED(MEDIASUBTYPE_QTMovie),
    NAMED(MEDIASUBTYPE_MPEG1System),
    NAMED(MEDIASUBTYPE_MPEG2_PROGRAM),
    NAMED(MEDIASUBTYPE_MPEG2_TRANSPORT),
    NAMED(MEDIASUBTYPE_Asf),
    NAMED(FORMAT_None),
    NAMED(FORMAT_VideoInfo),
    NAMED(FORMAT_WaveFormatEx),
    NAMED(FORMAT_MPEGVideo),
    NAMED(FORMAT_DvInfo),
    NAMED(FORMAT_VideoInfo2),
    NAMED(FORMAT_MPEG2Video),
};
#undef NAMED

} // namespace

const char* GuidName(const GUID& g)
{
    for (const TNamedGuid& entry : NamedGuids) {
        if (*entry.guid == g) return entry.name;
    }
    return "";
}
