#include "graph/CapsMediaType.h"

#include "graph/MediaTypeGuids.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <gst/audio/audio.h>
#include <gst/video/video.h>
#include <numeric>

namespace
{

using Bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------------------
// Reading caps fields. Fields that are absent, of another type or not fixed
// (lists, ranges) read as absent.

bool getInt(const GstStructure* s, const char* name, int& value)
{
    const GValue* v = gst_structure_get_value(s, name);
    if (!v) return false;
    if (G_VALUE_HOLDS_INT(v)) {
        value = g_value_get_int(v);
        return true;
    }
    if (G_VALUE_HOLDS_UINT(v) && g_value_get_uint(v) <= guint(INT_MAX)) {
        value = int(g_value_get_uint(v));
        return true;
    }
    return false;
}

int getPositiveInt(const GstStructure* s, const char* name)
{
    int value = 0;
    return getInt(s, name, value) && value > 0 ? value : 0;
}

bool getFraction(const GstStructure* s, const char* name, int& num, int& den)
{
    const GValue* v = gst_structure_get_value(s, name);
    if (!v || !GST_VALUE_HOLDS_FRACTION(v)) return false;
    num = gst_value_get_fraction_numerator(v);
    den = gst_value_get_fraction_denominator(v);
    return den > 0;
}

Bytes getCodecData(const GstStructure* s)
{
    const GValue* v = gst_structure_get_value(s, "codec_data");
    if (!v || !GST_VALUE_HOLDS_BUFFER(v)) return {};
    GstBuffer* buffer = gst_value_get_buffer(v);
    GstMapInfo map;
    if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ)) return {};
    Bytes bytes(map.data, map.data + map.size);
    gst_buffer_unmap(buffer, &map);
    return bytes;
}

bool stringIs(const GstStructure* s, const char* name, const char* expected)
{
    const char* value = gst_structure_get_string(s, name);
    return value && std::strcmp(value, expected) == 0;
}

// True when s has the media name of pattern and every field of pattern with a
// value that lies within the pattern's value. Patterns are caps strings.
bool structureMatches(const GstStructure* s, const char* pattern)
{
    const char* comma = std::strchr(pattern, ',');
    const size_t nameLength = comma ? size_t(comma - pattern) : std::strlen(pattern);
    const char* name = gst_structure_get_name(s);
    if (std::strlen(name) != nameLength || std::strncmp(name, pattern, nameLength) != 0) return false;
    if (!comma) return true;
    GstStructure* p = gst_structure_from_string(pattern, nullptr);
    if (!p) return false;
    const bool match = gst_structure_is_subset(s, p);
    gst_structure_free(p);
    return match;
}

// ---------------------------------------------------------------------------
// Writing caps fields.

void setInt(GstStructure* s, const char* name, int value)
{
    gst_structure_set(s, name, G_TYPE_INT, value, nullptr);
}

void setFraction(GstStructure* s, const char* name, int num, int den)
{
    gst_structure_set(s, name, GST_TYPE_FRACTION, num, den, nullptr);
}

void setString(GstStructure* s, const char* name, const char* value)
{
    gst_structure_set(s, name, G_TYPE_STRING, value, nullptr);
}

void setCodecData(GstStructure* s, const Bytes& bytes)
{
    if (bytes.empty()) return;
    GstBuffer* buffer = gst_buffer_new_memdup(bytes.data(), bytes.size());
    gst_structure_set(s, "codec_data", GST_TYPE_BUFFER, buffer, nullptr);
    gst_buffer_unref(buffer);
}

GstCaps* capsOf(GstStructure* s)
{
    return s ? gst_caps_new_full(s, nullptr) : nullptr;
}

// ---------------------------------------------------------------------------
// Format block bytes.

template <class T> void append(Bytes& block, const T& value)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    block.insert(block.end(), p, p + sizeof(T));
}

uint32_t clampToU32(uint64_t value)
{
    return value > UINT32_MAX ? UINT32_MAX : uint32_t(value);
}

// ---------------------------------------------------------------------------
// Video.

struct TVideoParams {
    int width = 0;
    int height = 0;
    int fpsNum = 0;
    int fpsDen = 1;
    bool hasPar = false;
    int parNum = 1;
    int parDen = 1;
    uint32_t interlaceFlags = 0;
    uint32_t bitRate = 0;
    Bytes codecData;

    bool squarePixels() const { return !hasPar || parNum == parDen; }
    // A non-square pixel shape or interlacing can only be said in the second
    // generation header.
    bool needsVideoInfo2() const { return !squarePixels() || interlaceFlags != 0; }
};

uint32_t interlaceFlagsFromCaps(const GstStructure* s)
{
    const char* mode = gst_structure_get_string(s, "interlace-mode");
    if (!mode || std::strcmp(mode, "progressive") == 0) return 0;
    uint32_t flags = AMINTERLACE_IsInterlaced | AMINTERLACE_DisplayModeBobOrWeave;
    if (std::strcmp(mode, "mixed") == 0)
        flags |= AMINTERLACE_FieldPatBothIrregular;
    else if (std::strcmp(mode, "alternate") == 0)
        flags = AMINTERLACE_IsInterlaced | AMINTERLACE_1FieldPerSample | AMINTERLACE_FieldPatBothRegular;
    else // "interleaved", "fields"
        flags |= AMINTERLACE_FieldPatBothRegular;
    // Without a field order, neither order is claimed: the flag's absence would
    // say bottom field first.
    if (stringIs(s, "field-order", "top-field-first")) flags |= AMINTERLACE_Field1First;
    return flags;
}

