#pragma once
// The format blocks that follow a media type record, byte for byte as the
// platform lays them out: packed, little-endian, fixed sizes. A block arrives
// as a plain byte array of any length and alignment, so it is never read in
// place: ReadFormatBlock checks that the bytes are there and copies them into
// a local struct.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

static_assert(std::endian::native == std::endian::little,
    "format blocks are little-endian and are copied without byte swapping");

using REFERENCE_TIME = int64_t; // 100-ns units

#pragma pack(push, 1)

struct RECT {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend constexpr bool operator==(const RECT&, const RECT&) = default;
};

struct BITMAPINFOHEADER {
    uint32_t biSize = sizeof(BITMAPINFOHEADER);
    int32_t biWidth = 0;
    // RGB: positive = bottom row first, negative = top row first.
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0; // BI_RGB, BI_BITFIELDS or a FOURCC
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    uint32_t dwBitRate = 0;
    uint32_t dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0;
    BITMAPINFOHEADER bmiHeader;
};

struct VIDEOINFOHEADER2 {
    RECT rcSource;
    RECT rcTarget;
    uint32_t dwBitRate = 0;
    uint32_t dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0;
    uint32_t dwInterlaceFlags = 0; // AMINTERLACE_ flags
    uint32_t dwCopyProtectFlags = 0;
    uint32_t dwPictAspectRatioX = 0; // picture (not pixel) aspect ratio
    uint32_t dwPictAspectRatioY = 0;
    uint32_t dwControlFlags = 0; // also known as dwReserved1
    uint32_t dwReserved2 = 0;
    BITMAPINFOHEADER bmiHeader;
};

struct MPEG1VIDEOINFO {
    VIDEOINFOHEADER hdr;
    uint32_t dwStartTimeCode = 0;
    uint32_t cbSequenceHeader = 0;
    // The sequence header starts here and runs on past the struct for
    // cbSequenceHeader bytes; the platform's struct is padded to 104.
    uint8_t bSequenceHeader[1] = {};
    uint8_t Padding[7] = {};
};

struct MPEG2VIDEOINFO {
    VIDEOINFOHEADER2 hdr;
    uint32_t dwStartTimeCode = 0;
    uint32_t cbSequenceHeader = 0;
    uint32_t dwProfile = 0; // AM_MPEG2Profile_
    uint32_t dwLevel = 0; // AM_MPEG2Level_
    uint32_t dwFlags = 0;
    // The sequence header starts here and runs on for cbSequenceHeader bytes.
    uint32_t dwSequenceHeader[1] = {};
};

struct DVINFO {
    uint32_t dwDVAAuxSrc = 0;
    uint32_t dwDVAAuxCtl = 0;
    uint32_t dwDVAAuxSrc1 = 0;
    uint32_t dwDVAAuxCtl1 = 0;
    uint32_t dwDVVAuxSrc = 0;
    uint32_t dwDVVAuxCtl = 0;
    uint32_t dwDVReserved[2] = {};
};

struct WAVEFORMATEX {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0; // bytes of codec data that follow the 18 bytes
};

// The WAVEFORMATEX of MPEG audio layers 1 and 2 (tag 0x0050), cbSize 22.
struct MPEG1WAVEFORMAT {
    WAVEFORMATEX wfx;
    uint16_t fwHeadLayer = 0; // ACM_MPEG_LAYER1/2/3
    uint32_t dwHeadBitrate = 0;
    uint16_t fwHeadMode = 0; // ACM_MPEG_STEREO, ...
    uint16_t fwHeadModeExt = 0;
    uint16_t wHeadEmphasis = 0;
    uint16_t fwHeadFlags = 0; // ACM_MPEG_ID_MPEG1, ...
    uint32_t dwPTSLow = 0;
    uint32_t dwPTSHigh = 0;
};

#pragma pack(pop)

static_assert(sizeof(RECT) == 16);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(VIDEOINFOHEADER) == 88);
static_assert(offsetof(VIDEOINFOHEADER, AvgTimePerFrame) == 40);
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) == 48);
static_assert(sizeof(VIDEOINFOHEADER2) == 112);
static_assert(offsetof(VIDEOINFOHEADER2, dwInterlaceFlags) == 48);
static_assert(offsetof(VIDEOINFOHEADER2, bmiHeader) == 72);
static_assert(sizeof(MPEG1VIDEOINFO) == 104);
static_assert(offsetof(MPEG1VIDEOINFO, bSequenceHeader) == 96);
static_assert(sizeof(MPEG2VIDEOINFO) == 136);
static_assert(offsetof(MPEG2VIDEOINFO, dwSequenceHeader) == 132);
static_assert(sizeof(DVINFO) == 32);
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(sizeof(MPEG1WAVEFORMAT) == 40);

inline constexpr size_t MPEG1_SEQUENCE_HEADER_OFFSET = offsetof(MPEG1VIDEOINFO, bSequenceHeader);
inline constexpr size_t MPEG2_SEQUENCE_HEADER_OFFSET = offsetof(MPEG2VIDEOINFO, dwSequenceHeader);

// biCompression
inline constexpr uint32_t BI_RGB = 0;
inline constexpr uint32_t BI_BITFIELDS = 3;

