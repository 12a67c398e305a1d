#pragma once
// The filter graph in capture mode: a GStreamer pipeline offered through the
// graph operations the media engine is written against (add and remove
// filters by name, connect pins directly or through whatever decoders and
// converters are needed, find pins, run, pause, stop, seek, clock, volume,
// end of stream).
//
// Pins are needed synchronously, the moment a splitter's input is connected,
// while GStreamer demuxers make their pads only as they read data. So the
// pipeline is never below PAUSED ("stopped" is paused and flushed) and
// connecting a splitter reads its file until its pads are known; see
// docs/ARCHITECTURE.md, "The filter-graph layer".

#include "graph/TGraphFilter.h"
#include "graph/TGraphPin.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <gst/gst.h>
#include <memory>
#include <vector>

inline constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
inline constexpr HRESULT HRESULT_FILE_NOT_FOUND = HRESULT(0x80070002u);
inline constexpr HRESULT VFW_S_DUPLICATE_NAME = HRESULT(0x0004022Du);
inline constexpr HRESULT VFW_S_STATE_INTERMEDIATE = HRESULT(0x00040237u);
inline constexpr HRESULT VFW_S_PARTIAL_RENDER = HRESULT(0x00040242u);
inline constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = HRESULT(0x80040207u);
inline constexpr HRESULT VFW_E_INVALID_DIRECTION = HRESULT(0x80040208u);
inline constexpr HRESULT VFW_E_CANNOT_CONNECT = HRESULT(0x80040217u);
inline constexpr HRESULT VFW_E_CANNOT_RENDER = HRESULT(0x80040218u);
inline constexpr HRESULT VFW_E_NOT_IN_GRAPH = HRESULT(0x8004025Fu);
inline constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = HRESULT(0x80040265u);
inline constexpr HRESULT VFW_E_TIMEOUT = HRESULT(0x8004022Eu);

class TFilterGraph : public QObject
{
    Q_OBJECT
public:
    TFilterGraph();
    ~TFilterGraph() override; // removes every filter

    GstPipeline* Pipeline() const { return m_pipeline; }

    // ---- filters ----
    // A name already used gets a number appended (VFW_S_DUPLICATE_NAME). A
    // filter belongs to one graph at a time: E_INVALIDARG while it is in
    // another one.
    HRESULT AddFilter(const std::shared_ptr<TGraphFilter>& filter, const QString& name);
    // Disconnects its pins first. S_FALSE when it is not in this graph.
    HRESULT RemoveFilter(TGraphFilter* filter);
    void RemoveAllFilters();
    std::vector<TGraphFilter*> Filters() const; // in the order they were added
    TGraphFilter* FindFilterByName(const QString& name) const;
    bool Contains(const TGraphFilter* filter) const;
    // The graph's own reference to one of its filters (empty when it is not
    // in this graph), for holders that must keep it alive.
    std::shared_ptr<TGraphFilter> SharedFilter(TGraphFilter* filter) const { return sharedOf(filter); }

    // ---- connections ----
    // Links exactly these two pins, with mt as the only acceptable type when
    // given. Connecting a splitter's input reads its stream until the
    // splitter's output pins are known (at most the pad time-out).
    HRESULT ConnectDirect(TGraphPin* out, TGraphPin* in, const TMediaType* mt = nullptr);
    // Directly, or through filters: first the unconnected filters already in
    // the graph, then decoders, parsers and converters of the registry by
    // rank, at most a few deep. Filters added on the way stay in the graph.
    HRESULT Connect(TGraphPin* out, TGraphPin* in);
    // Breaks the link of pin (both ends). S_FALSE when it is not connected.
    HRESULT Disconnect(TGraphPin* pin);
    // Asks the link to negotiate its type again.
    HRESULT Reconnect(TGraphPin* pin);

    // The capture graph builder's pin search: the index-th pin of filter in
    // direction with the category (GUID_NULL: any) and the major type
    // (GUID_NULL: any), counting only unconnected pins when asked.
    // VFW_E_NOT_FOUND (and nullptr) when there is none.
    HRESULT FindPin(TGraphFilter* filter, PIN_DIRECTION direction, const GUID* category,
        const GUID* majortype, bool unconnected, int index, TGraphPin** pin) const;
    // Source pin through intermediate (optional) to sink, using Connect. The
    // source may be given as a pin or as a filter (then its first
    // unconnected output pin of the type). On failure the filters this call
    // added are taken out again.
    HRESULT RenderStream(const GUID* category, const GUID* type, TGraphPin* source,
        TGraphFilter* intermediate, TGraphFilter* sink);
    HRESULT RenderStream(const GUID* category, const GUID* type, TGraphFilter* source,
        TGraphFilter* intermediate, TGraphFilter* sink);