const char* interlaceModeFromFlags(uint32_t flags)
{
    if (!(flags & AMINTERLACE_IsInterlaced)) return "progressive";
    if (flags & AMINTERLACE_1FieldPerSample) return "alternate";
    if ((flags & AMINTERLACE_FieldPatternMask) == AMINTERLACE_FieldPatBothIrregular) return "mixed";
    return "interleaved";
}

uint32_t bitRateFromCaps(const GstStructure* s)
{
    const GValue* v = gst_structure_get_value(s, "bitrate");
    if (v && G_VALUE_HOLDS_INT(v) && g_value_get_int(v) > 0) return uint32_t(g_value_get_int(v));
    if (v && G_VALUE_HOLDS_UINT(v)) return g_value_get_uint(v);
    return 0;
}

TVideoParams readVideoParams(const GstStructure* s)
{
    TVideoParams p;
    p.width = getPositiveInt(s, "width");
    p.height = getPositiveInt(s, "height");
    int num = 0, den = 1;
    if (getFraction(s, "framerate", num, den) && num > 0) {
        p.fpsNum = num;
        p.fpsDen = den;
    }
    if (getFraction(s, "pixel-aspect-ratio", num, den) && num > 0) {
        p.hasPar = true;
        p.parNum = num;
        p.parDen = den;
    }
    p.interlaceFlags = interlaceFlagsFromCaps(s);
    p.bitRate = bitRateFromCaps(s);
    p.codecData = getCodecData(s);
    return p;
}

// Reduces a ratio and, when it still does not fit, gives up precision rather
// than wrapping around.
template <class T> void reduceRatio(uint64_t& a, uint64_t& b, T limit)
{
    const uint64_t g = std::gcd(a, b);
    if (g > 1) {
        a /= g;
        b /= g;
    }
    while (a > uint64_t(limit) || b > uint64_t(limit)) {
        a >>= 1;
        b >>= 1;
    }
}

// Picture aspect ratio = width × par_n : height × par_d, reduced; 0:0 when the
// size is unknown. Caps without a pixel aspect ratio have square pixels.
void pictureAspect(const TVideoParams& p, uint32_t& x, uint32_t& y)
{
    x = y = 0;
    if (p.width <= 0 || p.height <= 0) return;
    uint64_t ax = uint64_t(p.width) * uint64_t(p.hasPar ? p.parNum : 1);
    uint64_t ay = uint64_t(p.height) * uint64_t(p.hasPar ? p.parDen : 1);
    reduceRatio(ax, ay, UINT32_MAX);
    x = uint32_t(ax);
    y = uint32_t(ay);
}

bool parFromAspect(uint32_t x, uint32_t y, int width, int height, int& num, int& den)
{
    if (!x || !y || width <= 0 || height <= 0) return false;
    uint64_t n = uint64_t(x) * uint64_t(height);
    uint64_t d = uint64_t(y) * uint64_t(width);
    reduceRatio(n, d, INT_MAX);
    if (!n || !d) return false;
    num = int(n);
    den = int(d);
    return true;
}

// Writes the header, rectangles (0, 0, width, height), rate, duration and, for
// the second generation header, interlacing and picture aspect; then the
// bytes that follow the BITMAPINFOHEADER.
void fillVideoType(TMediaType& mt, const GUID& major, const GUID& sub, const TVideoParams& p,
    const BITMAPINFOHEADER& bih, const Bytes& after, bool allowVideoInfo2 = true)
{
    const RECT rect { 0, 0, p.width, p.height };
    const REFERENCE_TIME duration = FrameDurationFromRate(p.fpsNum, p.fpsDen);
    Bytes block;
    if (allowVideoInfo2 && p.needsVideoInfo2()) {
        VIDEOINFOHEADER2 vih;
        vih.rcSource = vih.rcTarget = rect;
        vih.dwBitRate = p.bitRate;
        vih.AvgTimePerFrame = duration;
        vih.dwInterlaceFlags = p.interlaceFlags;
        uint32_t x = 0, y = 0; // packed fields are not bound to references
        pictureAspect(p, x, y);
        vih.dwPictAspectRatioX = x;
        vih.dwPictAspectRatioY = y;
        vih.bmiHeader = bih;
        append(block, vih);
        mt.formattype = FORMAT_VideoInfo2;
    } else {
        VIDEOINFOHEADER vih;
        vih.rcSource = vih.rcTarget = rect;
        vih.dwBitRate = p.bitRate;
        vih.AvgTimePerFrame = duration;
        vih.bmiHeader = bih;
        append(block, vih);
        mt.formattype = FORMAT_VideoInfo;
    }
    block.insert(block.end(), after.begin(), after.end());
    mt.majortype = major;
    mt.subtype = sub;
    mt.format = std::move(block);
}

BITMAPINFOHEADER compressedHeader(const TVideoParams& p, uint32_t compression)
{
    BITMAPINFOHEADER bih;
    bih.biWidth = p.width;
    bih.biHeight = p.height;
    bih.biBitCount = 24; // what the platform's splitters announce for compressed video
    bih.biCompression = compression;
    return bih;
}

