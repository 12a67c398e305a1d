#include "media/TMediaSystem.h"

#include "filters/CodecNames.h"
#include "graph/MediaTypeGuids.h"
#include "media/InstalledFilters.h"
#include "media/SceneSteps.h"
#include "media/TAudioSource.h"
#include "media/TCaptureDevice.h"
#include "media/TDVCaptureDevice.h"
#include "media/TFilterElement.h"
#include "media/TFilterSinkElement.h"
#include "media/TGrabBuilder.h"
#include "media/TVideoRenderer.h"
#include "media/TVideoSource.h"
#include "platform/WindowMessages.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutexLocker>
#include <cmath>
#include <set>

std::atomic<int64_t> LastPosition { 0 };

namespace
{
const char* const RgbCaps = "video/x-raw,format=BGRx";
const char* const PcmCaps = "audio/x-raw,format=S16LE,layout=interleaved";

std::shared_ptr<TGraphFilter> wrap(GstElement* element, const GUID& clsid)
{
    return element ? std::make_shared<TGraphFilter>(element, clsid) : nullptr;
}

TDVCaptureDevice* dvDevice(TavSource* source)
{
    return source ? dynamic_cast<TDVCaptureDevice*>(source->Device) : nullptr;
}

bool reaches(TGraphFilter* from, TGraphFilter* to, std::set<TGraphFilter*>& seen)
{
    if (from == to) return true;
    if (!from || !seen.insert(from).second) return false;
    for (TGraphPin* pin : from->Pins())
        if (pin->Direction() == PINDIR_OUTPUT && pin->IsConnected()
            && reaches(pin->ConnectedTo()->Filter(), to, seen))
            return true;
    return false;
}

bool reaches(TGraphFilter* from, TGraphFilter* to)
{
    std::set<TGraphFilter*> seen;
    return reaches(from, to, seen);
}
} // namespace

TMediaSystem::TMediaSystem(QObject* parent)
    : QObject(parent)
    , CurrentVideo(NoVideoSource())
    , CurrentAudio(NoAudioSource())
{
    m_graph = std::make_unique<TFilterGraph>();
    // The inlay's timestamp is the position of the frame on screen.
    Superposer.SetPositionSource(&LastPosition);
    Superposer.FrameObserver = [this](const QImage& picture, int64_t position, int64_t frameStart) {
        TDvFrameStamp stamp;
        bool dv = false;
        if (frameStart >= 0) {
            TSharedRecordLocker lock(&SharedRecordLock());
            dv = FindDvFrame(frameStart, std::max<int64_t>(::VData().AvgTimePerFrame / 2, 1), stamp);
        }
        m_frames.Insert(position, frameStart, picture, dv ? &stamp : nullptr);
    };
    m_superposerFilter
        = wrap(TFilterElement::Create(&Superposer, "superposer", "video/x-raw,format={BGRx,BGRA}"),
            Tsuperposer::ClassId_Superposer);
    m_nativeFilter = wrap(
        TFilterElement::Create(&VideoNativeNotifier, "video-native-notifier"), TNotifier::ClassIdentifier);
    m_decodedFilter
        = wrap(TFilterElement::Create(&VideoDecNotifier, "video-dec-notifier"), TNotifier::ClassIdentifier);
    m_audioDecFilter
        = wrap(TFilterElement::Create(&AudioDecNotifier, "audio-dec-notifier"), TNotifier::ClassIdentifier);
    m_forcerFilter = wrap(TFilterSinkElement::Create(&MediaForcer, "media-forcer"), GUID_NULL);
    // Until a decoder is chosen in the options, the installed ones.
    if (FfdshowVideoPresent)
        decoderV.SetMoniker(PlatformFilters::SoftwareMoniker(CLSID_FfdshowVideoDecoder), FfdshowVideoName);
    if (FfdshowAudioPresent)
        decoderA.SetMoniker(PlatformFilters::SoftwareMoniker(CLSID_FfdshowAudioDecoder), FfdshowAudioName);
    m_graph->SetCompleteHandler([this] {
        if (m_complete) m_complete();
    });
    m_graph->SetSeekHandler([this](int64_t base) {
        m_seekAnnounced = true;
        Superposer.ExpectFlush(base, m_restartRunAtSeek);
    });
}

TMediaSystem::~TMediaSystem()
{
    m_graph->Stop();
    clearGraph();
    m_superposerFilter.reset();
    m_nativeFilter.reset();
    m_decodedFilter.reset();
    m_audioDecFilter.reset();
    m_forcerFilter.reset();
    m_graph.reset();
}

