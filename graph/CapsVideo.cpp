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

// Pixels more than 256 times wider than high, or the other way round, are
// no video's: such a ratio is a damaged header, and is not passed on.
bool parIsSane(int num, int den)
{
    return num > 0 && den > 0 && int64_t(num) <= 256 * int64_t(den) && int64_t(den) <= 256 * int64_t(num);
}

// The picture aspect of width x height pixels of num:den, reduced; false
// when it does not fit the header's 32-bit fields exactly.
bool exactPictureAspect(int width, int height, int num, int den, uint32_t& x, uint32_t& y)
{
    uint64_t ax = uint64_t(width) * uint64_t(num);
    uint64_t ay = uint64_t(height) * uint64_t(den);
    const uint64_t g = std::gcd(ax, ay);
    if (g > 1) {
        ax /= g;
        ay /= g;
    }
    if (!ax || !ay || ax > UINT32_MAX || ay > UINT32_MAX) return false;
    x = uint32_t(ax);
    y = uint32_t(ay);
    return true;
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
    if (getFraction(s, "pixel-aspect-ratio", num, den) && num > 0 && den > 0 && parIsSane(num, den)) {
        p.hasPar = true;
        p.parNum = num;
        p.parDen = den;
    }
    p.interlaceFlags = interlaceFlagsFromCaps(s);
    p.bitRate = bitRateFromCaps(s);
    p.codecData = getCodecData(s);
    // A pixel shape whose picture aspect the header cannot hold exactly is
    // taken as square (an approximation would give another shape back, and
    // another picture aspect at the next trip), and so chooses the header
    // square pixels choose: otherwise the next trip would change the header,
    // and with it the caps.
    uint32_t x = 0, y = 0;
    if (p.hasPar && p.width > 0 && p.height > 0
        && !exactPictureAspect(p.width, p.height, p.parNum, p.parDen, x, y))
        p.hasPar = false;
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
    const uint64_t most = uint64_t(limit);
    if (a <= most && b <= most) return;
    // The last convergent of the continued fraction whose terms fit: the
    // closest such ratio. Halving both terms until they fit lost the digits
    // of the smaller one, so the ratio drifted at every trip through caps.
    uint64_t p0 = 0, q0 = 1, p1 = 1, q1 = 0;
    for (uint64_t n = a, d = b; d != 0;) {
        const uint64_t q = n / d;
        if ((p1 != 0 && q > (most - p0) / p1) || (q1 != 0 && q > (most - q0) / q1)) break;
        const uint64_t p2 = q * p1 + p0;
        const uint64_t q2 = q * q1 + q0;
        p0 = p1;
        q0 = q1;
        p1 = p2;
        q1 = q2;
        const uint64_t r = n % d;
        n = d;
        d = r;
    }
    // A ratio beyond limit:1 has no convergent that fits: the largest is kept.
    a = q1 != 0 ? p1 : most;
    b = q1 != 0 ? q1 : 1;
}

// Picture aspect ratio = width × par_n : height × par_d, reduced; 0:0 when the
// size is unknown. Caps without a pixel aspect ratio have square pixels.
void pictureAspect(const TVideoParams& p, uint32_t& x, uint32_t& y)
{
    x = y = 0;
    if (p.width <= 0 || p.height <= 0) return;
    // readVideoParams kept only a pixel shape the fields can hold exactly.
    if (!exactPictureAspect(p.width, p.height, p.hasPar ? p.parNum : 1, p.hasPar ? p.parDen : 1, x, y))
        exactPictureAspect(p.width, p.height, 1, 1, x, y);
}

bool parFromAspect(uint32_t x, uint32_t y, int width, int height, int& num, int& den)
{
    if (!x || !y || width <= 0 || height <= 0) return false;
    uint64_t n = uint64_t(x) * uint64_t(height);
    uint64_t d = uint64_t(y) * uint64_t(width);
    reduceRatio(n, d, INT_MAX);
    if (!n || !d || !parIsSane(int(n), int(d))) return false;
    // Only a pixel shape that gives this picture aspect back: the next trip
    // through caps then changes nothing.
    uint32_t ax = 0, ay = 0;
    if (!exactPictureAspect(width, height, int(n), int(d), ax, ay)) return false;
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

// Raw video carrying one field per buffer is only valid caps with the
// interlaced-format feature: GStreamer refuses it otherwise.
void markFieldsPerBuffer(GstCaps* caps)
{
    if (caps && stringIs(gst_caps_get_structure(caps, 0), "interlace-mode", "alternate"))
        gst_caps_set_features(caps, 0, gst_caps_features_new(GST_CAPS_FEATURE_FORMAT_INTERLACED, nullptr));
}

bool rawVideoFromCaps(const GstStructure* s, TMediaType& out)
{
    GstCaps* caps = gst_caps_new_full(gst_structure_copy(s), nullptr);
    markFieldsPerBuffer(caps);
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
    // A picture whose frame size GStreamer cannot compute (a damaged header
    // giving billions of rows) is no stream it could carry.
    GstVideoInfo check;
    gst_video_info_init(&check);
    const int height = bih.biHeight == INT_MIN ? INT_MAX : std::abs(bih.biHeight);
    if (!gst_video_info_set_format(&check, format, guint(bih.biWidth), guint(height))) return nullptr;
    GstStructure* s = gst_structure_new(
        "video/x-raw", "format", G_TYPE_STRING, gst_video_format_to_string(format), nullptr);
    setVideoFields(s, mt, bih, true);
    GstCaps* caps = capsOf(s);
    markFieldsPerBuffer(caps);
    return caps;
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
    // The terms of a fraction may be as large as an int holds, so the rates
    // are compared in 64 bits.
    const int64_t num = p.fpsNum;
    const int64_t den = p.fpsDen;
    if (p.height == 0 && num > 0) p.height = num == 25 * den ? 576 : (num * 1001 == 30000 * den ? 480 : 0);
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

} // namespace CapsMapping
