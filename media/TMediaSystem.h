#pragma once
// The one graph in which the current video plays. It takes a video and an
// audio stream of an opening result, attaches their recipe to its graph,
// builds behind each stream pin a chain of decoders and of our own filters
// (the video ends in RGB32 in the compositor and the video window, the audio
// in the desktop's audio output), and runs, pauses, stops, seeks and steps
// it. Positions are 100-ns units; everything runs on the main thread.

#include "filters/TMediaForcer.h"
#include "filters/TNotifier.h"
#include "filters/TaData.h"
#include "filters/Timestamps.h"
#include "filters/Tsuperposer.h"
#include "filters/TvData.h"
#include "graph/PlatformFilters.h"
#include "graph/TFilterGraph.h"
#include "media/TFrameCache.h"
#include "media/TTemplateFilter.h"

#include <QImage>
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>

class TAudioSource;
class TCaptureDevice;
class TSceneList;
class TVideoRenderer;
class TVideoSource;
struct TincrustRec;

// The last position set or read, one for the program.
extern std::atomic<int64_t> LastPosition;

class TMediaSystem : public QObject
{
    Q_OBJECT
public:
    static constexpr int64_t OneSecond = 10'000'000;
    static constexpr int64_t OneMinute = 600'000'000;

    explicit TMediaSystem(QObject* parent = nullptr);
    ~TMediaSystem() override;

    // Filters the graph is built with. Declared before the graph: their
    // elements leave the graph before the objects behind them go.
    Tsuperposer Superposer;
    TNotifier VideoNativeNotifier;
    TNotifier VideoDecNotifier;
    TNotifier AudioDecNotifier;
    TMediaForcer MediaForcer;

    TTemplateFilter audiorender { QStringLiteral("audiorender"), QStringLiteral("Default DirectSound Device"),
        PlatformFilters::DefaultAudioMoniker };
    // The chosen MPEG decoders (empty until one is loaded).
    TTemplateFilter decoderV { QStringLiteral("decoderV"), QString(), QString() };
    TTemplateFilter decoderA { QStringLiteral("decoderA"), QString(), QString() };

    TFilterGraph& graph() { return *m_graph; }

    TVideoSource* CurrentVideo;
    TAudioSource* CurrentAudio;
    int64_t FrameDuration = 400'000;
    int64_t Duration = 0;
    TaData AData; // the last descriptions, copied in by the main window
    TvData VData;
    bool ForceDecoder = true;
    uint8_t SpeedMode = 0;

    void SetVideoWindow(TVideoRenderer* window);
    TVideoRenderer* VideoWindow() const { return m_videoWindow; }
    // The scene list the scene steps use (the main window's).
    void SetSceneList(const TSceneList* scenes) { m_scenes = scenes; }

    // ---- selection and chains ----
    bool SelectSources(TVideoSource* video, TAudioSource* audio);
    bool BuildVideoChain(TVideoSource* source);
    bool BuildAudioChain(TAudioSource* source);
    bool ReleaseVideo();
    bool ReleaseAudio();
    bool ReleaseAll();
    void ResetGraph();
    // The creation time the current video's container states, in
    // milliseconds since 1970 UTC; false when it states none.
    bool ContainerCreationTime(int64_t& msecsSinceEpoch) const;
    bool HasVideo() const;
    bool HasAudio() const;
    bool IsCurrentVideo(const TVideoSource* s) const { return s == CurrentVideo; }
    bool IsCurrentAudio(const TAudioSource* s) const { return s == CurrentAudio; }
    bool HasStreamNotifier() const;

    // ---- playback ----
    void Play();
    void Pause();
    void Stop();
    // 0 unknown, 1 stopped, 2 paused, 3 playing.
    int GraphState() const;
    void RefreshStill();
    void SetSpeedMode(uint8_t mode);
    // 0 (silence) to 10,000 (full volume), on a logarithmic scale.
    void SetVolume(int v);
    void SetCompleteHandler(std::function<void()> handler);
    void ReconnectOverlayPin(int n);

    // ---- position ----
    int64_t CurrentPosition();
    void SetPosition(int64_t pos);
    bool SeekTo(int64_t pos);

    void StepForward(int64_t d);
    void StepBackward(int64_t d);
    void NextFrame() { StepForward(FrameDuration); }
    void NextSecond() { StepForward(OneSecond); }
    void NextMinute() { StepForward(OneMinute); }
    void PreviousFrame() { StepBackward(FrameDuration); }
    void PreviousSecond() { StepBackward(OneSecond); }
    void PreviousMinute() { StepBackward(OneMinute); }
    bool PreviousScene();
    bool NextScene();
    QString FormatTimestamp(int64_t pos) const { return ::FormatTimestamp(pos, FrameDuration); }
    TTimestampFields SplitTimestamp(int64_t pos) const { return ::SplitTimestamp(pos, FrameDuration); }
    int64_t TimestampToPosition(const TTimestampFields& f) const
    {
        return ::TimestampToPosition(f, FrameDuration);
    }
    void SeekToTimestamp(const QString& text);