    // Reads the file with a file source and the best splitter of the registry
    // for its type, and renders every stream it can into the renderers
    // already in the graph (through decoders and converters as Connect).
    // S_OK when every stream found a renderer, VFW_S_PARTIAL_RENDER when some
    // did, VFW_E_CANNOT_RENDER (with nothing added left behind) when none did
    // or the file has no type a splitter reads.
    HRESULT RenderFile(const QString& path);

    // ---- control ----
    HRESULT Run();
    HRESULT Pause();
    // Paused and flushed: the position is kept, nothing plays.
    HRESULT Stop();
    // S_OK once the graph settled in its state (after a seek: once the
    // renderers hold the new position), VFW_S_STATE_INTERMEDIATE while it
    // still prerolls after timeoutMs, E_FAIL as soon as a filter reported an
    // error.
    HRESULT GetState(int timeoutMs, int& state) const; // 0 stopped, 1 paused, 2 running
    int RequestedState() const { return m_state; }

    // ---- seeking, 100-ns units ----
    // Positions count from the start of the stream: a splitter whose stream
    // starts later than 0 (program and transport streams do) has its start
    // taken off every position and added to every seek.
    HRESULT GetDuration(int64_t& duration) const;
    HRESULT GetCurrentPosition(int64_t& position) const;
    // Flushing and exact: the frame shown is the one at pos. S_FALSE when
    // the graph has just prerolled at the start asked for and nothing was
    // sought.
    HRESULT SetPosition(int64_t pos);
    // The position (counted like the others) that sample time 0 of our
    // filters stands for since the last seek: the seek's position, or
    // earlier where a splitter had to be sent ahead of it.
    int64_t SegmentBase() const;
    // How much earlier than SegmentBase the video's sample time 0 lies after
    // the last seek (100-ns units): a splitter sent past the end of its
    // streams starts their segment at that end. 0 otherwise.
    int64_t SegmentStartedEarlyBy() const;
    // Paused: the video renderer lets its frame go and prerolls on the next
    // one, which the decoder already has or decodes next; nothing is sought.
    // S_OK once sent (GetState then tells when it arrived), E_FAIL when the
    // graph is not paused or has no video renderer. pos (100 ns) is where
    // the caller places the new frame. The other renderers stay where they
    // are until the next Run, which brings them level first.
    HRESULT StepVideoFrame(int64_t pos);
    // The position (100 ns) of the frame shown, when it is not the one the
    // renderers hold (a frame shown again from elsewhere): stopping and
    // restarting the data go back to it rather than to the renderers'.
    void NotePosition(int64_t pos);
    // How much stream time (ns) before the next seek's target passes the
    // filters rather than being dropped as it leaves the decoders. For that
    // seek only: the graph's own seeks (a restart after a stop) keep nothing.
    void SetKeepBeforeSeek(gint64 ns) { m_keepBeforeSeek = ns; }
    // Whether the last seek's first video frame began after its target: the
    // splitter placed its data by an estimate (a transport stream whose
    // clock it had not yet read far enough) and the frame at the target was
    // never decoded. SeekEarlierNext sends the next seek's splitters far
    // enough before the target that the frames up to it come through.
    bool LandedLate() const { return m_landedLate.load(); }
    void SeekEarlierNext() { m_seekEarlier = true; }
    // How many frames went into or out of the video decoders, dropped or
    // not: a graph working its way to a seek's target shows its progress
    // here.
    uint64_t DecodedFrames() const { return m_decodedFrames.load(); }
    // Where the pipeline and the last seek stand, element by element, for
    // the log of a wait that gave up.
    QString StallReport() const;
    // The creation time the video's container states (MP4, QuickTime and
    // Matroska carry one; the splitter sends it as a "datetime" tag ahead of
    // the coded video), in milliseconds since 1970 UTC; false when none came
    // since ForgetCreationTime. Tags holding a date without a time of day
    // do not count: a grab cannot be placed in that day.
    bool CreationTime(int64_t& msecsSinceEpoch) const;
    void ForgetCreationTime() { m_creationTime = NoCreationTime; }