// Common reverse fields of a video record: size, rate, pixel shape, interlacing,
// bit rate. rawVideo: always state the pixel shape and the interlace mode, as
// raw video caps do.
void setVideoFields(GstStructure* s, const TMediaType& mt, const BITMAPINFOHEADER& bih, bool rawVideo)
{
    const int width = bih.biWidth;
    const int height = bih.biHeight == INT_MIN ? INT_MAX : std::abs(bih.biHeight);
    if (width > 0 && height > 0) {
        setInt(s, "width", width);
        setInt(s, "height", height);
    }
    int num = 0, den = 1;
    if (RateFromFrameDuration(mt.AvgTimePerFrame(), num, den)) setFraction(s, "framerate", num, den);
    uint32_t x = 0, y = 0;
    if (mt.GetPictureAspectRatio(x, y) && parFromAspect(x, y, width, height, num, den))
        setFraction(s, "pixel-aspect-ratio", num, den);
    else if (rawVideo)
        setFraction(s, "pixel-aspect-ratio", 1, 1);
    uint32_t flags = 0;
    mt.GetInterlaceFlags(flags);
    if (rawVideo || (flags & AMINTERLACE_IsInterlaced))
        setString(s, "interlace-mode", interlaceModeFromFlags(flags));
    if (flags & AMINTERLACE_IsInterlaced && !(flags & AMINTERLACE_1FieldPerSample)
        && (flags & AMINTERLACE_FieldPatternMask) != AMINTERLACE_FieldPatBothIrregular
        && (flags & AMINTERLACE_Field1First))
        setString(s, "field-order", "top-field-first");
    if (!rawVideo && mt.BitRate() > 0)
        gst_structure_set(s, "bitrate", G_TYPE_UINT, guint(mt.BitRate()), nullptr);
}

// --- Raw video

struct TRgbRow {
    GstVideoFormat format;
    GUID subtype;
    uint16_t bitCount;
    uint32_t compression;
    bool forward;
    bool reverse;
};

const TRgbRow RgbRows[] = {
    { GST_VIDEO_FORMAT_BGRx, MEDIASUBTYPE_RGB32, 32, BI_RGB, true, true },
    // Alpha is not looked at downstream: BGRA frames are taken as RGB32.
    { GST_VIDEO_FORMAT_BGRA, MEDIASUBTYPE_RGB32, 32, BI_RGB, true, false },
    { GST_VIDEO_FORMAT_BGRA, MEDIASUBTYPE_ARGB32, 32, BI_RGB, false, true },
    { GST_VIDEO_FORMAT_BGR, MEDIASUBTYPE_RGB24, 24, BI_RGB, true, true },
    // 16-bit words in memory order; 5-6-5 is described by colour masks.
    { GST_VIDEO_FORMAT_RGB16, MEDIASUBTYPE_RGB565, 16, BI_BITFIELDS, true, true },
    { GST_VIDEO_FORMAT_RGB15, MEDIASUBTYPE_RGB555, 16, BI_RGB, true, true },
};

// Average bits per pixel of a YUV layout, as biBitCount states it (I420 12,
// YUY2 16).
uint16_t yuvBitCount(GstVideoFormat format)
{
    GstVideoInfo reference;
    gst_video_info_init(&reference);
    if (!gst_video_info_set_format(&reference, format, 64, 64)) return 0;
    return uint16_t(GST_VIDEO_INFO_SIZE(&reference) * 8 / (64 * 64));
}

bool rawVideoFromCaps(const GstStructure* s, TMediaType& out)
{
    GstCaps* caps = gst_caps_new_full(gst_structure_copy(s), nullptr);
    GstVideoInfo info;
    gst_video_info_init(&info);
    const bool ok = gst_caps_is_fixed(caps) && gst_video_info_from_caps(&info, caps);
    gst_caps_unref(caps);
    if (!ok || GST_VIDEO_INFO_WIDTH(&info) <= 0 || GST_VIDEO_INFO_HEIGHT(&info) <= 0) return false;

    const GstVideoFormat format = GST_VIDEO_INFO_FORMAT(&info);
    TVideoParams p = readVideoParams(s);
    p.width = GST_VIDEO_INFO_WIDTH(&info);
    p.height = GST_VIDEO_INFO_HEIGHT(&info);
    p.bitRate = 0;

    BITMAPINFOHEADER bih;
    bih.biWidth = p.width;
    bih.biSizeImage = clampToU32(GST_VIDEO_INFO_SIZE(&info));
    Bytes after;
    GUID sub;
    const TRgbRow* rgb = nullptr;
    for (const TRgbRow& row : RgbRows) {
        if (row.forward && row.format == format) {
            rgb = &row;
            break;
        }
    }
    if (rgb) {
        sub = rgb->subtype;
        bih.biBitCount = rgb->bitCount;
        bih.biCompression = rgb->compression;
        bih.biHeight = -p.height; // top row first: see the header
        if (rgb->compression == BI_BITFIELDS) {
            append(after, uint32_t(0xF800));
            append(after, uint32_t(0x07E0));
            append(after, uint32_t(0x001F));
        }
    } else {
        const uint32_t fourcc = gst_video_format_to_fourcc(format);
        if (!fourcc) return false;
        sub = FourCCSubtype(fourcc);
        bih.biBitCount = yuvBitCount(format);
        bih.biCompression = fourcc;
        bih.biHeight = p.height;
    }
    TMediaType mt;
    fillVideoType(mt, MEDIATYPE_Video, sub, p, bih, after);
    mt.bFixedSizeSamples = true;
    mt.bTemporalCompression = false;
    mt.lSampleSize = bih.biSizeImage;
    out = std::move(mt);
    return true;
}