// dwInterlaceFlags
inline constexpr uint32_t AMINTERLACE_IsInterlaced = 0x00000001;
inline constexpr uint32_t AMINTERLACE_1FieldPerSample = 0x00000002;
inline constexpr uint32_t AMINTERLACE_Field1First = 0x00000004;
inline constexpr uint32_t AMINTERLACE_FieldPatternMask = 0x00000030;
inline constexpr uint32_t AMINTERLACE_FieldPatField1Only = 0x00000000;
inline constexpr uint32_t AMINTERLACE_FieldPatField2Only = 0x00000010;
inline constexpr uint32_t AMINTERLACE_FieldPatBothRegular = 0x00000020;
inline constexpr uint32_t AMINTERLACE_FieldPatBothIrregular = 0x00000030;
inline constexpr uint32_t AMINTERLACE_DisplayModeMask = 0x000000C0;
inline constexpr uint32_t AMINTERLACE_DisplayModeBobOnly = 0x00000000;
inline constexpr uint32_t AMINTERLACE_DisplayModeWeaveOnly = 0x00000040;
inline constexpr uint32_t AMINTERLACE_DisplayModeBobOrWeave = 0x00000080;

// MPEG2VIDEOINFO dwProfile and dwLevel
inline constexpr uint32_t AM_MPEG2Profile_Simple = 1;
inline constexpr uint32_t AM_MPEG2Profile_Main = 2;
inline constexpr uint32_t AM_MPEG2Profile_SNRScalable = 3;
inline constexpr uint32_t AM_MPEG2Profile_SpatiallyScalable = 4;
inline constexpr uint32_t AM_MPEG2Profile_High = 5;
inline constexpr uint32_t AM_MPEG2Level_Low = 1;
inline constexpr uint32_t AM_MPEG2Level_Main = 2;
inline constexpr uint32_t AM_MPEG2Level_High1440 = 3;
inline constexpr uint32_t AM_MPEG2Level_High = 4;

// Wave format tags used by the caps mapping
inline constexpr uint16_t WAVE_FORMAT_PCM = 0x0001;
inline constexpr uint16_t WAVE_FORMAT_ADPCM = 0x0002;
inline constexpr uint16_t WAVE_FORMAT_IEEE_FLOAT = 0x0003;
inline constexpr uint16_t WAVE_FORMAT_ALAW = 0x0006;
inline constexpr uint16_t WAVE_FORMAT_MULAW = 0x0007;
inline constexpr uint16_t WAVE_FORMAT_DVI_ADPCM = 0x0011;
inline constexpr uint16_t WAVE_FORMAT_MPEG = 0x0050;
inline constexpr uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x0055;
inline constexpr uint16_t WAVE_FORMAT_AAC = 0x00FF;
inline constexpr uint16_t WAVE_FORMAT_WMAUDIO1 = 0x0160;
inline constexpr uint16_t WAVE_FORMAT_WMAUDIO2 = 0x0161;
inline constexpr uint16_t WAVE_FORMAT_WMAUDIO3 = 0x0162;
inline constexpr uint16_t WAVE_FORMAT_WMAUDIO_LOSSLESS = 0x0163;
inline constexpr uint16_t WAVE_FORMAT_DOLBY_AC3 = 0x2000;
inline constexpr uint16_t WAVE_FORMAT_DTS = 0x2001;
inline constexpr uint16_t WAVE_FORMAT_OGG_VORBIS1 = 0x674F;
inline constexpr uint16_t WAVE_FORMAT_FLAC = 0xF1AC;

// MPEG1WAVEFORMAT fields
inline constexpr uint16_t ACM_MPEG_LAYER1 = 0x0001;
inline constexpr uint16_t ACM_MPEG_LAYER2 = 0x0002;
inline constexpr uint16_t ACM_MPEG_LAYER3 = 0x0004;
inline constexpr uint16_t ACM_MPEG_STEREO = 0x0001;
inline constexpr uint16_t ACM_MPEG_JOINTSTEREO = 0x0002;
inline constexpr uint16_t ACM_MPEG_DUALCHANNEL = 0x0004;
inline constexpr uint16_t ACM_MPEG_SINGLECHANNEL = 0x0008;
inline constexpr uint16_t ACM_MPEG_ID_MPEG1 = 0x0010;

// Copies sizeof(T) bytes at offset into out; false, with out untouched, when
// the block is shorter than offset + sizeof(T) or data is null.
template <class T> bool ReadFormatBlock(const uint8_t* data, size_t size, T& out, size_t offset = 0)
{
    static_assert(std::is_trivially_copyable_v<T>);
    if (!data || offset > size || size - offset < sizeof(T)) return false;
    std::memcpy(&out, data + offset, sizeof(T));
    return true;
}

// The reverse; false, with the block untouched, when it is too short.
template <class T> bool WriteFormatBlock(uint8_t* data, size_t size, const T& in, size_t offset = 0)
{
    static_assert(std::is_trivially_copyable_v<T>);
    if (!data || offset > size || size - offset < sizeof(T)) return false;
    std::memcpy(data + offset, &in, sizeof(T));
    return true;
}