    // Takes every filter out and starts afresh: no error remembered,
    // position 0, stopped, the clock as it was.
    void Reset();

    // ---- clock and audio ----
    // Off: no reference clock, every sample is rendered as soon as it comes.
    void SetUseClock(bool on);
    bool UsesClock() const { return m_useClock; }
    // Hundredths of a decibel, -10,000 (silence) to 0 (full volume), on
    // every audio renderer of the graph. E_NOTIMPL when the graph has none.
    HRESULT SetVolume(long volume);
    HRESULT GetVolume(long& volume) const;

    // Called on the main thread when every renderer reached the end.
    void SetCompleteHandler(std::function<void()> handler) { m_complete = std::move(handler); }

    // Called on the seeking thread just before a flushing seek goes out,
    // with the position (100 ns) that sample time 0 will stand for after it.
    // The data of the new segment follows the flush, so whoever times frames
    // can switch to the new base at the flush rather than after the seek
    // returns, when its first frames may already have passed.
    void SetSeekHandler(std::function<void(int64_t)> handler) { m_seekHandler = std::move(handler); }

    // How long connecting a splitter may read before its pins must be known.
    void SetPadTimeout(int ms) { m_padTimeoutMs = ms; }

    // True while connections changed since data last flowed; data waits at
    // every output until the next state change or seek restarts it.
    bool Building() const { return m_building.load(); }
    // When every filter that failed since the data last restarted failed
    // to negotiate a type, or failed while that restart was under way,
    // forgets the failures and restarts the data at the position once
    // more; false (and nothing done) otherwise.
    bool RestartAfterTransientErrors();

    // Wakes whoever waits for a filter's pins (called from streaming threads).
    static void wakeWaiters();

private:
    friend class TGraphFilter;