GstCaps* rawVideoCaps(const TMediaType& mt, const BITMAPINFOHEADER& bih, GstVideoFormat format)
{
    if (bih.biWidth <= 0 || bih.biHeight == 0 || format == GST_VIDEO_FORMAT_UNKNOWN) return nullptr;
    GstStructure* s = gst_structure_new(
        "video/x-raw", "format", G_TYPE_STRING, gst_video_format_to_string(format), nullptr);
    setVideoFields(s, mt, bih, true);
    return capsOf(s);
}

// --- DV

constexpr uint32_t DvFourCCs[] = {
    MakeFourCC('d', 'v', 's', 'd'),
    MakeFourCC('D', 'V', 'S', 'D'),
    MakeFourCC('d', 'v', '2', '5'),
    MakeFourCC('d', 'v', 'c', ' '),
    MakeFourCC('d', 'v', 'c', 'p'),
};

bool isDvSubtype(const GUID& sub)
{
    if (!IsFourCCSubtype(sub)) return false;
    for (uint32_t code : DvFourCCs) {
        if (sub.Data1 == code) return true;
    }
    return false;
}

bool dvFromCaps(const GstStructure* s, TMediaType& out)
{
    gboolean system = FALSE;
    gst_structure_get_boolean(s, "systemstream", &system);
    TVideoParams p = readVideoParams(s);
    // The standard decides the frame: 625 lines at 25 frames/s, or 525 lines
    // at 30000/1001; either given value gives the others.
    if (p.height == 0 && p.fpsNum > 0)
        p.height = p.fpsNum == 25 * p.fpsDen ? 576 : (p.fpsNum * 1001 == 30000 * p.fpsDen ? 480 : 0);
    if (p.height > 0 && p.width == 0) p.width = 720;
    if (p.fpsNum == 0 && p.height == 576) {
        p.fpsNum = 25;
        p.fpsDen = 1;
    } else if (p.fpsNum == 0 && p.height == 480) {
        p.fpsNum = 30000;
        p.fpsDen = 1001;
    }
    const uint32_t frameSize = p.height == 576 ? 144000 : (p.height == 480 ? 120000 : 0);

    TMediaType mt;
    if (system) {
        mt.majortype = MEDIATYPE_Interleaved;
        mt.subtype = MEDIASUBTYPE_dvsd;
        mt.formattype = FORMAT_DvInfo;
        mt.SetFormatBlock(DVINFO {});
    } else {
        BITMAPINFOHEADER bih = compressedHeader(p, MakeFourCC('d', 'v', 's', 'd'));
        bih.biSizeImage = frameSize;
        // The DV description reads a VIDEOINFOHEADER whatever the pixel shape.
        fillVideoType(mt, MEDIATYPE_Video, MEDIASUBTYPE_dvsd, p, bih, {}, false);
    }
    mt.bFixedSizeSamples = frameSize != 0;
    mt.lSampleSize = frameSize;
    mt.bTemporalCompression = false;
    out = std::move(mt);
    return true;
}

GstCaps* dvCaps(const TMediaType& mt, bool system)
{
    GstStructure* s
        = gst_structure_new("video/x-dv", "systemstream", G_TYPE_BOOLEAN, gboolean(system), nullptr);
    BITMAPINFOHEADER bih;
    if (!system && mt.GetBitmapHeader(bih)) {
        const int height = bih.biHeight == INT_MIN ? INT_MAX : std::abs(bih.biHeight);
        if (bih.biWidth > 0 && height > 0) {
            setInt(s, "width", bih.biWidth);
            setInt(s, "height", height);
        }
        int num = 0, den = 1;
        if (RateFromFrameDuration(mt.AvgTimePerFrame(), num, den)) setFraction(s, "framerate", num, den);
    }
    return capsOf(s);
}

// --- MPEG-1 and MPEG-2 video

struct TNamedValue {
    const char* name;
    uint32_t value;
};

const TNamedValue Mpeg2Profiles[] = {
    { "simple", AM_MPEG2Profile_Simple },
    { "main", AM_MPEG2Profile_Main },
    { "snr", AM_MPEG2Profile_SNRScalable },
    { "spatial", AM_MPEG2Profile_SpatiallyScalable },
    { "high", AM_MPEG2Profile_High },
};

const TNamedValue Mpeg2Levels[] = {
    { "low", AM_MPEG2Level_Low },
    { "main", AM_MPEG2Level_Main },
    { "high-1440", AM_MPEG2Level_High1440 },
    { "high", AM_MPEG2Level_High },
};

template <size_t N> uint32_t valueOf(const TNamedValue (&table)[N], const char* name)
{
    if (!name) return 0;
    for (const TNamedValue& entry : table) {
        if (std::strcmp(entry.name, name) == 0) return entry.value;
    }
    return 0;
}

template <size_t N> const char* nameOf(const TNamedValue (&table)[N], uint32_t value)
{
    for (const TNamedValue& entry : table) {
        if (entry.value == value) return entry.name;
    }
    return nullptr;
}

