#pragma once
// The platform's published media type, subtype and format type identifiers
// that the media filters and the caps mapping use, with their public values.

#include "graph/Guid.h"

// Major types
inline constexpr GUID MEDIATYPE_Video = FourCCSubtype(MakeFourCC('v', 'i', 'd', 's'));
inline constexpr GUID MEDIATYPE_Audio = FourCCSubtype(MakeFourCC('a', 'u', 'd', 's'));
inline constexpr GUID MEDIATYPE_Interleaved = FourCCSubtype(MakeFourCC('i', 'a', 'v', 's'));
inline constexpr GUID MEDIATYPE_Stream { 0xE436EB83, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };

// Uncompressed RGB video
inline constexpr GUID MEDIASUBTYPE_RGB1 { 0xE436EB78, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID MEDIASUBTYPE_RGB4 { 0xE436EB79, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID MEDIASUBTYPE_RGB8 { 0xE436EB7A, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID MEDIASUBTYPE_RGB565 { 0xE436EB7B, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID MEDIASUBTYPE_RGB555 { 0xE436EB7C, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID MEDIASUBTYPE_RGB24 { 0xE436EB7D, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID MEDIASUBTYPE_RGB32 { 0xE436EB7E, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID MEDIASUBTYPE_ARGB32 { 0x773C9AC0, 0x3274, 0x11D0,
    { 0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C, 0x1A, 0x01 } };

// Uncompressed YUV video
inline constexpr GUID MEDIASUBTYPE_YUY2 = FourCCSubtype(MakeFourCC('Y', 'U', 'Y', '2'));
inline constexpr GUID MEDIASUBTYPE_UYVY = FourCCSubtype(MakeFourCC('U', 'Y', 'V', 'Y'));
inline constexpr GUID MEDIASUBTYPE_YV12 = FourCCSubtype(MakeFourCC('Y', 'V', '1', '2'));
inline constexpr GUID MEDIASUBTYPE_I420 = FourCCSubtype(MakeFourCC('I', '4', '2', '0'));
inline constexpr GUID MEDIASUBTYPE_IYUV = FourCCSubtype(MakeFourCC('I', 'Y', 'U', 'V'));
inline constexpr GUID MEDIASUBTYPE_NV12 = FourCCSubtype(MakeFourCC('N', 'V', '1', '2'));

// Compressed video
inline constexpr GUID MEDIASUBTYPE_dvsd = FourCCSubtype(MakeFourCC('d', 'v', 's', 'd'));
inline constexpr GUID MEDIASUBTYPE_H264 = FourCCSubtype(MakeFourCC('H', '2', '6', '4'));
inline constexpr GUID MEDIASUBTYPE_AVC1 = FourCCSubtype(MakeFourCC('A', 'V', 'C', '1'));
inline constexpr GUID MEDIASUBTYPE_HEVC = FourCCSubtype(MakeFourCC('H', 'E', 'V', 'C'));
inline constexpr GUID MEDIASUBTYPE_MJPG = FourCCSubtype(MakeFourCC('M', 'J', 'P', 'G'));
inline constexpr GUID MEDIASUBTYPE_WMV1 = FourCCSubtype(MakeFourCC('W', 'M', 'V', '1'));
inline constexpr GUID MEDIASUBTYPE_WMV2 = FourCCSubtype(MakeFourCC('W', 'M', 'V', '2'));
inline constexpr GUID MEDIASUBTYPE_WMV3 = FourCCSubtype(MakeFourCC('W', 'M', 'V', '3'));
inline constexpr GUID MEDIASUBTYPE_WVC1 = FourCCSubtype(MakeFourCC('W', 'V', 'C', '1'));
inline constexpr GUID MEDIASUBTYPE_MPEG1Packet { 0xE436EB80, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID MEDIASUBTYPE_MPEG1Payload { 0xE436EB81, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID MEDIASUBTYPE_MPEG1Video { 0xE436EB86, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID MEDIASUBTYPE_MPEG2_VIDEO { 0xE06D8026, 0xDB46, 0x11CF,
    { 0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA } };

// Audio
inline constexpr GUID MEDIASUBTYPE_PCM = FourCCSubtype(0x0001);
inline constexpr GUID MEDIASUBTYPE_IEEE_FLOAT = FourCCSubtype(0x0003);
inline constexpr GUID MEDIASUBTYPE_MPEG1AudioPayload = FourCCSubtype(0x0050);
inline constexpr GUID MEDIASUBTYPE_MP3 = FourCCSubtype(0x0055);
inline constexpr GUID MEDIASUBTYPE_RAW_AAC1 = FourCCSubtype(0x00FF);
inline constexpr GUID MEDIASUBTYPE_MSAUDIO1 = FourCCSubtype(0x0160);
inline constexpr GUID MEDIASUBTYPE_WMAUDIO2 = FourCCSubtype(0x0161);
inline constexpr GUID MEDIASUBTYPE_WMAUDIO3 = FourCCSubtype(0x0162);
inline constexpr GUID MEDIASUBTYPE_WMAUDIO_LOSSLESS = FourCCSubtype(0x0163);
inline constexpr GUID MEDIASUBTYPE_WAVE_DOLBY_AC3 = FourCCSubtype(0x2000);
inline constexpr GUID MEDIASUBTYPE_WAVE_DTS = FourCCSubtype(0x2001);
inline constexpr GUID MEDIASUBTYPE_MPEG2_AUDIO { 0xE06D802B, 0xDB46, 0x11CF,
    { 0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA } };
inline constexpr GUID MEDIASUBTYPE_DOLBY_AC3 { 0xE06D802C, 0xDB46, 0x11CF,
    { 0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA } };
inline constexpr GUID MEDIASUBTYPE_DVD_LPCM_AUDIO { 0xE06D8032, 0xDB46, 0x11CF,
    { 0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA } };
inline constexpr GUID MEDIASUBTYPE_DTS { 0xE06D8033, 0xDB46, 0x11CF,
    { 0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA } };

// Whole files as byte streams, as a file source hands them to a splitter
inline constexpr GUID MEDIASUBTYPE_Avi { 0xE436EB88, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID MEDIASUBTYPE_QTMovie { 0xE436EB89, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID MEDIASUBTYPE_MPEG1System { 0xE436EB84, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID MEDIASUBTYPE_MPEG2_PROGRAM { 0xE06D8022, 0xDB46, 0x11CF,
    { 0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA } };
inline constexpr GUID MEDIASUBTYPE_MPEG2_TRANSPORT { 0xE06D8023, 0xDB46, 0x11CF,
    { 0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA } };
inline constexpr GUID MEDIASUBTYPE_Asf { 0x3DB80F90, 0x9412, 0x11D1,
    { 0xAD, 0xED, 0x00, 0x00, 0xF8, 0x75, 0x4B, 0x99 } };

// Format block types
inline constexpr GUID FORMAT_None { 0x0F6417D6, 0xC318, 0x11D0,
    { 0xA4, 0x3F, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96 } };
inline constexpr GUID FORMAT_VideoInfo { 0x05589F80, 0xC356, 0x11CE,
    { 0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A } };
inline constexpr GUID FORMAT_WaveFormatEx { 0x05589F81, 0xC356, 0x11CE,
    { 0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A } };
inline constexpr GUID FORMAT_MPEGVideo { 0x05589F82, 0xC356, 0x11CE,
    { 0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A } };
inline constexpr GUID FORMAT_DvInfo { 0x05589F84, 0xC356, 0x11CE,
    { 0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A } };
inline constexpr GUID FORMAT_VideoInfo2 { 0xF72A76A0, 0xEB0A, 0x11D0,
    { 0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA } };
inline constexpr GUID FORMAT_MPEG2Video { 0xE06D80E3, 0xDB46, 0x11CF,
    { 0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA } };

// The constant's name ("MEDIATYPE_Video"), or "" for an identifier that is not
// one of the constants above (GUID_NULL gives "GUID_NULL").
const char* GuidName(const GUID& g);