    static GstBusSyncReply onBusMessage(GstBus*, GstMessage* message, gpointer self);
    TGraphFilter* filterOf(GstObject* object) const;
    std::shared_ptr<TGraphFilter> sharedOf(TGraphFilter* filter) const;
    // Brings filters that just got a connection into the graph's state,
    // downstream ones first.
    void bringUp(TGraphFilter* upstream, TGraphFilter* downstream);
    void takeDownIfIdle(TGraphFilter* filter);
    void takeDown(TGraphFilter* filter);
    HRESULT waitForPins(TGraphFilter* filter);
    HRESULT connectThrough(TGraphPin* out, TGraphPin* in, int depth, std::vector<TGraphFilter*>& added,
        std::vector<QString>& path);
    HRESULT restartData();
    // first and every filter its connected outputs lead to, once each.
    static std::vector<TGraphFilter*> filtersFrom(TGraphFilter* first);
    // Waits up to ms for a graph's waiters to be woken.
    static void waitForChange(int ms);
    void unlinkPins(TGraphPin* a);
    gint64 startOffset() const; // ns
    bool anyFilterFailed() const;
    bool hasWatchedRenderer() const;
    // Flushing seek to the stream time target (ns) that shows exactly the
    // frame at target, even through splitters whose own seeking lands late.
    bool seekExact(gint64 target);
    // The Matroska splitter's lead-in for exact seeks (see SeekLeadIn.h), and
    // probes on its outputs that move the segments of the seek sent that much
    // later back by as much.
    gint64 compensateSeekLeadIn();
    void clearLeadInProbes();
    static GstPadProbeReturn onLeadInSegment(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    void watchRenderer(TGraphFilter* filter);
    static GstPadProbeReturn onRendererData(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    void watchDecoder(TGraphFilter* filter);
    GstElement* videoRenderer() const; // a new reference, or nullptr
    // The video renderer's input (and the renderer), new references; nullptr
    // when no renderer takes video.
    GstPad* videoRendererInput(GstElement** renderer) const;
    // The sequence number of the segment the video renderer's input holds;
    // GST_SEQNUM_INVALID for none.
    guint32 videoRendererSegment() const;
    void levelRenderersAfterSteps();
    static GstPadProbeReturn onDecodedData(GstPad* pad, GstPadProbeInfo* info, gpointer filter);
    void noteVideoRendered(GstPad* pad); // from a renderer's streaming thread
    static GstPadProbeReturn onCodedData(GstPad* pad, GstPadProbeInfo* info, gpointer filter);
    void noteTags(GstEvent* event); // from the coded video's streaming thread

    GstPipeline* m_pipeline;
    std::vector<std::shared_ptr<TGraphFilter>> m_filters;
    int m_state = 0;
    bool m_useClock = true;
    int m_padTimeoutMs = 5000;
    std::atomic<bool> m_building { false };
    std::atomic<bool> m_seekPending { false }; // until the pipeline says it prerolled again
    std::atomic<bool> m_restarting { false }; // the data restarts after the graph was built
    std::atomic<int> m_errors { 0 };
    std::atomic<gint64> m_dropUntil { -1 }; // renderers drop what ends before this stream time
    // Decoders' outputs drop what ends before this stream time, before any
    // conversion: at most m_dropUntil, less when frames before the target
    // are wanted through the filters (see KeepBeforeSeek).
    std::atomic<gint64> m_decodedDropUntil { -1 };
    std::atomic<gint64> m_keepBeforeSeek { 0 };
    // Segments of the seek with this number, sent m_leadInShift after its
    // target, are moved back to start at the target.
    std::atomic<guint32> m_leadInSeqnum { GST_SEQNUM_INVALID };
    std::atomic<gint64> m_leadInShift { 0 };
    std::atomic<gint64> m_leadInTarget { 0 };
    std::atomic<gint64> m_videoSegmentStart { -1 }; // as the video decoder got it, since the last seek
    std::vector<std::pair<GstPad*, gulong>> m_leadInProbes; // main thread
    std::atomic<bool> m_landedLate { false }; // written by the video renderer's thread
    std::atomic<bool> m_seekEarlier { false };
    // Set by a seek that keeps frames before its target, taken by the first
    // video decoder input that sees the seek's segment.
    std::atomic<gint64> m_widenNextSegment { 0 };
    std::atomic<uint64_t> m_decodedFrames { 0 };
    static constexpr int64_t NoCreationTime = INT64_MIN;
    std::atomic<int64_t> m_creationTime { NoCreationTime }; // written by the coded video's thread
    bool m_videoStepped = false; // the video renderer went ahead of the others
    // The target of the last seek, and whether the data stayed there since
    // (no play, step or position noted): seeking there again changes nothing.
    gint64 m_lastSeekTarget = -1;
    bool m_untouchedSinceSeek = false;
    std::atomic<bool> m_videoSinceSeek { false }; // a video renderer took a frame
    bool m_positionNoted = false; // m_lastPosition is not the renderers'
    int64_t m_lastPosition = 0;
    std::atomic<gint64> m_segmentStart { 0 };
    // A seek to the start after which the renderers settled without one
    // sample (the splitter found its streams but not one frame of them)
    // has not shown the start: the file does not play.
    std::atomic<bool> m_seekFromStart { false };
    std::atomic<int> m_renderedSinceSeek { 0 }; // ns, where the last seek sent the splitters
    // Position 0 is the start of the first video frame: a stream whose video
    // starts a little after the container's start (audio priming, B-frame
    // delay) would otherwise show frame k at k frames plus that delay, and
    // stepping one frame from 0 would show the first frame again. Measured
    // on the first frame rendered after a seek to 0.
    std::atomic<gint64> m_originShift { 0 }; // ns
    std::atomic<bool> m_anchored { false };
    std::atomic<bool> m_anchorPending { false };
    // The last seek fixed position 0 on the frame it rendered: that frame is
    // where a seek to the new position 0 would go.
    std::atomic<bool> m_anchoredAtSeek { false };
    std::atomic<gint64> m_anchorBase { 0 };
    std::atomic<bool> m_anchorInStreamTime { false };
    // The seek that fixes position 0 went through a splitter that places its
    // seeks by an estimate; a first frame found after the start is checked
    // by one more seek (m_anchorRetried) before it counts as the origin.
    std::atomic<bool> m_anchorByEstimate { false };
    std::atomic<bool> m_anchorRetried { false };
    // The segment the video renderer had when the last seek was sent: a
    // frame of it, still on its way, is not the seek's first and must not
    // fix position 0.
    std::atomic<guint32> m_preSeekSegment { GST_SEQNUM_INVALID };
    gint64 baseStartOffset() const; // ns, without the shift
    // Whether an element of a live filter (or inside it) passes test.
    bool anyLiveElement(bool (*test)(GstElement*)) const;
    std::function<void()> m_complete;
    std::function<void(int64_t)> m_seekHandler;
};