bool mpegVideoFromCaps(const GstStructure* s, int version, TMediaType& out)
{
    const TVideoParams p = readVideoParams(s);
    const RECT rect { 0, 0, p.width, p.height };
    const BITMAPINFOHEADER bih = compressedHeader(p, 0);
    const uint32_t cb = uint32_t(p.codecData.size());
    TMediaType mt;
    mt.majortype = MEDIATYPE_Video;
    if (version == 1) {
        MPEG1VIDEOINFO info;
        info.hdr.rcSource = info.hdr.rcTarget = rect;
        info.hdr.dwBitRate = p.bitRate;
        info.hdr.AvgTimePerFrame = FrameDurationFromRate(p.fpsNum, p.fpsDen);
        info.hdr.bmiHeader = bih;
        info.cbSequenceHeader = cb;
        mt.format.assign(std::max(sizeof(MPEG1VIDEOINFO), MPEG1_SEQUENCE_HEADER_OFFSET + cb), 0);
        std::memcpy(mt.format.data(), &info, sizeof info);
        if (cb) std::memcpy(mt.format.data() + MPEG1_SEQUENCE_HEADER_OFFSET, p.codecData.data(), cb);
        mt.subtype = MEDIASUBTYPE_MPEG1Payload;
        mt.formattype = FORMAT_MPEGVideo;
    } else {
        MPEG2VIDEOINFO info;
        info.hdr.rcSource = info.hdr.rcTarget = rect;
        info.hdr.dwBitRate = p.bitRate;
        info.hdr.AvgTimePerFrame = FrameDurationFromRate(p.fpsNum, p.fpsDen);
        info.hdr.dwInterlaceFlags = p.interlaceFlags;
        uint32_t x = 0, y = 0;
        pictureAspect(p, x, y);
        info.hdr.dwPictAspectRatioX = x;
        info.hdr.dwPictAspectRatioY = y;
        info.hdr.bmiHeader = bih;
        info.dwProfile = valueOf(Mpeg2Profiles, gst_structure_get_string(s, "profile"));
        info.dwLevel = valueOf(Mpeg2Levels, gst_structure_get_string(s, "level"));
        info.cbSequenceHeader = cb;
        mt.format.assign(std::max(sizeof(MPEG2VIDEOINFO), MPEG2_SEQUENCE_HEADER_OFFSET + cb), 0);
        std::memcpy(mt.format.data(), &info, sizeof info);
        if (cb) std::memcpy(mt.format.data() + MPEG2_SEQUENCE_HEADER_OFFSET, p.codecData.data(), cb);
        mt.subtype = MEDIASUBTYPE_MPEG2_VIDEO;
        mt.formattype = FORMAT_MPEG2Video;
    }
    mt.bTemporalCompression = true;
    out = std::move(mt);
    return true;
}

GstCaps* mpegVideoCaps(const TMediaType& mt, int version)
{
    BITMAPINFOHEADER bih;
    if (!mt.GetBitmapHeader(bih)) return nullptr;
    GstStructure* s = gst_structure_new(
        "video/mpeg", "mpegversion", G_TYPE_INT, version, "systemstream", G_TYPE_BOOLEAN, FALSE, nullptr);
    setVideoFields(s, mt, bih, false);
    if (mt.formattype == FORMAT_MPEG2Video) {
        uint32_t profile = 0, level = 0;
        if (mt.ReadFormat(profile, offsetof(MPEG2VIDEOINFO, dwProfile)) && nameOf(Mpeg2Profiles, profile))
            setString(s, "profile", nameOf(Mpeg2Profiles, profile));
        if (mt.ReadFormat(level, offsetof(MPEG2VIDEOINFO, dwLevel)) && nameOf(Mpeg2Levels, level))
            setString(s, "level", nameOf(Mpeg2Levels, level));
    }
    setCodecData(s, mt.CodecData());
    return capsOf(s);
}

// --- Compressed video described by a FOURCC

enum class TCodecData {
    None, // not carried
    Carried, // codec_data travels both ways
    Required, // carried, and the row is only read back when the record has some
};

struct TCodecRow {
    uint32_t fourcc;
    const char* match; // caps that map to the FOURCC; null: only read back
    const char* produce; // caps the FOURCC maps back to; null: only mapped forward
    TCodecData codecData;
};

constexpr uint32_t fcc(const char (&code)[5])
{
    return MakeFourCC(code[0], code[1], code[2], code[3]);
}