void TMediaSystem::SetVideoWindow(TVideoRenderer* window)
{
    m_videoWindow = window;
    if (window) {
        Tsuperposer* compositor = &Superposer;
        window->SetPictureSize(
            [compositor] { return QSize(compositor->Width.load(), compositor->Height.load()); });
    }
}

TGraphFilter* TMediaSystem::rendererFilter() const
{
    return m_videoWindow ? m_videoWindow->Filter().get() : nullptr;
}

// ---- graph helpers ----

HRESULT TMediaSystem::add(const std::shared_ptr<TGraphFilter>& filter, const QString& name)
{
    if (!filter) return E_POINTER;
    if (filter->Graph() == m_graph.get()) return S_OK;
    if (filter->Graph()) filter->Graph()->RemoveFilter(filter.get());
    return m_graph->AddFilter(filter, name);
}

void TMediaSystem::remove(TGraphFilter* filter)
{
    if (filter && filter->Graph() == m_graph.get()) m_graph->RemoveFilter(filter);
}

bool TMediaSystem::inGraph(const TGraphFilter* filter) const
{
    return filter && m_graph->Contains(filter);
}

void TMediaSystem::clearGraph()
{
    m_graph->RemoveAllFilters();
}

void TMediaSystem::removeFiltersBetween(TGraphFilter* from, TGraphFilter* to)
{
    if (!from || !to || from == to) return;
    const std::vector<TGraphPin*> pins = from->Pins();
    for (TGraphPin* pin : pins) {
        if (pin->Direction() != PINDIR_OUTPUT || !pin->IsConnected()) continue;
        TGraphFilter* next = pin->ConnectedTo()->Filter();
        if (next == to) return;
        if (reaches(next, to)) {
            removeFiltersBetween(next, to);
            remove(next);
        }
    }
}

void TMediaSystem::removeFiltersBetween(TGraphPin* from, TGraphFilter* to)
{
    if (from && from->Filter() != to && reaches(from->Filter(), to)) removeFiltersBetween(from->Filter(), to);
}

void TMediaSystem::detachIfUnused(TCaptureDevice* device)
{
    if (!device) return;
    if (TGraphFilter* source = device->StreamSource) {
        for (TGraphPin* pin : source->Pins()) {
            if (pin->Direction() != PINDIR_OUTPUT || !pin->IsConnected()) continue;
            TMediaType mt;
            if (FAILED(pin->ConnectionMediaType(mt))) continue;
            if (mt.majortype == MEDIATYPE_Video || mt.majortype == MEDIATYPE_Audio
                || mt.majortype == MEDIATYPE_Interleaved || mt.majortype == MEDIATYPE_Stream)
                return;
        }
    }
    device->DetachFromGraph();
}

// ---- chains ----

bool TMediaSystem::BuildVideoChain(TVideoSource* source)
{
    if (source == CurrentVideo) return true;
    if (!source || !source->Device) return false;
    try {
        m_graph->Stop();
        if (!source->Device->AttachToGraph(m_graph.get())) return false;
    } catch (...) {
        return false;
    }
    CurrentVideo = source;
    {
        // The recording date and timecode belong to the stream they were
        // read from: a DV stream reads them again from its first frame, any
        // other stream has none.
        TSharedRecordLocker lock(&SharedRecordLock());
        ::VData().DatecodeValid = false;
        ::VData().TimecodeValid = false;
        ForgetDvFrames();
        m_graph->ForgetCreationTime();
    }

    auto build = [&]() -> bool {
        TCaptureDevice* device = source->Device;
        if (TDVCaptureDevice* dv = dvDevice(source)) {
            source->Notifier = &dv->Module().DVNotifier();
            source->Notifier->Reset();
            source->Notifier->DescribeNative = true;
            VideoNativeNotifier.Reset();
        } else {
            source->Notifier = &VideoNativeNotifier;
            VideoNativeNotifier.Reset();
            VideoNativeNotifier.DescribeNative = true;
        }
        if (!device->StreamSource) return false;
        source->Pin = device->FindStreamPin(MEDIATYPE_Video, source->Number - 1);
        if (!source->Pin) return false;

        // A decoder waiting in the graph is the first the search tries.
        if ((FfdshowVideoPresent || source->Pin->OffersType(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO))
            && ForceDecoder)
            decoderV.PutInto(*m_graph);
        else
            decoderV.TakeOut();

        MediaForcer.SetForcedType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, GUID_NULL);
        TFilterElement::SetAcceptedInputCaps(m_forcerFilter->Element(), RgbCaps);
        if (FAILED(add(m_forcerFilter, QStringLiteral("Media Forcer")))) return false;
        if (FAILED(add(m_nativeFilter, QStringLiteral("Video Native Notifier")))) return false;
        if (m_graph->RenderStream(nullptr, nullptr, source->Pin, m_nativeFilter.get(), m_forcerFilter.get())
            != S_OK)
            return false;

        TGraphPin* decoded = m_forcerFilter->Pin(0) ? m_forcerFilter->Pin(0)->ConnectedTo() : nullptr;
        if (!decoded) return false;
        m_graph->Disconnect(decoded);
        m_graph->Disconnect(m_forcerFilter->Pin(0));
        remove(m_forcerFilter.get());

        if (FAILED(add(m_decodedFilter, QStringLiteral("Video Dec Notifier")))) return false;
        VideoDecNotifier.Reset();
        VideoDecNotifier.DescribeDecoded = true;
        if (FAILED(add(m_superposerFilter, QStringLiteral("Superposer")))) return false;
        Superposer.PrepareConnection();
        if (m_graph->RenderStream(nullptr, nullptr, decoded, m_decodedFilter.get(), m_superposerFilter.get())
            != S_OK) {
            if (m_graph->Connect(decoded, m_decodedFilter->Pin(0)) != S_OK) return false;
            if (m_graph->Connect(m_decodedFilter->Pin(1), m_superposerFilter->Pin(0)) != S_OK) return false;
        }

        if (!m_videoWindow) return false;
        if (FAILED(add(m_videoWindow->Filter(), QStringLiteral("Video Renderer")))) return false;
        if (m_graph->ConnectDirect(m_superposerFilter->Pin(1), rendererFilter()->Pin(0)) != S_OK)
            return false;
        // Frames may have run into the notifier while the chain was half
        // built, in the decoder's own format; it describes, and takes, the
        // type of the finished chain.
        VideoDecNotifier.Reset();
        VideoDecNotifier.DescribeDecoded = true;
        return true;
    };

    bool ok = false;
    try {
        ok = build();
    } catch (...) {
        ok = false;
    }
    if (!ok) {
        clearGraph();
        // The stream has no chain: choosing it again must build one.
        source->Pin = nullptr;
        if (!dvDevice(source)) source->Notifier = nullptr;
        CurrentVideo = NoVideoSource();
    }
    return ok;
}

