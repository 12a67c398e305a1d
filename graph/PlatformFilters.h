#pragma once
// What stands in, on GStreamer, for each platform filter that the source
// recipes and the media system name by class identifier or moniker.

#include "graph/Guid.h"
#include "graph/TGraphFilter.h"

#include <QString>
#include <functional>
#include <gst/gst.h>
#include <memory>

namespace PlatformFilters
{
// Class identifiers of the platform filters.
inline constexpr GUID CLSID_AsyncReader { 0xE436EBB5, 0x524F, 0x11CE,
    { 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70 } };
inline constexpr GUID CLSID_AviSplitter { 0x1B544C20, 0xFD0B, 0x11CE,
    { 0x8C, 0x63, 0x00, 0xAA, 0x00, 0x44, 0xB5, 0x1E } };
inline constexpr GUID CLSID_MPEG1Splitter { 0x336475D0, 0x942A, 0x11CE,
    { 0xA8, 0x70, 0x00, 0xAA, 0x00, 0x2F, 0xEA, 0xB5 } };
inline constexpr GUID CLSID_MPEG2Demultiplexer { 0xAFB6C280, 0x2C41, 0x11D3,
    { 0x8A, 0x60, 0x00, 0x00, 0xF8, 0x1E, 0x0E, 0x4A } };
inline constexpr GUID CLSID_MPEG2Splitter { 0x3AE86B20, 0x7BE8, 0x11D1,
    { 0xAB, 0xE6, 0x00, 0xA0, 0xC9, 0x05, 0xF3, 0x75 } };
inline constexpr GUID CLSID_WMAsfReader { 0x187463A0, 0x5BB7, 0x11D3,
    { 0xAC, 0xBE, 0x00, 0x80, 0xC7, 0x5E, 0x24, 0x6E } };
inline constexpr GUID CLSID_DVSplitter { 0x4EB31670, 0x9FC6, 0x11CF,
    { 0xAF, 0x6E, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42 } };
inline constexpr GUID CLSID_DVVideoCodec { 0xB1B77C00, 0xC3E4, 0x11CF,
    { 0xAF, 0x79, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42 } };
inline constexpr GUID CLSID_NullRenderer { 0xC1F400A4, 0x3F08, 0x11D3,
    { 0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37 } };
inline constexpr GUID CLSID_DSoundRender { 0x79376820, 0x07D0, 0x11CF,
    { 0xA2, 0x4D, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67 } };

// The category of the legacy filters, which "@device:sw:" monikers name.
inline constexpr GUID CLSID_LegacyAmFilterCategory { 0x083863F1, 0x70DE, 0x11D0,
    { 0xBD, 0x40, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86 } };
// The audio renderer category of "@device:cm:" monikers.
inline constexpr GUID CLSID_AudioRendererCategory { 0xE0F158E1, 0xCB04, 0x11D0,
    { 0xBD, 0x4E, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86 } };

// "@device:sw:{083863F1-...}\{CLSID}" for a platform filter.
QString SoftwareMoniker(const GUID& clsid);
inline const QString DefaultAudioMoniker
    = QStringLiteral("@device:cm:{E0F158E1-CB04-11D0-BD4E-00A0C911CE86}\\Default DirectSound Device");

// A new filter for the class identifier, nullptr when it has no stand-in or
// the GStreamer elements it needs are missing.
std::shared_ptr<TGraphFilter> Create(const GUID& clsid);
// The same from a moniker display name (either form above).
std::shared_ptr<TGraphFilter> CreateFromMoniker(const QString& displayName);

// Filters that other packages provide register how they are made here, so
// that their class identifiers and monikers work like the platform's own.
using FilterMaker = std::function<std::shared_ptr<TGraphFilter>()>;
void Register(const GUID& clsid, FilterMaker make);

// A splitter made of a GStreamer demuxer (a floating reference is taken):
// its outputs leave through queues, each stream on a thread of its own.
std::shared_ptr<TGraphFilter> CreateSplitter(GstElement* demuxer, const GUID& clsid = GUID_NULL);

// A file reader whose outputs are the streams: a file source, a type finder,
// and the splitter that `choose` names for the type found (its factory name,
// or nullptr to refuse the file, which then fails to load).
using SplitterChooser = std::function<const char*(const GstCaps* type)>;
std::shared_ptr<TGraphFilter> CreateTypedReader(const GUID& clsid, SplitterChooser choose);

// A decoder filter: its input takes whatever the GStreamer decoders whose
// names start with `decoderPrefix` take for that kind of media (video when
// `video`, else audio); the decoder, with a parser in front when one exists
// for the type, is chosen when the stream's type arrives, and its output is
// converted to `outputCaps`. The output pin exists from the start.
// `excludedCaps` (a caps string, or nullptr) are types it does not take even
// though one of its decoders would.
std::shared_ptr<TGraphFilter> CreateDecoder(const GUID& clsid, bool video, const char* decoderPrefix,
    const char* outputCaps, const char* excludedCaps = nullptr);

// What the decoder filters give: RGB32 video, 16-bit PCM audio.
inline constexpr const char* DecodedVideoCaps = "video/x-raw,format=BGRx";
inline constexpr const char* DecodedAudioCaps = "audio/x-raw,format=S16LE,layout=interleaved";

// A decoder filter made of one GStreamer decoder, the factory of that name,
// behind the parser its type has and before the converter to the decoded
// caps above; nullptr when no such decoder is installed. Its moniker is
// "@device:gst:decoder\<factory>", which CreateFromMoniker takes too.
std::shared_ptr<TGraphFilter> CreateDecoderFromFactory(const QString& factoryName);
QString DecoderMoniker(const QString& factoryName);
// The factory a decoder moniker names, empty for any other moniker.
QString DecoderFactoryOfMoniker(const QString& moniker);
// The GStreamer decoder working inside a decoder filter (a new reference),
// or nullptr before the stream's type chose it or for any other filter.
GstElement* DecoderInside(GstElement* element);

// The pad where a video decoder filter's frames leave the decoder, before
// they are converted (a new reference), or nullptr for any other filter.
GstPad* DecodedVideoPad(GstElement* element);
// The pad where a video decoder filter takes its coded frames (a new
// reference), or nullptr for any other filter.
GstPad* CodedVideoPad(GstElement* element);

// The desktop's audio output behind a volume control; when this machine has
// no audio device, a silent sink that still plays in real time.
std::shared_ptr<TGraphFilter> CreateAudioRenderer();
// True when the last CreateAudioRenderer found no audio device.
bool AudioRendererIsSilent();
} // namespace PlatformFilters