// In order: the first row whose match fits the caps wins, so narrower rows of
// a media name come before its catch-all row.
const TCodecRow CodecRows[] = {
    // Length-prefixed H.264 needs its parameter sets out of band; without
    // them they must be in the stream (avc3).
    { fcc("AVC1"), "video/x-h264, stream-format=(string)avc",
        "video/x-h264, stream-format=(string)avc, alignment=(string)au", TCodecData::Required },
    { fcc("AVC1"), "video/x-h264, stream-format=(string)avc3",
        "video/x-h264, stream-format=(string)avc3, alignment=(string)au", TCodecData::Carried },
    { fcc("avc1"), nullptr, "video/x-h264, stream-format=(string)avc, alignment=(string)au",
        TCodecData::Required },
    { fcc("avc1"), nullptr, "video/x-h264, stream-format=(string)avc3, alignment=(string)au",
        TCodecData::Carried },
    { fcc("H264"), "video/x-h264", "video/x-h264, stream-format=(string)byte-stream", TCodecData::None },
    { fcc("h264"), nullptr, "video/x-h264, stream-format=(string)byte-stream", TCodecData::None },
    { fcc("X264"), nullptr, "video/x-h264, stream-format=(string)byte-stream", TCodecData::None },
    { fcc("x264"), nullptr, "video/x-h264, stream-format=(string)byte-stream", TCodecData::None },
    { fcc("HEVC"), "video/x-h265, stream-format=(string)hvc1",
        "video/x-h265, stream-format=(string)hvc1, alignment=(string)au", TCodecData::Required },
    { fcc("HEVC"), "video/x-h265, stream-format=(string)hev1", nullptr, TCodecData::Carried },
    { fcc("HEVC"), "video/x-h265", "video/x-h265, stream-format=(string)byte-stream", TCodecData::None },
    { fcc("H265"), nullptr, "video/x-h265, stream-format=(string)byte-stream", TCodecData::None },
    { fcc("MP4V"), "video/mpeg, mpegversion=(int)4",
        "video/mpeg, mpegversion=(int)4, systemstream=(boolean)false", TCodecData::Carried },
    { fcc("mp4v"), nullptr, "video/mpeg, mpegversion=(int)4, systemstream=(boolean)false",
        TCodecData::Carried },
    { fcc("FMP4"), nullptr, "video/mpeg, mpegversion=(int)4, systemstream=(boolean)false",
        TCodecData::Carried },
    { fcc("M4S2"), nullptr, "video/mpeg, mpegversion=(int)4, systemstream=(boolean)false",
        TCodecData::Carried },
    { fcc("MPG1"), nullptr, "video/mpeg, mpegversion=(int)1, systemstream=(boolean)false",
        TCodecData::Carried },
    { fcc("mpg1"), nullptr, "video/mpeg, mpegversion=(int)1, systemstream=(boolean)false",
        TCodecData::Carried },
    { fcc("MPG2"), nullptr, "video/mpeg, mpegversion=(int)2, systemstream=(boolean)false",
        TCodecData::Carried },
    { fcc("mpg2"), nullptr, "video/mpeg, mpegversion=(int)2, systemstream=(boolean)false",
        TCodecData::Carried },
    { fcc("XVID"), "video/x-xvid", "video/x-xvid", TCodecData::Carried },
    { fcc("xvid"), nullptr, "video/x-xvid", TCodecData::Carried },
    { fcc("DIV3"), "video/x-divx, divxversion=(int)3", "video/x-divx, divxversion=(int)3",
        TCodecData::Carried },
    { fcc("DX50"), "video/x-divx, divxversion=(int)5", "video/x-divx, divxversion=(int)5",
        TCodecData::Carried },
    { fcc("DIVX"), "video/x-divx", "video/x-divx, divxversion=(int)4", TCodecData::Carried },
    { fcc("divx"), nullptr, "video/x-divx, divxversion=(int)4", TCodecData::Carried },
    { fcc("MPG4"), "video/x-msmpeg, msmpegversion=(int)41", "video/x-msmpeg, msmpegversion=(int)41",
        TCodecData::Carried },
    { fcc("MP42"), "video/x-msmpeg, msmpegversion=(int)42", "video/x-msmpeg, msmpegversion=(int)42",
        TCodecData::Carried },
    { fcc("MP43"), "video/x-msmpeg, msmpegversion=(int)43", "video/x-msmpeg, msmpegversion=(int)43",
        TCodecData::Carried },
    { fcc("WVC1"), "video/x-wmv, format=(string)WVC1", "video/x-wmv, wmvversion=(int)3, format=(string)WVC1",
        TCodecData::Carried },
    { fcc("WMVA"), "video/x-wmv, format=(string)WMVA", "video/x-wmv, wmvversion=(int)3, format=(string)WMVA",
        TCodecData::Carried },
    { fcc("WMV1"), "video/x-wmv, wmvversion=(int)1", "video/x-wmv, wmvversion=(int)1", TCodecData::Carried },
    { fcc("WMV2"), "video/x-wmv, wmvversion=(int)2", "video/x-wmv, wmvversion=(int)2", TCodecData::Carried },
    { fcc("WMV3"), "video/x-wmv, wmvversion=(int)3", "video/x-wmv, wmvversion=(int)3, format=(string)WMV3",
        TCodecData::Carried },
    { fcc("MJPG"), "image/jpeg", "image/jpeg", TCodecData::None },
    { fcc("mjpg"), nullptr, "image/jpeg", TCodecData::None },
    { fcc("AVRn"), nullptr, "image/jpeg", TCodecData::None },
    { fcc("VP80"), "video/x-vp8", "video/x-vp8", TCodecData::None },
    { fcc("VP90"), "video/x-vp9", "video/x-vp9", TCodecData::None },
    { fcc("AV01"), "video/x-av1", "video/x-av1", TCodecData::Carried },
    { fcc("THEO"), "video/x-theora", "video/x-theora", TCodecData::None },
    { fcc("H263"), "video/x-h263", "video/x-h263, variant=(string)itu", TCodecData::None },
    { fcc("FLV1"), "video/x-flash-video, flvversion=(int)1", "video/x-flash-video, flvversion=(int)1",
        TCodecData::None },
    { fcc("SVQ1"), "video/x-svq, svqversion=(int)1", "video/x-svq, svqversion=(int)1", TCodecData::Carried },
    { fcc("SVQ3"), "video/x-svq, svqversion=(int)3", "video/x-svq, svqversion=(int)3", TCodecData::Carried },
    { fcc("cvid"), "video/x-cinepak", "video/x-cinepak", TCodecData::None },
    { fcc("IV32"), "video/x-indeo, indeoversion=(int)3", "video/x-indeo, indeoversion=(int)3",
        TCodecData::None },
    { fcc("IV41"), "video/x-indeo, indeoversion=(int)4", "video/x-indeo, indeoversion=(int)4",
        TCodecData::None },
    { fcc("IV50"), "video/x-indeo, indeoversion=(int)5", "video/x-indeo, indeoversion=(int)5",
        TCodecData::None },
    { fcc("HFYU"), "video/x-huffyuv", "video/x-huffyuv", TCodecData::Carried },
    { fcc("FFV1"), "video/x-ffv, ffvversion=(int)1", "video/x-ffv, ffvversion=(int)1", TCodecData::Carried },
};