void TMediaSystem::abandonAudio(TAudioSource* source)
{
    try {
        remove(m_forcerFilter.get());
        remove(m_audioDecFilter.get());
        AudioDecNotifier.DescribeAudio = false;
        audiorender.TakeOut();
        decoderA.TakeOut();
        // A fresh decoder for the next stream, as if it came new into the graph.
        decoderA.SetMoniker(decoderA.Moniker());
        if (source->Pin && source->Pin->IsConnected()) {
            TGraphFilter* next = source->Pin->ConnectedTo()->Filter();
            // Everything hanging from the stream pin belongs to this chain.
            std::vector<TGraphFilter*> chain { next };
            for (size_t i = 0; i < chain.size(); ++i)
                for (TGraphPin* pin : chain[i]->Pins())
                    if (pin->Direction() == PINDIR_OUTPUT && pin->IsConnected())
                        chain.push_back(pin->ConnectedTo()->Filter());
            m_graph->Disconnect(source->Pin);
            for (TGraphFilter* f : chain)
                remove(f);
        }
        if (TDVCaptureDevice* dv = dvDevice(source)) {
            dv->Module().DVNotifier().DescribeAudio = false;
            source->Notifier = nullptr;
        }
        source->Pin = nullptr;
        detachIfUnused(source->Device);
    } catch (...) {
    }
    CurrentAudio = NoAudioSource();
}

