// The caps -> record -> caps mapping on caps written by anyone: a demuxer
// reading a damaged file announces whatever its headers say.
//
// Properties: a refusal leaves the record as it was; a record's format block
// holds what its format type promises; caps made from a record are fixed and
// map back to a record of the same types, which maps to the same caps.

#include "fuzz/FuzzCheck.h"
#include "graph/CapsMediaType.h"
#include "graph/MediaTypeGuids.h"

#include <gst/gst.h>
#include <set>
#include <string>

namespace
{

// GLib keeps every structure and field name it ever parsed, for the life of
// the process, so random names would fill the memory of a long run with
// GLib's table rather than test anything of ours. Names are taken from what
// the mapping and the demuxers read (fuzz/caps.dict gives them to libFuzzer);
// the values, where the mapping's work lies, are left free. Quoted and
// escaped text, which could hide a name, is set aside too.
const std::set<std::string>& KnownNames()
{
    static const std::set<std::string> names { // media
        "audio/ac3", "audio/mpeg", "audio/x-ac3", "audio/x-adpcm", "audio/x-alaw", "audio/x-dts",
        "audio/x-eac3", "audio/x-flac", "audio/x-lpcm", "audio/x-mulaw", "audio/x-private1-ac3",
        "audio/x-private1-dts", "audio/x-private1-lpcm", "audio/x-raw", "audio/x-vorbis", "audio/x-wma",
        "audio/x-unknown", "application/x-id3", "image/jpeg", "video/mpeg", "video/mpegts", "video/quicktime",
        "video/x-av1", "video/x-cinepak", "video/x-divx", "video/x-dv", "video/x-ffv", "video/x-flash-video",
        "video/x-h263", "video/x-h264", "video/x-h265", "video/x-huffyuv", "video/x-indeo", "video/x-ms-asf",
        "video/x-msmpeg", "video/x-msvideo", "video/x-raw", "video/x-svq", "video/x-theora", "video/x-vp8",
        "video/x-vp9", "video/x-wmv", "video/x-xvid", "video/x-matroska", "video/x-unknown",
        // fields
        "alignment", "bitrate", "block_align", "channel-mask", "channels", "codec_data", "depth",
        "divxversion", "ffvversion", "field-order", "flvversion", "format", "framerate", "height",
        "indeoversion", "interlace-mode", "layer", "layout", "level", "mpegaudioversion", "mpegversion",
        "msmpegversion", "pixel-aspect-ratio", "profile", "rate", "stream-format", "svqversion",
        "systemstream", "variant", "width", "wmaversion", "wmvversion", "parsed", "framed"
    };
    return names;
}

std::string Trimmed(const std::string& s)
{
    const size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

bool NamesAreKnown(const std::string& text)
{
    if (text.find_first_of("\"\\") != std::string::npos) return false;
    bool structureStart = true;
    size_t begin = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ',' && text[i] != ';') continue;
        const std::string piece = text.substr(begin, i - begin);
        const size_t equals = piece.find('=');
        if (structureStart) {
            // The media name, with or without features: only known ones.
            if (!KnownNames().count(Trimmed(piece))) return false;
        } else if (equals != std::string::npos && !KnownNames().count(Trimmed(piece.substr(0, equals)))) {
            return false;
        }
        structureStart = i < text.size() && text[i] == ';';
        begin = i + 1;
    }
    return true;
}

void CheckBlock(const TMediaType& mt)
{
    BITMAPINFOHEADER bih;
    WAVEFORMATEX wfx;
    DVINFO dv;
    if (mt.formattype == FORMAT_VideoInfo || mt.formattype == FORMAT_VideoInfo2
        || mt.formattype == FORMAT_MPEGVideo || mt.formattype == FORMAT_MPEG2Video)
        FUZZ_CHECK(mt.GetBitmapHeader(bih));
    if (mt.formattype == FORMAT_WaveFormatEx) FUZZ_CHECK(mt.GetWaveFormat(wfx));
    if (mt.formattype == FORMAT_DvInfo) FUZZ_CHECK(mt.GetDvInfo(dv));
    FUZZ_CHECK(mt.CodecData().size() <= mt.format.size());
}

struct CapsRef {
    explicit CapsRef(GstCaps* c)
        : caps(c)
    {
    }
    ~CapsRef()
    {
        if (caps) gst_caps_unref(caps);
    }
    CapsRef(const CapsRef&) = delete;
    CapsRef& operator=(const CapsRef&) = delete;
    GstCaps* caps;
};

QString Text(const GstCaps* caps)
{
    gchar* text = gst_caps_to_string(caps);
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    gst_init(nullptr, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (text.find('\0') != std::string::npos || !NamesAreKnown(text)) return 0;
    const CapsRef caps(gst_caps_from_string(text.c_str()));
    if (!caps.caps) return 0;

    const TMediaType untouched(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_DvInfo);
    TMediaType mt = untouched;
    if (!MediaTypeFromCaps(caps.caps, mt)) {
        FUZZ_CHECK(mt == untouched);
        return 0;
    }
    CheckBlock(mt);

    const CapsRef back(CapsFromMediaType(mt));
    if (!back.caps) return 0;
    FUZZ_CHECK(gst_caps_is_fixed(back.caps));
    TMediaType again;
    FUZZ_CHECK(MediaTypeFromCaps(back.caps, again));
    CheckBlock(again);
    FUZZ_CHECK(again.majortype == mt.majortype && again.subtype == mt.subtype);
    const CapsRef twice(CapsFromMediaType(again));
    FUZZ_CHECK(twice.caps);
    FUZZ_CHECK_SAYING(gst_caps_is_equal(twice.caps, back.caps), Text(back.caps) + u'\n' + Text(twice.caps));
    return 0;
}
