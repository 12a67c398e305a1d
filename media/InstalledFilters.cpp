#include "media/InstalledFilters.h"

#include "graph/PlatformFilters.h"
#include "platform/Registry.h"

bool HaaliPresent = false;
bool FfdshowVideoPresent = false;
bool FfdshowAudioPresent = false;

namespace
{
// Everything that decides how the three behave sits here, so that their
// stored settings can steer it.
constexpr const char* SplitterDemuxers[] = { "matroskademux", "qtdemux", "tsdemux" };
constexpr const char* DecoderFamily = "avdec_";
constexpr const char* VideoOutput = PlatformFilters::DecodedVideoCaps;
constexpr const char* AudioOutput = PlatformFilters::DecodedAudioCaps;

// The decoder pack's value for a format, and the types it stands for. MPEG
// audio layers are not among them: before the parser has read a frame the
// layers share one type, so the input could not refuse one of them.
struct TDecoderPackFormat {
    const char* value;
    const char* caps;
};
constexpr TDecoderPackFormat VideoFormats[] = {
    { "mpg1", "video/mpeg, mpegversion=(int)1" },
    { "mpg2", "video/mpeg, mpegversion=(int)2" },
    { "mp4v", "video/mpeg, mpegversion=(int)4" },
    { "xvid", "video/x-xvid" },
    { "dx50", "video/x-divx, divxversion=(int)5" },
    { "div3", "video/x-divx, divxversion=(int)3" },
    { "h264", "video/x-h264" },
    { "h263", "video/x-h263" },
    { "wmv1", "video/x-wmv, wmvversion=(int)1" },
    { "wmv2", "video/x-wmv, wmvversion=(int)2" },
    { "wmv3", "video/x-wmv, wmvversion=(int)3, format=(string)WMV3" },
    { "wvc1", "video/x-wmv, wmvversion=(int)3, format=(string)WVC1" },
    { "mjpg", "image/jpeg" },
    { "dvsd", "video/x-dv" },
    { "theo", "video/x-theora" },
    { "vp6", "video/x-vp6" },
    { "vp6f", "video/x-vp6-flash" },
    { "flv1", "video/x-flash-video" },
    { "svq1", "video/x-svq, svqversion=(int)1" },
    { "svq3", "video/x-svq, svqversion=(int)3" },
    { "cvid", "video/x-cinepak" },
    { "hfyu", "video/x-huffyuv" },
    { "ffv1", "video/x-ffv" },
};
constexpr TDecoderPackFormat AudioFormats[] = {
    { "aac", "audio/mpeg, mpegversion=(int){2, 4}" },
    { "ac3", "audio/x-ac3" },
    { "eac3", "audio/x-eac3" },
    { "dts", "audio/x-dts" },
    { "truehd", "audio/x-true-hd" },
    { "vorbis", "audio/x-vorbis" },
    { "flac", "audio/x-flac" },
    { "lpcm", "audio/x-lpcm" },
    { "wma1", "audio/x-wma, wmaversion=(int)1" },
    { "wma2", "audio/x-wma, wmaversion=(int)2" },
    { "amr", "audio/AMR" },
    { "gsm", "audio/x-gsm" },
    { "law", "audio/x-alaw; audio/x-mulaw" },
};

bool takes(const char* factoryName, const GstCaps* type)
{
    GstElementFactory* factory = gst_element_factory_find(factoryName);
    if (!factory) return false;
    const bool yes = gst_element_factory_can_sink_all_caps(factory, type);
    gst_object_unref(factory);
    return yes;
}
} // namespace

const char* HaaliSplitterFor(const GstCaps* type)
{
    if (!type || gst_caps_is_empty(type) || gst_caps_is_any(type)) return nullptr;
    const GstStructure* s = gst_caps_get_structure(type, 0);
    // What the splitter's settings let it read (a value of 0 refuses the
    // kind of file; a missing one reads it).
    if (gst_structure_has_name(s, "video/mpegts")) {
        int packet = 188;
        gst_structure_get_int(s, "packetsize", &packet);
        if (!SplitterReads(packet == 192 ? "rm2ts" : "rts")) return nullptr;
    }
    if (gst_structure_has_name(s, "video/quicktime") && !SplitterReads("rmp4")) return nullptr;
    for (const char* demuxer : SplitterDemuxers)
        if (takes(demuxer, type)) return demuxer;
    return nullptr;
}

bool SplitterReads(const char* valueName)
{
    TRegistry machine(RegHive::LocalMachine);
    if (!machine.OpenKeyReadOnly(QStringLiteral("\\SOFTWARE\\HaaliMkx"))) return true;
    const std::optional<uint32_t> value = machine.ReadInteger(QString::fromLatin1(valueName));
    return !value || *value != 0;
}

QString DecoderPackRefuses(bool video)
{
    TRegistry user(RegHive::CurrentUser);
    if (!user.OpenKeyReadOnly(video ? QStringLiteral("\\Software\\GNU\\ffdshow")
                                    : QStringLiteral("\\Software\\GNU\\ffdshow_audio")))
        return QString();
    QStringList refused;
    auto refuse = [&](const auto& formats) {
        for (const TDecoderPackFormat& f : formats) {
            const std::optional<uint32_t> value = user.ReadInteger(QString::fromLatin1(f.value));
            if (value && *value == 0) refused.append(QString::fromLatin1(f.caps));
        }
    };
    if (video)
        refuse(VideoFormats);
    else
        refuse(AudioFormats);
    return refused.join(QStringLiteral("; "));
}

std::shared_ptr<TGraphFilter> CreateHaaliSplitter()
{
    for (const char* demuxer : SplitterDemuxers) {
        GstElementFactory* factory = gst_element_factory_find(demuxer);
        if (!factory) return nullptr;
        gst_object_unref(factory);
    }
    return PlatformFilters::CreateTypedReader(CLSID_HaaliMediaSplitter, HaaliSplitterFor);
}

std::shared_ptr<TGraphFilter> CreateFfdshowVideoDecoder()
{
    const QByteArray refused = DecoderPackRefuses(true).toUtf8();
    return PlatformFilters::CreateDecoder(CLSID_FfdshowVideoDecoder, true, DecoderFamily, VideoOutput,
        refused.isEmpty() ? nullptr : refused.constData());
}

std::shared_ptr<TGraphFilter> CreateFfdshowAudioDecoder()
{
    const QByteArray refused = DecoderPackRefuses(false).toUtf8();
    return PlatformFilters::CreateDecoder(CLSID_FfdshowAudioDecoder, false, DecoderFamily, AudioOutput,
        refused.isEmpty() ? nullptr : refused.constData());
}

void DetectInstalledFilters()
{
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    PlatformFilters::Register(CLSID_HaaliMediaSplitter, CreateHaaliSplitter);
    PlatformFilters::Register(CLSID_FfdshowVideoDecoder, CreateFfdshowVideoDecoder);
    PlatformFilters::Register(CLSID_FfdshowAudioDecoder, CreateFfdshowAudioDecoder);
    HaaliPresent = PlatformFilters::Create(CLSID_HaaliMediaSplitter) != nullptr;
    FfdshowVideoPresent = PlatformFilters::Create(CLSID_FfdshowVideoDecoder) != nullptr;
    FfdshowAudioPresent = PlatformFilters::Create(CLSID_FfdshowAudioDecoder) != nullptr;
}