bool TMediaSystem::BuildAudioChain(TAudioSource* source)
{
    if (source == CurrentAudio) return true;
    if (!source || !source->Device) return false;
    try {
        m_graph->Stop();
        if (!source->Device->AttachToGraph(m_graph.get())) return false;
    } catch (...) {
        return false;
    }
    CurrentAudio = source;

    auto build = [&]() -> bool {
        TCaptureDevice* device = source->Device;
        if (!device->StreamSource) return false;
        source->Pin = device->FindStreamPin(MEDIATYPE_Audio, source->Number - 1);
        if (!source->Pin) return false;
        if (TDVCaptureDevice* dv = dvDevice(source)) {
            source->Notifier = &dv->Module().DVNotifier();
            source->Notifier->DescribeAudio = true;
        }
        if (ForceDecoder)
            decoderA.PutInto(*m_graph);
        else
            decoderA.TakeOut();

        MediaForcer.SetForcedType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, GUID_NULL);
        TFilterElement::SetAcceptedInputCaps(m_forcerFilter->Element(), PcmCaps);
        if (FAILED(add(m_forcerFilter, QStringLiteral("Media Forcer")))) return false;
        if (m_graph->RenderStream(nullptr, nullptr, source->Pin, nullptr, m_forcerFilter.get()) != S_OK)
            return false;

        TMediaType mt;
        if (SUCCEEDED(source->Pin->ConnectionMediaType(mt))) {
            QMutexLocker lock(&SharedRecordLock());
            ::AData().CodecName = AudioCodecName(mt).toLatin1();
        }

        TGraphPin* decoded = m_forcerFilter->Pin(0) ? m_forcerFilter->Pin(0)->ConnectedTo() : nullptr;
        if (!decoded) return false;
        m_graph->Disconnect(decoded);
        m_graph->Disconnect(m_forcerFilter->Pin(0));
        remove(m_forcerFilter.get());

        if (FAILED(add(m_audioDecFilter, QStringLiteral("Audio Dec Notifier")))) return false;
        AudioDecNotifier.Reset();
        AudioDecNotifier.DescribeAudio = true;
        if (FAILED(audiorender.PutInto(*m_graph))) return false;
        if (m_graph->RenderStream(nullptr, nullptr, decoded, m_audioDecFilter.get(), audiorender.BaseFilter())
            != S_OK)
            return false;
        AudioDecNotifier.Reset();
        AudioDecNotifier.DescribeAudio = true;
        return true;
    };

    bool ok = false;
    try {
        ok = build();
    } catch (...) {
        ok = false;
    }
    // A stream that cannot be heard leaves the picture alone: the video
    // plays on, silent, rather than the whole file being refused.
    if (!ok) abandonAudio(source);
    return ok;
}

bool TMediaSystem::ReleaseVideo()
{
    forgetKeptFrames();
    m_lastSeekMs = -1; // the next file's seeks say how slow they are
    m_graph->Stop();
    if (CurrentVideo == NoVideoSource()) return false;
    try {
        if (TGraphFilter* renderer = rendererFilter(); inGraph(renderer)) {
            m_videoWindow->Hide();
            remove(renderer);
        }
        removeFiltersBetween(m_decodedFilter.get(), m_superposerFilter.get());
        remove(m_superposerFilter.get());
        removeFiltersBetween(m_nativeFilter.get(), m_decodedFilter.get());
        removeFiltersBetween(CurrentVideo->Pin, m_nativeFilter.get());
        decoderV.TakeOut();
        // A fresh decoder for the next stream, as if it came new into the graph.
        decoderV.SetMoniker(decoderV.Moniker());
        VideoDecNotifier.DescribeDecoded = false;
        remove(m_decodedFilter.get());
        CurrentVideo->Pin = nullptr;
        remove(m_nativeFilter.get());
        VideoNativeNotifier.DescribeNative = false;
        if (TDVCaptureDevice* dv = dvDevice(CurrentVideo)) {
            dv->Module().DVNotifier().DescribeNative = false;
            CurrentVideo->Notifier = nullptr;
        }
        detachIfUnused(CurrentVideo->Device);
        CurrentVideo = NoVideoSource();
        return true;
    } catch (...) {
        clearGraph();
        CurrentVideo = NoVideoSource();
        return false;
    }
}

bool TMediaSystem::ReleaseAudio()
{
    m_graph->Stop();
    if (CurrentAudio == NoAudioSource()) return false;
    try {
        // Converters the renderer needed would be left behind unconnected.
        if (inGraph(audiorender.BaseFilter()))
            removeFiltersBetween(m_audioDecFilter.get(), audiorender.BaseFilter());
        audiorender.TakeOut();
        removeFiltersBetween(CurrentAudio->Pin, m_audioDecFilter.get());
        AudioDecNotifier.DescribeAudio = false;
        remove(m_audioDecFilter.get());
        decoderA.TakeOut();
        // A fresh decoder for the next stream, as if it came new into the graph.
        decoderA.SetMoniker(decoderA.Moniker());
        if (TDVCaptureDevice* dv = dvDevice(CurrentAudio)) {
            dv->Module().DVNotifier().DescribeAudio = false;
            CurrentAudio->Notifier = nullptr;
        }
        // The audio renderer's converters hung behind the notifier.
        if (CurrentAudio->Pin && CurrentAudio->Pin->IsConnected()) m_graph->Disconnect(CurrentAudio->Pin);
        CurrentAudio->Pin = nullptr;
        detachIfUnused(CurrentAudio->Device);
        CurrentAudio = NoAudioSource();
        return true;
    } catch (...) {
        clearGraph();
        CurrentAudio = NoAudioSource();
        return false;
    }
}

bool TMediaSystem::ReleaseAll()
{
    try {
        m_graph->Stop();
        ReleaseVideo();
        ReleaseAudio();
        return true;
    } catch (...) {
        return false;
    }
}

void TMediaSystem::ResetGraph()
{
    m_graph->Reset();
}