// Intra-only codecs: every sample stands alone.
bool isIntraOnly(uint32_t fourcc)
{
    return fourcc == fcc("MJPG") || fourcc == fcc("HFYU") || fourcc == fcc("FFV1");
}

bool codecVideoFromCaps(const GstStructure* s, TMediaType& out)
{
    const TCodecRow* row = nullptr;
    for (const TCodecRow& candidate : CodecRows) {
        if (candidate.match && structureMatches(s, candidate.match)) {
            row = &candidate;
            break;
        }
    }
    if (!row) return false;
    TVideoParams p = readVideoParams(s);
    BITMAPINFOHEADER bih = compressedHeader(p, row->fourcc);
    Bytes after;
    // Codec data follows the header, which counts it in biSize.
    if (row->codecData != TCodecData::None && p.codecData.size() <= UINT32_MAX - sizeof(BITMAPINFOHEADER)) {
        after = p.codecData;
        bih.biSize = uint32_t(sizeof(BITMAPINFOHEADER) + after.size());
    }
    TMediaType mt;
    fillVideoType(mt, MEDIATYPE_Video, FourCCSubtype(row->fourcc), p, bih, after);
    mt.bTemporalCompression = !isIntraOnly(row->fourcc);
    out = std::move(mt);
    return true;
}

GstCaps* codecVideoCaps(const TMediaType& mt, const BITMAPINFOHEADER& bih, uint32_t fourcc)
{
    // Codec data only in the first and second generation headers: in the MPEG
    // formats it would be a sequence header of another form.
    const Bytes codecData
        = mt.formattype == FORMAT_VideoInfo || mt.formattype == FORMAT_VideoInfo2 ? mt.CodecData() : Bytes();
    const TCodecRow* row = nullptr;
    for (const TCodecRow& candidate : CodecRows) {
        if (candidate.fourcc == fourcc && candidate.produce
            && (candidate.codecData != TCodecData::Required || !codecData.empty())) {
            row = &candidate;
            break;
        }
    }
    if (!row) return nullptr;
    GstStructure* s = gst_structure_from_string(row->produce, nullptr);
    if (!s) return nullptr;
    setVideoFields(s, mt, bih, false);
    if (row->codecData != TCodecData::None) setCodecData(s, codecData);
    return capsOf(s);
}

// ---------------------------------------------------------------------------
// Whole files as byte streams.

struct TContainerRow {
    GUID subtype;
    const char* caps;
};

const TContainerRow ContainerRows[] = {
    { MEDIASUBTYPE_Avi, "video/x-msvideo" },
    { MEDIASUBTYPE_MPEG1System, "video/mpeg, systemstream=(boolean)true, mpegversion=(int)1" },
    { MEDIASUBTYPE_MPEG2_PROGRAM, "video/mpeg, systemstream=(boolean)true, mpegversion=(int)2" },
    { MEDIASUBTYPE_MPEG2_TRANSPORT, "video/mpegts, systemstream=(boolean)true" },
    { MEDIASUBTYPE_Asf, "video/x-ms-asf" },
    { MEDIASUBTYPE_QTMovie, "video/quicktime" },
};

bool containerFromCaps(const GstStructure* s, TMediaType& out)
{
    for (const TContainerRow& row : ContainerRows) {
        if (structureMatches(s, row.caps)) {
            TMediaType mt(MEDIATYPE_Stream, row.subtype, FORMAT_None);
            mt.bFixedSizeSamples = true;
            mt.lSampleSize = 1;
            out = std::move(mt);
            return true;
        }
    }
    return false;
}

GstCaps* containerCaps(const TMediaType& mt)
{
    for (const TContainerRow& row : ContainerRows) {
        if (row.subtype == mt.subtype) return gst_caps_from_string(row.caps);
    }
    return nullptr;
}

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

GstCaps* videoCaps(const TMediaType& mt)
{
    if (isDvSubtype(mt.subtype)) return dvCaps(mt, false);
    if (mt.subtype == MEDIASUBTYPE_MPEG2_VIDEO) return mpegVideoCaps(mt, 2);
    if (mt.subtype == MEDIASUBTYPE_MPEG1Payload || mt.subtype == MEDIASUBTYPE_MPEG1Packet
        || mt.subtype == MEDIASUBTYPE_MPEG1Video)
        return mpegVideoCaps(mt, 1);

    BITMAPINFOHEADER bih;
    if (!mt.GetBitmapHeader(bih)) return nullptr;
    for (const TRgbRow& row : RgbRows) {
        if (row.reverse && row.subtype == mt.subtype) return rawVideoCaps(mt, bih, row.format);
    }
    // A FOURCC subtype names the code; elsewhere the header's compression does.
    const uint32_t fourcc = IsFourCCSubtype(mt.subtype) ? mt.subtype.Data1 : bih.biCompression;
    if (GstCaps* caps = codecVideoCaps(mt, bih, fourcc)) return caps;
    if (IsFourCCSubtype(mt.subtype)) return rawVideoCaps(mt, bih, gst_video_format_from_fourcc(fourcc));
    return nullptr;
}

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