    // Frames kept while paused, so that a step back over frames already
    // decoded shows them again without decoding (see TFrameCache). On by
    // default; runs that go from one position to another and never step
    // back turn it off.
    void SetFrameCacheEnabled(bool on);
    const TFrameCache& FrameCache() const { return m_frames; }
    // Frames through the video decoders since the graph was made, counted
    // going in and again coming out: what seeks and steps cost.
    uint64_t DecodedFrames() const;
    // After a seek that kept nothing and took longer than this (a long
    // group of pictures), the next seeks keep the last few frames decoded
    // before their target, and a step back that finds no kept frame keeps
    // as many as the cache holds (as it does before any such seek): the
    // steps after it go the same way.
    qint64 SlowSeekMs = 100;
    static constexpr int64_t SlowSeekKeptFrames = 8;
    // A seek within the last frame's time of the end lets this many frames
    // before its target through, cache or no cache: the end of a file often
    // holds no frame, and the last one is then among them rather than
    // decoded again by a search back (a whole group of pictures each time).
    static constexpr int64_t EndKeptFrames = 4;

    // ---- forwarded to the compositor ----
    void SetInlaySettings(const TincrustRec& rec);
    void SetInlayEnabled(bool on);
    void SetVerticalFlip(bool on);
    void SetHorizontalMirror(bool on);
    void SetPrecisionInterval(int64_t interval);
    // The compositor's picture, taken under its lock: shared, not copied, and
    // never changed afterwards by the frames that follow.
    void CopyOverlayBitmap(QImage& bitmap);

    // How many 10-ms polls SeekTo waits for the new frame without any
    // sample passing our filters, and how long at most in any case.
    static constexpr int SeekPolls = 199;
    static constexpr int MaxSettleMs = 30'000;

private:
    // Our filters as filters of the graph.
    std::shared_ptr<TGraphFilter> m_superposerFilter;
    std::shared_ptr<TGraphFilter> m_nativeFilter;
    std::shared_ptr<TGraphFilter> m_decodedFilter;
    std::shared_ptr<TGraphFilter> m_audioDecFilter;
    std::shared_ptr<TGraphFilter> m_forcerFilter;
    std::unique_ptr<TFilterGraph> m_graph;
    TVideoRenderer* m_videoWindow = nullptr;
    const TSceneList* m_scenes = nullptr;
    std::function<void()> m_complete;

    HRESULT add(const std::shared_ptr<TGraphFilter>& filter, const QString& name);
    void remove(TGraphFilter* filter);
    void clearGraph();
    bool inGraph(const TGraphFilter* filter) const;
    // Takes out every filter on the way from `from` (a filter, or the filter
    // of a pin) down to `to`.
    void removeFiltersBetween(TGraphFilter* from, TGraphFilter* to);
    void removeFiltersBetween(TGraphPin* from, TGraphFilter* to);
    // Detaches the recipe once no stream of it is connected any more.
    void detachIfUnused(TCaptureDevice* device);
    // Undoes a half-built audio chain and leaves the video as it is.
    void abandonAudio(TAudioSource* source);
    void placeCompositor();
    // Waits, processing the window's messages, until the graph holds the
    // data of its position; false when it never does.
    bool waitForSettle();
    uint64_t samplesThroughOurFilters() const;
    void stopGraph();
    // After a seek that brought no frame: shows the last frame before
    // `bad` and takes its position.
    void showLastFrameBefore(int64_t bad);
    // Seeks to pos; true with the frame's own position when a frame came.
    bool seekShowsFrame(int64_t pos, int64_t& framePosition);
    // Shows the frame at target, one frame after the one on screen, by
    // letting the decoder go on rather than seeking; false when that frame
    // cannot be had that way (playing, no video, the end, a frame that does
    // not cover target), and the caller seeks.
    bool stepToNextFrame(int64_t target);
    enum class TKeepBefore { None, Few, AllThatFit };
    bool seekTo(int64_t pos, TKeepBefore keepBefore);
    // Shows the kept frame whose time holds target; false when none does.
    bool showKept(int64_t target);
    // Shows a kept frame as the one at target.
    bool showEntry(const TFrameCache::TEntry& kept, int64_t target);
    // After a seek near the end that brought no frame: shows the last one
    // it let through before its target, if any.
    bool showLastKeptBefore(int64_t pos);
    void forgetKeptFrames();
    TFrameCache m_frames;
    bool m_cacheEnabled = true;
    bool m_showingKept = false; // the picture is a kept frame, not the renderer's
    int64_t m_headPosition = -1; // position of the frame the renderer holds
    qint64 m_lastSeekMs = -1; // -1: no seek that kept nothing yet
    bool m_steppingBack = false; // the seek under way is a step back's
    uint64_t m_receivedAtSeek = 0;
    // Set around the graph's stop: the seek it restarts the data with also
    // restarts the compositor's run.
    bool m_restartRunAtSeek = false;
    bool m_seekAnnounced = false;
    TGraphFilter* rendererFilter() const;
};