bool TMediaSystem::HasVideo() const
{
    return CurrentVideo != NoVideoSource();
}

bool TMediaSystem::HasAudio() const
{
    return CurrentAudio != NoAudioSource();
}

bool TMediaSystem::HasStreamNotifier() const
{
    return CurrentVideo && CurrentVideo->Notifier;
}

bool TMediaSystem::SelectSources(TVideoSource* video, TAudioSource* audio)
{
    try {
        const int s0 = GraphState();
        if (video) {
            if (video == NoVideoSource()) {
                ReleaseVideo();
            } else if (!BuildVideoChain(video)) {
                ResetGraph();
                return false;
            }
        }
        if (audio && audio != NoAudioSource()) {
            if (SpeedMode == 1)
                ReleaseAudio();
            else
                BuildAudioChain(audio);
        }
        int64_t duration = 0;
        Duration = SUCCEEDED(m_graph->GetDuration(duration)) ? duration : 0;
        SetVolume(0);
        SetSpeedMode(SpeedMode);
        // Straight to pause when it did not play: running first would let a
        // few frames pass before the pause takes.
        if (s0 == 3)
            Play();
        else
            Pause();
        return true;
    } catch (...) {
        return false;
    }
}

// ---- playback ----

void TMediaSystem::Play()
{
    // Play goes on from the picture on screen, and keeps nothing.
    if (m_showingKept) seekTo(LastPosition, TKeepBefore::None);
    forgetKeptFrames();
    Superposer.PositionBase = m_graph->SegmentBase();
    Superposer.CurrentPosition = CurrentPosition();
    m_graph->Run();
}

void TMediaSystem::Pause()
{
    const bool wasPlaying = GraphState() == 3;
    m_graph->Pause();
    if (!wasPlaying || !HasVideo()) return;
    // The picture a pause leaves on screen is the frame the renderer holds
    // once it has settled, which is the last one through the compositor:
    // the position, the field and the image name all take that frame's.
    if (waitForSettle()) LastPosition = Superposer.CurrentPosition.load();
}

void TMediaSystem::Stop()
{
    stopGraph();
}

void TMediaSystem::stopGraph()
{
    // The data restarts from the kept position in a new segment, and a new
    // run begins: precision captures count from the start again. The graph
    // restarts the data with a seek whose first frame passes the compositor
    // while the pause takes (before Run, which then goes on from the next
    // one), so the compositor restarts at that seek's flush, in order with
    // the data, and not when this call returns.
    m_seekAnnounced = false;
    m_restartRunAtSeek = true;
    m_graph->Stop();
    m_restartRunAtSeek = false;
    if (m_seekAnnounced) {
        Superposer.ApplyExpectedFlush();
    } else {
        Superposer.PositionBase = m_graph->SegmentBase();
        Superposer.RestartRun();
    }
}

int TMediaSystem::GraphState() const
{
    int state = 0;
    if (FAILED(m_graph->GetState(0, state))) return 0;
    return state + 1;
}

void TMediaSystem::RefreshStill()
{
    if (GraphState() == 3) return;
    // Kept pictures may be flipped or mirrored the old way; the graph was
    // told the position of a kept one on screen.
    forgetKeptFrames();
    stopGraph();
    m_graph->Pause();
    // The still is shown again through the filters as they are now (an
    // inlay just turned on, a flip): a grab right after must find that
    // picture, not the one before.
    waitForSettle();
}

void TMediaSystem::SetSpeedMode(uint8_t mode)
{
    SpeedMode = mode;
    const int s0 = GraphState();
    stopGraph();
    m_graph->SetUseClock(mode != 1);
    if (s0 == 3)
        m_graph->Run();
    else if (s0 == 2)
        m_graph->Pause();
}

