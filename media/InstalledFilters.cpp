#include "media/InstalledFilters.h"

#include "graph/PlatformFilters.h"

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
    for (const char* demuxer : SplitterDemuxers)
        if (takes(demuxer, type)) return demuxer;
    return nullptr;
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
    return PlatformFilters::CreateDecoder(CLSID_FfdshowVideoDecoder, true, DecoderFamily, VideoOutput);
}

std::shared_ptr<TGraphFilter> CreateFfdshowAudioDecoder()
{
    return PlatformFilters::CreateDecoder(CLSID_FfdshowAudioDecoder, false, DecoderFamily, AudioOutput);
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