void ensureInitialised()
{
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
}

} // namespace

REFERENCE_TIME FrameDurationFromRate(int num, int den)
{
    if (num <= 0 || den <= 0) return 0;
    // round(10^7 × den / num) without floating point
    return (int64_t(20000000) * den + num) / (int64_t(2) * num);
}

bool RateFromFrameDuration(REFERENCE_TIME duration, int& num, int& den)
{
    if (duration <= 0) return false;
    static const struct {
        int num;
        int den;
    } KnownRates[] = {
        { 25, 1 },
        { 30000, 1001 },
        { 24000, 1001 },
        { 24, 1 },
        { 30, 1 },
        { 50, 1 },
        { 60000, 1001 },
        { 60, 1 },
        { 15, 1 },
        { 15000, 1001 },
        { 12, 1 },
        { 10, 1 },
        { 5, 1 },
        { 1, 1 },
        { 48, 1 },
        { 100, 1 },
        { 120, 1 },
        { 120000, 1001 },
        { 25, 2 },
    };
    for (const auto& rate : KnownRates) {
        if (FrameDurationFromRate(rate.num, rate.den) == duration) {
            num = rate.num;
            den = rate.den;
            return true;
        }
    }
    gst_util_double_to_fraction(1e7 / double(duration), &num, &den);
    return num > 0 && den > 0;
}

namespace
{
bool isContainer(const GstStructure* s)
{
    static GList* const demuxers = gst_element_factory_list_get_elements(
        GST_ELEMENT_FACTORY_TYPE_DEMUXER, GST_RANK_MARGINAL);
    GstCaps* caps = gst_caps_new_full(gst_structure_copy(s), nullptr);
    bool found = false;
    for (GList* l = demuxers; l && !found; l = l->next) {
        for (const GList* t = gst_element_factory_get_static_pad_templates(GST_ELEMENT_FACTORY(l->data));
             t && !found; t = t->next) {
            auto* templ = static_cast<GstStaticPadTemplate*>(t->data);
            if (templ->direction != GST_PAD_SINK) continue;
            GstCaps* accepted = gst_static_pad_template_get_caps(templ);
            found = !gst_caps_is_any(accepted) && gst_caps_can_intersect(caps, accepted);
            gst_caps_unref(accepted);
        }
    }
    gst_caps_unref(caps);
    return found;
}
} // namespace

bool MediaTypeFromCaps(const GstCaps* caps, TMediaType& out)
{
    if (!caps || gst_caps_is_any(caps) || gst_caps_is_empty(caps)) return false;
    return MediaTypeFromStructure(gst_caps_get_structure(caps, 0), out);
}

bool MediaTypeFromStructure(const GstStructure* s, TMediaType& out)
{
    if (!s) return false;
    if (gst_structure_has_name(s, "video/x-raw")) return rawVideoFromCaps(s, out);
    if (gst_structure_has_name(s, "audio/x-raw")) return rawAudioFromCaps(s, out);
    if (gst_structure_has_name(s, "video/x-dv")) return dvFromCaps(s, out);
    if (gst_structure_has_name(s, "video/mpeg")) {
        gboolean system = FALSE;
        int version = 0;
        if (gst_structure_get_boolean(s, "systemstream", &system) && system) return containerFromCaps(s, out);
        if (getInt(s, "mpegversion", version) && (version == 1 || version == 2))
            return mpegVideoFromCaps(s, version, out);
        return codecVideoFromCaps(s, out);
    }
    if (gst_structure_has_name(s, "audio/mpeg")) return mpegAudioFromCaps(s, out);
    if (gst_structure_has_name(s, "audio/x-private1-lpcm") || gst_structure_has_name(s, "audio/x-lpcm"))
        return lpcmFromCaps(s, out);
    if (containerFromCaps(s, out) || codecVideoFromCaps(s, out) || tableAudioFromCaps(s, out)) return true;
    // A format without a record of its own: a container when a demuxer
    // reads it (the input of a splitter carries a stream, not video), else
    // audio or video by its name, so that a splitter's pin is found by its
    // major type whatever it carries.
    const char* name = gst_structure_get_name(s);
    if (isContainer(s)) {
        out = TMediaType(MEDIATYPE_Stream, GUID_NULL, FORMAT_None);
        return true;
    }
    const bool audio = g_str_has_prefix(name, "audio/");
    if (!audio && !g_str_has_prefix(name, "video/") && !g_str_has_prefix(name, "image/")) return false;
    out = TMediaType();
    out.majortype = audio ? MEDIATYPE_Audio : MEDIATYPE_Video;
    out.subtype = GUID_NULL;
    out.formattype = GUID_NULL;
    return true;
}

GstCaps* CapsFromMediaType(const TMediaType& mt)
{
    ensureInitialised();
    if (mt.majortype == MEDIATYPE_Stream) return containerCaps(mt);
    if (mt.majortype == MEDIATYPE_Interleaved) return isDvSubtype(mt.subtype) ? dvCaps(mt, true) : nullptr;
    if (mt.majortype == MEDIATYPE_Video) return videoCaps(mt);
    if (mt.majortype == MEDIATYPE_Audio) return audioCaps(mt);
    return nullptr;
}