void TMediaSystem::SetVolume(int v)
{
    if (!HasAudio()) return;
    v = std::clamp(v, 0, 10'000);
    const long volume = std::lround(std::log(double(v) + 1.0) * 1085.73) - 10'000;
    m_graph->SetVolume(volume);
}

void TMediaSystem::SetCompleteHandler(std::function<void()> handler)
{
    m_complete = std::move(handler);
}

void TMediaSystem::ReconnectOverlayPin(int n)
{
    Superposer.GeometryPending = true;
    if (TGraphPin* pin = m_superposerFilter->Pin(n)) m_graph->Reconnect(pin);
}

// ---- position ----

int64_t TMediaSystem::CurrentPosition()
{
    if (GraphState() == 3) {
        if (HasVideo()) {
            LastPosition = Superposer.CurrentPosition.load();
        } else {
            int64_t pos = 0;
            if (SUCCEEDED(m_graph->GetCurrentPosition(pos))) LastPosition = pos;
        }
    }
    return LastPosition;
}

void TMediaSystem::SetPosition(int64_t pos)
{
    // An unknown duration (0) puts no upper bound.
    if (pos < 0) pos = 0;
    if (Duration > 0 && pos > Duration) pos = Duration;
    LastPosition = pos;
    if (HasVideo()) {
        Superposer.PositionBase = pos;
        Superposer.CurrentPosition = pos;
    }
    const bool settled = SeekTo(pos);
    // The end of a file holds no frame, and a container's duration may
    // reach past its last picture: a paused seek that brought no frame
    // shows the last one, so that the picture, the field and the image
    // name agree.
    if (settled && pos > 0 && HasVideo() && m_videoWindow && GraphState() != 3
        && m_videoWindow->ReceivedCount() == m_receivedAtSeek && !showLastKeptBefore(pos))
        showLastFrameBefore(pos);
    if (!m_cacheEnabled) {
        Superposer.ObserveFrames = false;
        m_frames.Clear();
    }
}

bool TMediaSystem::seekShowsFrame(int64_t pos, int64_t& framePosition)
{
    Superposer.PositionBase = pos;
    Superposer.CurrentPosition = pos;
    LastPosition = pos;
    if (!SeekTo(pos) || m_videoWindow->ReceivedCount() == m_receivedAtSeek) return false;
    // The frame the renderer holds is the last one through the compositor.
    framePosition = Superposer.CurrentPosition.load();
    return true;
}

void TMediaSystem::showLastFrameBefore(int64_t bad)
{
    const int64_t frame = FrameDuration > 0 ? FrameDuration : 400'000;
    int64_t good = -1;
    int64_t shown = -1;
    // Backwards in growing strides until a position brings a frame, then
    // halving the gap down to a frame. A seek that brings nothing leaves the
    // picture as it was, so the last one that brought a frame is on screen.
    for (int64_t stride = frame; good < 0 && bad > 0 && stride <= 4096 * frame; stride *= 2) {
        const int64_t p = std::max<int64_t>(0, bad - stride);
        if (seekShowsFrame(p, shown))
            good = p;
        else
            bad = p;
    }
    if (good < 0) return;
    int64_t position = shown;
    // Every seek here decodes from the key frame before it, up to seconds of
    // pictures on a long GOP: none is made whose answer is already known. A
    // frame that lasts up to `bad` leaves no later one to look for, and the
    // picture on screen is that of the last seek that brought one.
    bool showsGood = true;
    while (bad - good > frame / 2 && position + frame < bad) {
        const int64_t mid = good + (bad - good) / 2;
        int64_t at = -1;
        if (seekShowsFrame(mid, at)) {
            good = mid;
            position = at;
            showsGood = true;
        } else {
            bad = mid;
            showsGood = false;
        }
    }
    if (!showsGood && seekShowsFrame(good, shown)) position = shown;
    position = std::max<int64_t>(0, position);
    LastPosition = position;
    Superposer.PositionBase = position;
    Superposer.CurrentPosition = position;
}

void TMediaSystem::SetFrameCacheEnabled(bool on)
{
    m_cacheEnabled = on;
    if (!on) forgetKeptFrames();
}

void TMediaSystem::forgetKeptFrames()
{
    Superposer.ObserveFrames = false;
    m_frames.Clear();
    m_showingKept = false;
    m_headPosition = -1;
}

bool TMediaSystem::showKept(int64_t target)
{
    if (!m_cacheEnabled || !HasVideo() || !m_videoWindow || target < 0 || GraphState() == 3) return false;
    TFrameCache::TEntry kept;
    if (!m_frames.Find(target, FrameDuration, kept)) return false;
    return showEntry(kept, target);
}

bool TMediaSystem::showLastKeptBefore(int64_t pos)
{
    TFrameCache::TEntry kept;
    if (!m_frames.LastBefore(pos, kept)) return false;
    // Counted from where the seek was sent, which lay past the end the
    // splitter started from.
    kept.Position -= m_graph->SegmentStartedEarlyBy();
    if (kept.Position < 0 || !showEntry(kept, kept.Position)) return false;
    Superposer.PositionBase = kept.Position;
    return true;
}

bool TMediaSystem::showEntry(const TFrameCache::TEntry& kept, int64_t target)
{
    const int64_t before = LastPosition;
    // Before the picture: an inlay of the position draws this one.
    LastPosition = target;
    if (!Superposer.ShowStill(
            kept.Picture, kept.Position, kept.FrameStart, kept.HasDv ? &kept.Dv : nullptr)) {
        LastPosition = before;
        return false;
    }
    QImage shown;
    CopyOverlayBitmap(shown);
    m_videoWindow->ShowStill(shown, kept.Position);
    Superposer.CurrentPosition = target;
    m_showingKept = kept.Position != m_headPosition;
    m_graph->NotePosition(target);
    return true;
}

bool TMediaSystem::SeekTo(int64_t pos)
{
    return seekTo(pos, m_steppingBack ? TKeepBefore::AllThatFit : TKeepBefore::Few);
}

bool TMediaSystem::seekTo(int64_t pos, TKeepBefore keepBefore)
{
    try {
        if (!HasVideo() && !HasAudio()) return true;
        if (!HasVideo()) return SUCCEEDED(m_graph->SetPosition(pos));
        // What the cache holds belongs to the old position. While paused the
        // frames of the new one are kept as they come, and after a slow seek
        // (a long group of pictures) also those decoded before the target,
        // as many as the cache holds: the steps back then show them again.
        m_frames.Clear();
        m_showingKept = false;
        m_headPosition = -1;
        const bool paused = GraphState() != 3;
        const bool keep = m_cacheEnabled && paused;
        const bool nearEnd = paused && FrameDuration > 0 && Duration > 0 && pos >= Duration - FrameDuration;
        Superposer.ObserveFrames = keep || nearEnd;
        // Frames let through cost their conversion and copies: a plain seek
        // keeps a few, a step back that found nothing kept as many as fit.
        // Where seeks are fast, seeking again costs less than that.
        int64_t frames = 0;
        // Until a seek has said how fast they are, a step back is taken as
        // slow: seeking again for each step back would be.
        if (keep && FrameDuration > 0) {
            const int64_t fit = m_frames.FramesFor(Superposer.Width, Superposer.Height);
            if (keepBefore == TKeepBefore::AllThatFit && (m_lastSeekMs < 0 || m_lastSeekMs > SlowSeekMs))
                frames = fit;
            else if (keepBefore == TKeepBefore::Few && m_lastSeekMs > SlowSeekMs)
                frames = std::min<int64_t>(fit, SlowSeekKeptFrames);
        }
        if (nearEnd)
            frames = std::max(frames,
                std::min<int64_t>(m_frames.FramesFor(Superposer.Width, Superposer.Height), EndKeptFrames));
        const int64_t before = frames * FrameDuration;
        m_graph->SetKeepBeforeSeek(before * 100);
        QElapsedTimer clock;
        clock.start();
        Superposer.CurrentPosition = CurrentPosition();
        // Counted before the seek: its first frame may reach the renderer
        // before the call returns. While paused nothing older is on its way
        // (the renderer already holds the one frame it waits with).
        if (m_videoWindow) m_receivedAtSeek = m_videoWindow->ReceivedCount();
        const HRESULT sought = m_graph->SetPosition(pos);
        // Sample time 0 stands for where the splitters were sent, which for
        // some lies before pos.
        Superposer.PositionBase = m_graph->SegmentBase();

        const int s0 = GraphState();
        if (!waitForSettle()) return false;
        if (m_graph->LandedLate()) {
            // The splitter started after the target (it placed the seek by
            // an estimate): once more from further back, and what was kept
            // from the wrong place is forgotten.
            m_frames.Clear();
            m_graph->SeekEarlierNext();
            m_graph->SetKeepBeforeSeek(before * 100);
            if (m_videoWindow) m_receivedAtSeek = m_videoWindow->ReceivedCount();
            if (FAILED(m_graph->SetPosition(pos))) return false;
            Superposer.PositionBase = m_graph->SegmentBase();
            if (!waitForSettle()) return false;
        }
        // Only a seek that kept nothing tells how slow the file's seeks are.
        if (before == 0 && sought == S_OK) m_lastSeekMs = clock.elapsed();
        m_headPosition = Superposer.CurrentPosition.load();
        if (s0 == 3) m_graph->Run();
        return true;
    } catch (...) {
        return false;
    }
}

uint64_t TMediaSystem::DecodedFrames() const
{
    return m_graph->DecodedFrames();
}

uint64_t TMediaSystem::samplesThroughOurFilters() const
{
    return m_graph->DecodedFrames() + Superposer.SamplesReceived() + VideoNativeNotifier.SamplesReceived()
        + VideoDecNotifier.SamplesReceived() + AudioDecNotifier.SamplesReceived();
}

bool TMediaSystem::waitForSettle()
{
    int state = 0;
    bool restarted = false;
    // The polls count time without progress: while samples still pass our
    // filters the graph is working its way to the position (a long group
    // of pictures to decode, a loaded machine), and only a graph that has
    // stopped moving gives up after them. A graph that moves and never
    // settles is given up after MaxSettleMs all the same.
    uint64_t seen = samplesThroughOurFilters();
    const QDeadlineTimer cap(MaxSettleMs);
    HRESULT hr = m_graph->GetState(10, state);
    for (int i = 0; hr != S_OK && i < SeekPolls; ++i) {
        if (const uint64_t now = samplesThroughOurFilters(); now != seen && !cap.hasExpired()) {
            seen = now;
            i = 0;
        }
        // A refused type reported late by a link that changed under the
        // data (the graph was just rebuilt), or a failure on data from
        // before the restart that followed, is given one restart.
        if (hr == E_FAIL && !restarted) {
            restarted = true;
            if (!m_graph->RestartAfterTransientErrors()) break;
        }
        ProcessPendingMessages();
        hr = m_graph->GetState(10, state);
    }
    // Where each element stands tells where the data stopped or what
    // refused it.
    if (hr != S_OK)
        qWarning("The graph did not settle at its position (%s):\n%s",
            hr == E_FAIL ? "failed" : "no progress", qPrintable(m_graph->StallReport()));
    return hr == S_OK;
}

bool TMediaSystem::stepToNextFrame(int64_t target)
{
    if (!HasVideo() || !m_videoWindow || GraphState() != 2) return false;
    const int64_t frame = FrameDuration;
    if (frame <= 0 || (Duration > 0 && target >= Duration)) return false;
    m_receivedAtSeek = m_videoWindow->ReceivedCount();
    Superposer.ObserveFrames = m_cacheEnabled;
    if (m_graph->StepVideoFrame(target) != S_OK) return false;
    if (!waitForSettle() || m_videoWindow->ReceivedCount() == m_receivedAtSeek) return false;
    // The next frame in decoding order is the one an exact seek to target
    // shows when frames follow each other at the file's rate; a gap or a
    // frame of another length is left to the seek.
    const int64_t start = Superposer.CurrentPosition.load();
    m_headPosition = start;
    if (start > target || start + frame <= target) return false;
    LastPosition = target;
    return true;
}

void TMediaSystem::StepForward(int64_t d)
{
    if (d == FrameDuration) {
        // Back on frames kept, then on from the renderer's frame.
        if (m_showingKept ? showKept(LastPosition + d) : stepToNextFrame(LastPosition + d)) {
            Superposer.CurrentPosition = LastPosition.load();
            return;
        }
    }
    SetPosition(LastPosition + d);
    Superposer.CurrentPosition = LastPosition.load();
}

void TMediaSystem::StepBackward(int64_t d)
{
    if (d == FrameDuration && showKept(LastPosition - d)) return;
    m_steppingBack = d == FrameDuration;
    SetPosition(LastPosition - d);
    m_steppingBack = false;
    Superposer.CurrentPosition = LastPosition.load();
}

bool TMediaSystem::PreviousScene()
{
    try {
        const int64_t frameDuration = FrameDuration > 0 ? FrameDuration : 400'000;
        const int64_t d = CurrentPosition() / frameDuration;
        SetPosition(m_scenes ? PreviousSceneFrame(*m_scenes, d) * frameDuration : 0);
        return true;
    } catch (...) {
        return false;
    }
}

bool TMediaSystem::NextScene()
{
    try {
        const int64_t frameDuration = FrameDuration > 0 ? FrameDuration : 400'000;
        const int64_t d = CurrentPosition() / frameDuration;
        int64_t frame = 0;
        if (m_scenes && NextSceneFrame(*m_scenes, d, frame))
            SetPosition(frame * frameDuration);
        else
            SetPosition(Duration);
        return true;
    } catch (...) {
        return false;
    }
}

void TMediaSystem::SeekToTimestamp(const QString& text)
{
    try {
        SetPosition(TimestampToPosition(ParseTimestamp(text)));
    } catch (...) {
    }
}

// ---- forwarded ----

void TMediaSystem::SetInlaySettings(const TincrustRec& rec)
{
    Superposer.SetInlay(rec);
}

void TMediaSystem::SetInlayEnabled(bool on)
{
    Superposer.SetInlayEnabled(on);
}

void TMediaSystem::SetVerticalFlip(bool on)
{
    Superposer.SetVerticalFlip(on);
}

void TMediaSystem::SetHorizontalMirror(bool on)
{
    Superposer.SetHorizontalMirror(on);
}

void TMediaSystem::SetPrecisionInterval(int64_t interval)
{
    Superposer.SetPrecisionInterval(interval);
}

bool TMediaSystem::ContainerCreationTime(int64_t& msecsSinceEpoch) const
{
    return m_graph->CreationTime(msecsSinceEpoch);
}

void TMediaSystem::CopyOverlayBitmap(QImage& bitmap)
{
    Superposer.Bitmap.ShareTo(bitmap);
}
