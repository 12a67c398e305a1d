#include "graph/CapsMediaType.h"

#include "graph/CapsMapping.h"
#include "graph/MediaTypeGuids.h"

// The dispatch between the video and audio halves of the mapping
// (CapsVideo.cpp, CapsAudio.cpp), the containers, and frame rates.

using namespace CapsMapping;

namespace
{

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
    static GList* const demuxers
        = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_DEMUXER, GST_RANK_MARGINAL);
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

GstCaps* CapsForSubtype(const GUID& major, const GUID& subtype)
{
    ensureInitialised();
    TMediaType mt(major, subtype);
    if (major == MEDIATYPE_Video) {
        VIDEOINFOHEADER vih;
        vih.AvgTimePerFrame = 400'000;
        vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih.bmiHeader.biWidth = 16;
        vih.bmiHeader.biHeight = 16;
        vih.bmiHeader.biPlanes = 1;
        vih.bmiHeader.biBitCount = 32;
        vih.bmiHeader.biCompression = IsFourCCSubtype(subtype) ? subtype.Data1 : BI_RGB;
        mt.formattype = FORMAT_VideoInfo;
        mt.SetFormatBlock(vih);
    } else if (major == MEDIATYPE_Audio) {
        // The platform's other name for MPEG-1 audio has no caps of its own.
        if (subtype == MEDIASUBTYPE_MPEG1Audio) mt.subtype = MEDIASUBTYPE_MPEG1AudioPayload;
        WAVEFORMATEX wfx;
        wfx.wFormatTag = IsFourCCSubtype(mt.subtype) ? uint16_t(mt.subtype.Data1) : WAVE_FORMAT_MPEG;
        wfx.nChannels = 2;
        wfx.nSamplesPerSec = 48000;
        wfx.wBitsPerSample = 16;
        wfx.nBlockAlign = 4;
        wfx.nAvgBytesPerSec = 192000;
        mt.formattype = FORMAT_WaveFormatEx;
        mt.SetFormatBlock(wfx);
    } else {
        return nullptr;
    }
    GstCaps* caps = CapsFromMediaType(mt);
    if (!caps) return nullptr;
    static const char* const perStream[]
        = { "width", "height", "framerate", "pixel-aspect-ratio", "interlace-mode", "colorimetry",
              "chroma-site", "codec_data", "profile", "level", "parsed", "framed", "rate", "channels",
              "channel-mask", "bitrate", "block_align", "layout", "multiview-mode", "multiview-flags" };
    caps = gst_caps_make_writable(caps);
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        GstStructure* s = gst_caps_get_structure(caps, i);
        for (const char* field : perStream)
            gst_structure_remove_field(s, field);
    }
    return caps;
}
