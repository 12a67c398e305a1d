// The graph's running half: states, seeking, the clock and the volume. The
// building half (filters, connections, rendering) is TFilterGraph.cpp.
#include "graph/PipelineReport.h"
#include "graph/PlatformFilters.h"
#include "graph/SeekLeadIn.h"
#include "graph/TFilterGraph.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <cmath>
#include <gst/audio/streamvolume.h>
#include <vector>

// ---- control ----

gint64 TFilterGraph::baseStartOffset() const
{
    // Only a splitter tells where its streams start, and it tells before its
    // outputs are given out (waitForPins). The filters behind it see their
    // first segment whenever data first reaches an output of theirs left
    // unconnected, which may be after a seek: that says where the seek went.
    for (const auto& f : m_filters) {
        if (!f->m_live || !f->HasDynamicOutputs()) continue;
        QMutexLocker lock(&f->m_lock);
        if (GST_CLOCK_TIME_IS_VALID(f->m_startTime)) return gint64(f->m_startTime);
    }
    return 0;
}

gint64 TFilterGraph::startOffset() const
{
    return baseStartOffset() + m_originShift.load();
}

int64_t TFilterGraph::SegmentBase() const
{
    return (m_segmentStart.load() - startOffset()) / 100;
}

int64_t TFilterGraph::SegmentStartedEarlyBy() const
{
    const gint64 seen = m_videoSegmentStart.load();
    return seen < 0 ? 0 : std::max<gint64>(0, m_segmentStart.load() - seen) / 100;
}

HRESULT TFilterGraph::restartData()
{
    // Everything held while the graph was being built is flushed away and
    // the splitters read again from the position. What failed while the
    // links were changing under the data (a type refused by a filter about
    // to be replaced) is forgotten: a fault that lasts fails again.
    m_building = false;
    for (const auto& f : m_filters) {
        QMutexLocker lock(&f->m_lock);
        f->m_failed = false;
        f->m_failedNegotiating = false;
        f->m_failedRestarting = false;
    }
    m_restarting = true;
    const gint64 target = m_lastPosition * 100 + startOffset();
    gint64 now = 0;
    const gint64 pos = !m_positionNoted && m_state != 0
            && gst_element_query_position(GST_ELEMENT(m_pipeline), GST_FORMAT_TIME, &now) && now >= 0
        ? now
        : target;
    if (!seekExact(pos)) {
        m_restarting = false;
        m_building = true;
        return S_FALSE;
    }
    return S_OK;
}

bool TFilterGraph::RestartAfterTransientErrors()
{
    // A splitter whose push was refused while a link was being changed may
    // post its error after the data has already restarted, and so outlive
    // the restart that should have forgotten it; so may a filter that was
    // still working on data from before the restart when the restart
    // began (a parser given the end of a stream read to its end while its
    // pins were found, before any frame). Once, the data restarts again; a
    // type that is really refused, or data really bad, fails again.
    bool any = false;
    bool negotiating = false;
    for (const auto& f : m_filters) {
        QMutexLocker lock(&f->m_lock);
        if (!f->m_live || !f->m_failed) continue;
        if (!f->m_failedNegotiating && !f->m_failedRestarting) return false;
        negotiating = negotiating || f->m_failedNegotiating;
        any = true;
    }
    if (!any) return false;
    // A type refused while the links changed stays refused after a flush:
    // an element that chose its output for the peer it had then (a
    // converter linked before the filter behind it took its final type)
    // keeps that choice. Every output is asked to choose again, for the
    // peers it has now, with the data that restarts.
    if (negotiating) {
        // Sent with no filter locked: the event travels up through probes.
        std::vector<GstPad*> outputs;
        for (const auto& f : m_filters) {
            if (!f->m_live) continue;
            QMutexLocker lock(&f->m_lock);
            for (TGraphPin* pin : f->m_pins)
                if (pin->Direction() == PINDIR_OUTPUT && pin->m_pad && pin->m_peer)
                    outputs.push_back(GST_PAD(gst_object_ref(pin->m_pad)));
        }
        for (GstPad* pad : outputs) {
            gst_pad_send_event(pad, gst_event_new_reconfigure());
            gst_object_unref(pad);
        }
    }
    // An error during a change of state (the preroll after a seek) aborted
    // it: the pipeline answers that failure to every later question until
    // it is told its state again, even once the data flows.
    if (m_state != 0
        && gst_element_get_state(GST_ELEMENT(m_pipeline), nullptr, nullptr, 0) == GST_STATE_CHANGE_FAILURE)
        gst_element_set_state(GST_ELEMENT(m_pipeline), m_state == 2 ? GST_STATE_PLAYING : GST_STATE_PAUSED);
    return restartData() == S_OK;
}

HRESULT TFilterGraph::Run()
{
    if (m_building) {
        gst_element_set_state(GST_ELEMENT(m_pipeline), GST_STATE_PAUSED);
        restartData();
    }
    if (m_videoStepped) levelRenderersAfterSteps();
    m_untouchedSinceSeek = false;
    const GstStateChangeReturn r = gst_element_set_state(GST_ELEMENT(m_pipeline), GST_STATE_PLAYING);
    if (r == GST_STATE_CHANGE_FAILURE) return E_FAIL;
    m_state = 2;
    return r == GST_STATE_CHANGE_ASYNC ? S_FALSE : S_OK;
}

HRESULT TFilterGraph::Pause()
{
    const GstStateChangeReturn r = gst_element_set_state(GST_ELEMENT(m_pipeline), GST_STATE_PAUSED);
    if (r == GST_STATE_CHANGE_FAILURE) return E_FAIL;
    if (m_building) restartData();
    m_state = 1;
    return r == GST_STATE_CHANGE_ASYNC ? S_FALSE : S_OK;
}

void TFilterGraph::NotePosition(int64_t pos)
{
    m_lastPosition = std::max<int64_t>(0, pos);
    m_positionNoted = true;
    m_untouchedSinceSeek = false;
}

HRESULT TFilterGraph::Stop()
{
    if (m_state != 0 && !m_positionNoted) {
        gint64 now = 0;
        if (gst_element_query_position(GST_ELEMENT(m_pipeline), GST_FORMAT_TIME, &now) && now >= 0)
            m_lastPosition = std::max<gint64>(0, now - startOffset()) / 100;
    }
    const GstStateChangeReturn r = gst_element_set_state(GST_ELEMENT(m_pipeline), GST_STATE_PAUSED);
    m_state = 0;
    if (r == GST_STATE_CHANGE_FAILURE) return E_FAIL;
    restartData();
    return S_OK;
}

HRESULT TFilterGraph::GetState(int timeoutMs, int& state) const
{
    state = m_state;
    QDeadlineTimer deadline(std::max(timeoutMs, 0));
    for (;;) {
        // A filter that reported an error will not settle: say so at once
        // rather than at the end of the time-out.
        if (anyFilterFailed()) return E_FAIL;
        GstState current = GST_STATE_VOID_PENDING;
        GstState pending = GST_STATE_VOID_PENDING;
        const GstStateChangeReturn r = gst_element_get_state(GST_ELEMENT(m_pipeline), &current, &pending,
            GstClockTime(std::min<qint64>(deadline.remainingTime(), 20)) * GST_MSECOND);
        if (r == GST_STATE_CHANGE_FAILURE) return E_FAIL;
        // A seek is done once the renderers hold the new position's data
        // again; the pipeline may not even have noticed yet that it lost its
        // state.
        if (r != GST_STATE_CHANGE_ASYNC && !m_seekPending)
            return m_seekFromStart && m_renderedSinceSeek.load() == 0 && hasWatchedRenderer() ? E_FAIL : S_OK;
        if (deadline.hasExpired()) return VFW_S_STATE_INTERMEDIATE;
        if (r != GST_STATE_CHANGE_ASYNC) {
            waitForChange(10);
        }
    }
}

QString TFilterGraph::StallReport() const
{
    QString out
        = QStringLiteral("graph state %1, seek pending %2 from start %3, last target %4, segment start %5, "
                         "rendered since seek %6, video since seek %7, decoded frames %8, anchored %9, "
                         "anchor pending %10, errors %11\n")
              .arg(m_state)
              .arg(m_seekPending.load())
              .arg(m_seekFromStart.load())
              .arg(qint64(m_lastSeekTarget))
              .arg(qint64(m_segmentStart.load()))
              .arg(m_renderedSinceSeek.load())
              .arg(m_videoSinceSeek.load())
              .arg(qulonglong(m_decodedFrames.load()))
              .arg(m_anchored.load())
              .arg(m_anchorPending.load())
              .arg(m_errors.load());
    for (const auto& f : m_filters) {
        QMutexLocker lock(&f->m_lock);
        if (f->m_failed)
            out += QStringLiteral("filter %1%2 failed%3: %4 (%5)\n")
                       .arg(QString::fromUtf8(GST_ELEMENT_NAME(f->m_element)),
                           f->m_live ? QString() : QStringLiteral(" (not live)"),
                           f->m_failedNegotiating      ? QStringLiteral(" negotiating")
                               : f->m_failedRestarting ? QStringLiteral(" restarting")
                                                       : QString(),
                           f->m_error, f->m_errorDetail);
    }
    return out + DescribePipeline(GST_ELEMENT(m_pipeline));
}

bool TFilterGraph::hasWatchedRenderer() const
{
    for (const auto& f : m_filters) {
        QMutexLocker lock(&f->m_lock);
        for (TGraphPin* pin : f->m_pins)
            if (pin->m_renderProbe) return true;
    }
    return false;
}

bool TFilterGraph::anyFilterFailed() const
{
    for (const auto& f : m_filters) {
        QMutexLocker lock(&f->m_lock);
        if (f->m_live && f->m_failed) return true;
    }
    return false;
}

// ---- seeking ----

namespace
{
// Splitters whose seeks may land after the target (the program stream
// demultiplexer searches the system clock, which runs ahead of the
// presentation times by the muxer's delay): they are sent this far earlier
// and the renderers drop what comes before the target.
bool isMadeBy(GstElement* element, const char* factoryName)
{
    GstElementFactory* factory = gst_element_get_factory(element);
    return factory && g_str_equal(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), factoryName);
}
bool seeksLate(GstElement* element)
{
    return isMadeBy(element, "mpegpsdemux");
}
// The transport stream demultiplexer turns a time into a byte offset by an
// estimate from the clock values it has read so far: soon after opening, a
// seek may start a few frames past its target, even the seek to the start.
bool seeksByEstimate(GstElement* element)
{
    return isMadeBy(element, "tsdemux");
}
// The MP4/QuickTime demultiplexer applies the file's edit list: buffers keep
// their media times (after the B-frame delay) while segments, positions and
// seeks count in the presentation's own time, which starts at frame 0.
bool seeksInStreamTime(GstElement* element)
{
    return isMadeBy(element, "qtdemux");
}
constexpr gint64 LateSeekMargin = 1500 * GST_MSECOND;
// How far a frame may end after a seek target and still count as before it:
// half a millisecond of rounding, and a little more.
constexpr gint64 FrameTimeMargin = 600 * GST_USECOND;
// The segment moved by delta (negative: back), its stream times unchanged.
GstEvent* movedSegment(GstEvent* event, const GstSegment& segment, gint64 delta)
{
    GstSegment moved;
    gst_segment_copy_into(&segment, &moved);
    moved.start = guint64(gint64(moved.start) + delta);
    moved.time = guint64(gint64(moved.time) + delta);
    moved.position = moved.start;
    GstEvent* out = gst_event_new_segment(&moved);
    gst_event_set_seqnum(out, gst_event_get_seqnum(event));
    return out;
}
} // namespace

bool TFilterGraph::anyLiveElement(bool (*test)(GstElement*)) const
{
    for (const auto& f : m_filters) {
        if (!f->m_live) continue;
        if (test(f->m_element)) return true;
        if (!GST_IS_BIN(f->m_element)) continue;
        bool found = false;
        GstIterator* it = gst_bin_iterate_recurse(GST_BIN(f->m_element));
        GValue item = G_VALUE_INIT;
        while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            found = test(GST_ELEMENT(g_value_get_object(&item)));
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
        if (found) return true;
    }
    return false;
}

bool TFilterGraph::seekExact(gint64 target)
{
    // A program stream is sent from before its start (its seeks land late
    // by the muxer's delay even there); other splitters count their segment
    // from their start when sent before it, so they are not.
    const bool late = anyLiveElement(seeksLate);
    const bool earlier = m_seekEarlier.exchange(false) || late;
    const gint64 floor = late ? 0 : baseStartOffset();
    const gint64 start = earlier ? std::max<gint64>(floor, target - LateSeekMargin) : target;
    m_landedLate = false;
    m_anchoredAtSeek = false;
    if (!m_anchored && target == startOffset()) {
        m_anchorBase = baseStartOffset();
        m_anchorInStreamTime = anyLiveElement(seeksInStreamTime);
        m_anchorByEstimate = !m_anchorRetried && anyLiveElement(seeksByEstimate);
        m_preSeekSegment = videoRendererSegment();
        m_anchorPending = true;
    }
    m_dropUntil = target;
    m_videoSegmentStart = -1;
    m_videoStepped = false;
    m_positionNoted = false;
    const gint64 keep = std::max<gint64>(0, m_keepBeforeSeek.exchange(0));
    m_decodedDropUntil = std::max<gint64>(0, target - keep);
    m_widenNextSegment = keep;
    m_renderedSinceSeek = 0;
    m_videoSinceSeek = false;
    m_seekFromStart = target <= startOffset();
    m_seekPending = true;
    m_segmentStart = start;
    if (m_seekHandler) m_seekHandler(SegmentBase());
    // A seek from the start finds the first key frame whatever the lead-in;
    // one sent early has room before its target already.
    const gint64 leadIn = start == target && !m_seekFromStart ? compensateSeekLeadIn() : 0;
    GstEvent* seek
        = gst_event_new_seek(1.0, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
            GST_SEEK_TYPE_SET, start + leadIn, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    m_leadInShift = leadIn;
    m_leadInTarget = target;
    m_leadInSeqnum = leadIn > 0 ? gst_event_get_seqnum(seek) : GST_SEQNUM_INVALID;
    const bool ok = gst_element_send_event(GST_ELEMENT(m_pipeline), seek);
    if (!ok) m_seekPending = false;
    m_lastSeekTarget = ok ? target : -1;
    m_untouchedSinceSeek = ok;
    return ok;
}

gint64 TFilterGraph::compensateSeekLeadIn()
{
    clearLeadInProbes();
    GstElement* splitter = nullptr;
    for (const auto& f : m_filters) {
        if (!f->m_live || !f->HasDynamicOutputs()) continue;
        if (isMadeBy(f->m_element, "matroskademux")) {
            splitter = GST_ELEMENT(gst_object_ref(f->m_element));
        } else if (GST_IS_BIN(f->m_element)) {
            GstIterator* it = gst_bin_iterate_recurse(GST_BIN(f->m_element));
            GValue item = G_VALUE_INIT;
            while (!splitter && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
                auto* element = GST_ELEMENT(g_value_get_object(&item));
                if (isMadeBy(element, "matroskademux")) splitter = GST_ELEMENT(gst_object_ref(element));
                g_value_reset(&item);
            }
            g_value_unset(&item);
            gst_iterator_free(it);
        }
        if (splitter) break;
    }
    if (!splitter) return 0;
    gint64 leadIn = 0;
    std::vector<GstPad*> outputs;
    GstIterator* it = gst_element_iterate_src_pads(splitter);
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* pad = GST_PAD(g_value_get_object(&item));
        outputs.push_back(GST_PAD(gst_object_ref(pad)));
        if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
            leadIn = std::max(leadIn, MatroskaSeekLeadIn(caps));
            gst_caps_unref(caps);
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    gst_object_unref(splitter);
    for (GstPad* pad : outputs) {
        if (leadIn > 0) {
            const gulong probe
                = gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, onLeadInSegment, this, nullptr);
            m_leadInProbes.emplace_back(pad, probe);
        } else {
            gst_object_unref(pad);
        }
    }
    return leadIn;
}

void TFilterGraph::clearLeadInProbes()
{
    m_leadInSeqnum = GST_SEQNUM_INVALID;
    for (auto& [pad, probe] : m_leadInProbes) {
        gst_pad_remove_probe(pad, probe);
        gst_object_unref(pad);
    }
    m_leadInProbes.clear();
}

GstPadProbeReturn TFilterGraph::onLeadInSegment(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto* self = static_cast<TFilterGraph*>(data);
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT) return GST_PAD_PROBE_OK;
    const guint32 seqnum = self->m_leadInSeqnum.load();
    if (seqnum == GST_SEQNUM_INVALID || gst_event_get_seqnum(event) != seqnum) return GST_PAD_PROBE_OK;
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(event, &segment);
    if (!segment || segment->format != GST_FORMAT_TIME || segment->rate <= 0
        || !GST_CLOCK_TIME_IS_VALID(segment->time))
        return GST_PAD_PROBE_OK;
    // Back to the target: the splitter started the segment where it was
    // sent, or at its end when sent past it.
    const gint64 delta = gint64(segment->start) - self->m_leadInTarget.load();
    if (delta <= 0 || delta > self->m_leadInShift.load() || gint64(segment->time) < delta)
        return GST_PAD_PROBE_OK;
    GST_PAD_PROBE_INFO_DATA(info) = movedSegment(event, *segment, -delta);
    gst_event_unref(event);
    return GST_PAD_PROBE_OK;
}

GstPad* TFilterGraph::videoRendererInput(GstElement** renderer) const
{
    for (const auto& f : m_filters) {
        if (!f->m_live || !GST_OBJECT_FLAG_IS_SET(f->m_element, GST_ELEMENT_FLAG_SINK)) continue;
        QMutexLocker lock(&f->m_lock);
        for (TGraphPin* pin : f->m_pins) {
            if (pin->Direction() != PINDIR_INPUT || !pin->m_pad) continue;
            GstCaps* caps = gst_pad_get_current_caps(pin->m_pad);
            const bool video = caps && gst_structure_has_name(gst_caps_get_structure(caps, 0), "video/x-raw");
            if (caps) gst_caps_unref(caps);
            if (!video) continue;
            if (renderer) *renderer = GST_ELEMENT(gst_object_ref(f->m_element));
            return GST_PAD(gst_object_ref(pin->m_pad));
        }
    }
    return nullptr;
}

guint32 TFilterGraph::videoRendererSegment() const
{
    GstPad* pad = videoRendererInput(nullptr);
    if (!pad) return GST_SEQNUM_INVALID;
    GstEvent* segment = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    gst_object_unref(pad);
    if (!segment) return GST_SEQNUM_INVALID;
    const guint32 seqnum = gst_event_get_seqnum(segment);
    gst_event_unref(segment);
    return seqnum;
}

GstElement* TFilterGraph::videoRenderer() const
{
    GstElement* renderer = nullptr;
    if (GstPad* pad = videoRendererInput(&renderer)) gst_object_unref(pad);
    return renderer;
}

HRESULT TFilterGraph::StepVideoFrame(int64_t pos)
{
    if (m_state != 1 || m_building || m_seekPending) return E_FAIL;
    GstElement* renderer = videoRenderer();
    if (!renderer) return E_FAIL;
    // Pending until the pipeline prerolled again, as after a seek; the step
    // is over when the renderer holds the next frame.
    m_seekPending = true;
    m_renderedSinceSeek = 0;
    m_seekFromStart = false;
    const bool sent
        = gst_element_send_event(renderer, gst_event_new_step(GST_FORMAT_BUFFERS, 1, 1.0, TRUE, FALSE));
    gst_object_unref(renderer);
    if (!sent) {
        m_seekPending = false;
        return E_FAIL;
    }
    m_videoStepped = true;
    m_untouchedSinceSeek = false;
    m_positionNoted = false;
    m_lastPosition = std::max<int64_t>(0, pos);
    return S_OK;
}

void TFilterGraph::levelRenderersAfterSteps()
{
    // A step moves the video renderer alone: the audio renderers still hold
    // what they prerolled on at the last seek, and would play that late by
    // every frame stepped. They skip the same stream time, each on its own,
    // before the clock starts.
    m_videoStepped = false;
    GstElement* video = videoRenderer();
    if (!video) return;
    gint64 videoAt = -1;
    const bool known = gst_element_query_position(video, GST_FORMAT_TIME, &videoAt) && videoAt >= 0;
    if (known) {
        for (const auto& f : m_filters) {
            if (!f->m_live || f->m_element == video
                || !GST_OBJECT_FLAG_IS_SET(f->m_element, GST_ELEMENT_FLAG_SINK))
                continue;
            gint64 at = -1;
            if (!gst_element_query_position(f->m_element, GST_FORMAT_TIME, &at) || at < 0 || at >= videoAt)
                continue;
            m_seekPending = true;
            if (!gst_element_send_event(f->m_element,
                    gst_event_new_step(GST_FORMAT_TIME, guint64(videoAt - at), 1.0, TRUE, FALSE)))
                m_seekPending = false;
        }
    }
    gst_object_unref(video);
    int state = 0;
    if (m_seekPending) GetState(2000, state);
}

void TFilterGraph::watchRenderer(TGraphFilter* filter)
{
    if (!GST_OBJECT_FLAG_IS_SET(filter->m_element, GST_ELEMENT_FLAG_SINK)) return;
    QMutexLocker lock(&filter->m_lock);
    for (TGraphPin* pin : filter->m_pins)
        if (pin->Direction() == PINDIR_INPUT && pin->m_pad && !pin->m_renderProbe)
            pin->m_renderProbe
                = gst_pad_add_probe(pin->m_pad, GST_PAD_PROBE_TYPE_BUFFER, onRendererData, this, nullptr);
}

void TFilterGraph::watchDecoder(TGraphFilter* filter)
{
    QMutexLocker lock(&filter->m_lock);
    if (filter->m_decodedPad) return;
    filter->m_decodedPad = PlatformFilters::DecodedVideoPad(filter->m_element);
    if (filter->m_decodedPad)
        filter->m_decodedProbe = gst_pad_add_probe(filter->m_decodedPad,
            GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM), onDecodedData,
            filter, nullptr);
    // A decoder that knows the seek's target drops what comes before it
    // itself: what goes in is its only sign of work then.
    filter->m_codedPad = PlatformFilters::CodedVideoPad(filter->m_element);
    if (filter->m_codedPad)
        filter->m_codedProbe = gst_pad_add_probe(filter->m_codedPad,
            GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM), onCodedData,
            filter, nullptr);
}

GstPadProbeReturn TFilterGraph::onCodedData(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto* filter = static_cast<TGraphFilter*>(data);
    TFilterGraph* self = filter->m_graph;
    if (!self) return GST_PAD_PROBE_OK;
    if (!(GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM)) {
        ++self->m_decodedFrames;
        return GST_PAD_PROBE_OK;
    }
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_TAG) {
        self->noteTags(event);
        return GST_PAD_PROBE_OK;
    }
    if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT) return GST_PAD_PROBE_OK;
    // A decoder told the seek's target decodes the frames before it without
    // putting them out. The frames kept for the steps back after the seek
    // must come out: the decoder is told a segment that starts earlier (the
    // splitter still starts from the keyframe before the target, so nothing
    // more is read or decoded), and what it puts out is told the real one.
    const gint64 keep = self->m_widenNextSegment.exchange(0);
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(event, &segment);
    if (segment && segment->format == GST_FORMAT_TIME && segment->rate > 0)
        self->m_videoSegmentStart = gint64(segment->start);
    gint64 delta = 0;
    if (keep > 0 && segment && segment->format == GST_FORMAT_TIME && segment->rate > 0
        && GST_CLOCK_TIME_IS_VALID(segment->time))
        delta = std::min<gint64>({ keep, gint64(segment->start), gint64(segment->time) });
    filter->m_widenedBy = delta;
    if (delta > 0) {
        GST_PAD_PROBE_INFO_DATA(info) = movedSegment(event, *segment, -delta);
        gst_event_unref(event);
    }
    return GST_PAD_PROBE_OK;
}

void TFilterGraph::noteTags(GstEvent* event)
{
    GstTagList* tags = nullptr;
    gst_event_parse_tag(event, &tags);
    GstDateTime* when = nullptr;
    if (!tags || !gst_tag_list_get_date_time(tags, GST_TAG_DATE_TIME, &when) || !when) return;
    if (gst_date_time_has_time(when)) {
        if (GDateTime* utc = gst_date_time_to_g_date_time(when)) {
            m_creationTime
                = gint64(g_date_time_to_unix(utc)) * 1000 + g_date_time_get_microsecond(utc) / 1000;
            g_date_time_unref(utc);
        }
    }
    gst_date_time_unref(when);
}

bool TFilterGraph::CreationTime(int64_t& msecsSinceEpoch) const
{
    const int64_t value = m_creationTime.load();
    if (value == NoCreationTime) return false;
    msecsSinceEpoch = value;
    return true;
}

namespace
{
// Where a buffer ends in stream time, from the pad's segment; -1 when that
// cannot be told.
gint64 bufferEndStreamTime(GstPad* pad, GstBuffer* buffer)
{
    if (!GST_BUFFER_PTS_IS_VALID(buffer)) return -1;
    GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    if (!event) return -1;
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(event, &segment);
    const GstClockTime end
        = GST_BUFFER_PTS(buffer) + (GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) : 1);
    // Frames let through from before the segment's start (kept for the
    // steps back) end before it too: their stream time is known all the same.
    guint64 time = 0;
    const int sign = segment->format == GST_FORMAT_TIME
        ? gst_segment_to_stream_time_full(segment, GST_FORMAT_TIME, end, &time)
        : 0;
    gst_event_unref(event);
    if (sign == 0 || time > guint64(G_MAXINT64)) return -1;
    return sign > 0 ? gint64(time) : 0;
}
} // namespace

GstPadProbeReturn TFilterGraph::onDecodedData(GstPad* pad, GstPadProbeInfo* info, gpointer data)
{
    auto* filter = static_cast<TGraphFilter*>(data);
    TFilterGraph* self = filter->m_graph;
    if (!self) return GST_PAD_PROBE_OK;
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        const gint64 delta = filter->m_widenedBy.load();
        if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT || delta <= 0) return GST_PAD_PROBE_OK;
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        if (segment && segment->format == GST_FORMAT_TIME) {
            GST_PAD_PROBE_INFO_DATA(info) = movedSegment(event, *segment, delta);
            gst_event_unref(event);
        }
        return GST_PAD_PROBE_OK;
    }
    // The frames a seek decodes on its way to the target are dropped as
    // they leave the decoder: converting, compositing and then dropping
    // them at the renderer costs more than decoding them on most files.
    ++self->m_decodedFrames;
    const gint64 until = self->m_decodedDropUntil.load();
    if (until <= 0) return GST_PAD_PROBE_OK;
    const gint64 endTime = bufferEndStreamTime(pad, GST_PAD_PROBE_INFO_BUFFER(info));
    const bool drop = endTime >= 0 && endTime <= until + FrameTimeMargin;
    return drop ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

GstPadProbeReturn TFilterGraph::onRendererData(GstPad* pad, GstPadProbeInfo* info, gpointer data)
{
    auto* self = static_cast<TFilterGraph*>(data);
    const gint64 until = self->m_dropUntil.load();
    if (until <= 0 && !self->m_anchorPending.load()) {
        ++self->m_renderedSinceSeek;
        self->noteVideoRendered(pad);
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!GST_BUFFER_PTS_IS_VALID(buffer)) return GST_PAD_PROBE_OK;
    GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    if (!event) return GST_PAD_PROBE_OK;
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(event, &segment);
    GstClockTime end
        = GST_BUFFER_PTS(buffer) + (GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) : 1);
    guint64 time = 0;
    const int sign = segment->format == GST_FORMAT_TIME
        ? gst_segment_to_stream_time_full(segment, GST_FORMAT_TIME, end, &time)
        : 0;
    // A frame from before the segment's start (kept for the steps back)
    // ends before the target too.
    const guint64 endTime = sign > 0 ? time : sign < 0 ? 0 : guint64(-1);
    // Positions are whole 100-ns units and frame times are not (30000/1001
    // fps), and containers that count in milliseconds round each frame's
    // start but not its duration, so neighbours overlap by up to half a
    // millisecond: a target that short of a frame's start means that frame,
    // not the sliver of the one before.
    const bool drop = until > 0 && endTime != guint64(-1) && gint64(endTime) <= until + FrameTimeMargin;
    // The first video frame of a seek beginning after the target: the
    // splitter started too late (the start of the file, where the first
    // frame fixes position 0, aside).
    if (!drop && until > 0 && !self->m_videoSinceSeek.load() && !self->m_anchorPending.load()
        && segment->format == GST_FORMAT_TIME) {
        guint64 begin = 0;
        const bool after
            = gst_segment_to_stream_time_full(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer), &begin) > 0
            && gint64(begin) > until + FrameTimeMargin;
        if (after) {
            GstCaps* caps = gst_pad_get_current_caps(pad);
            if (caps && gst_structure_has_name(gst_caps_get_structure(caps, 0), "video/x-raw"))
                self->m_landedLate = true;
            if (caps) gst_caps_unref(caps);
        }
    }
    // A frame sent before the seek, still on its way, is not the first.
    if (!drop && self->m_anchorPending.load() && segment->format == GST_FORMAT_TIME
        && gst_event_get_seqnum(event) != self->m_preSeekSegment.load()) {
        GstCaps* caps = gst_pad_get_current_caps(pad);
        const bool video = caps && gst_structure_has_name(gst_caps_get_structure(caps, 0), "video/x-raw");
        if (caps) gst_caps_unref(caps);
        // Where the first frame lies in the splitter's seeking domain: its
        // stream time for a splitter that maps times through an edit list
        // (the B-frame delay is no offset there), its timestamp otherwise
        // (the priming of audio that starts before the video is one).
        const guint64 start = self->m_anchorInStreamTime.load()
            ? gst_segment_to_stream_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer))
            : GST_BUFFER_PTS(buffer);
        const gint64 shift = gint64(start) - self->m_anchorBase.load();
        if (video && start != guint64(-1) && shift > 0 && self->m_anchorByEstimate.load()) {
            // Maybe the video starts after the rest, maybe the seek landed
            // a few frames in: seeking again once the splitter has read its
            // clock tells (see LandedLate), and that answer is taken.
            self->m_anchorByEstimate = false;
            self->m_anchorRetried = true;
            self->m_anchorPending = false;
            self->m_landedLate = true;
        } else if (video && start != guint64(-1)) {
            if (shift > 0 && shift < GST_SECOND) self->m_originShift = shift;
            self->m_anchoredAtSeek = true;
            self->m_anchored = true;
            self->m_anchorPending = false;
        }
    }
    gst_event_unref(event);
    if (!drop) {
        ++self->m_renderedSinceSeek;
        self->noteVideoRendered(pad);
    }
    return drop ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

void TFilterGraph::noteVideoRendered(GstPad* pad)
{
    if (m_videoSinceSeek.load()) return;
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (caps && gst_structure_has_name(gst_caps_get_structure(caps, 0), "video/x-raw"))
        m_videoSinceSeek = true;
    if (caps) gst_caps_unref(caps);
}

HRESULT TFilterGraph::GetDuration(int64_t& duration) const
{
    gint64 d = -1;
    if (!gst_element_query_duration(GST_ELEMENT(m_pipeline), GST_FORMAT_TIME, &d) || d < 0) {
        // No renderer yet: ask the splitters' outputs.
        d = -1;
        for (const auto& f : m_filters)
            for (TGraphPin* pin : f->Pins()) {
                gint64 v = -1;
                if (pin->Direction() == PINDIR_OUTPUT && pin->m_pad
                    && gst_pad_query_duration(pin->m_pad, GST_FORMAT_TIME, &v))
                    d = std::max(d, v);
            }
    }
    if (d < 0) return E_FAIL;
    duration = std::max<gint64>(0, d - m_originShift.load()) / 100;
    return S_OK;
}

HRESULT TFilterGraph::GetCurrentPosition(int64_t& position) const
{
    gint64 now = -1;
    if (m_state == 2 && gst_element_query_position(GST_ELEMENT(m_pipeline), GST_FORMAT_TIME, &now)
        && now >= 0)
        position = std::max<gint64>(0, now - startOffset()) / 100;
    else
        position = m_lastPosition;
    return S_OK;
}

HRESULT TFilterGraph::SetPosition(int64_t pos)
{
    if (pos < 0) pos = 0;
    m_lastPosition = pos;
    const bool wasBuilding = m_building;
    // A preroll still under way ends first: its completion, arriving after
    // the new seek had started, would pass for the new one's.
    if (!wasBuilding && m_seekPending) {
        int state = 0;
        GetState(3000, state);
    }
    m_building = false;
    // Opening seeks to the start of a graph that has just prerolled there:
    // the frame is on screen already, and seeking again would only decode
    // it again. Only the very target: a start the splitters report once
    // data flows (a transport stream's clock, a container's first
    // timestamp) was not known when the graph went to 0, and a seek to 0 in
    // such a stream may land anywhere; unless that seek's own first frame
    // fixed position 0 (the video starting a little after the container),
    // which is then the frame on screen.
    const gint64 target = pos * 100 + startOffset();
    const bool sameTarget = m_lastSeekTarget == target || (pos == 0 && m_anchoredAtSeek.load());
    if (!wasBuilding && pos == 0 && m_state == 1 && !m_seekPending && m_untouchedSinceSeek && sameTarget
        && m_keepBeforeSeek.load() == 0 && !m_seekEarlier.load() && m_videoSinceSeek.load()
        && !anyFilterFailed())
        return S_FALSE;
    bool sought = seekExact(pos * 100 + startOffset());
    if (!sought) {
        // A parser that has read nothing yet cannot turn a time into a
        // byte offset: once the graph has its first data, it can.
        int state = 0;
        GetState(2000, state);
        sought = seekExact(pos * 100 + startOffset());
    }
    if (!sought) {
        m_building = wasBuilding;
        return E_FAIL;
    }
    return S_OK;
}

// ---- clock and audio ----

void TFilterGraph::SetUseClock(bool on)
{
    m_useClock = on;
    if (on)
        gst_pipeline_auto_clock(m_pipeline);
    else
        gst_pipeline_use_clock(m_pipeline, nullptr);
}

namespace
{
template <class F> int forEachVolume(GstPipeline* pipeline, F&& f)
{
    int count = 0;
    GstIterator* it = gst_bin_iterate_all_by_interface(GST_BIN(pipeline), GST_TYPE_STREAM_VOLUME);
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        f(GST_STREAM_VOLUME(g_value_get_object(&item)));
        ++count;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return count;
}
} // namespace

HRESULT TFilterGraph::SetVolume(long volume)
{
    volume = std::clamp(volume, -10000L, 0L);
    const double linear = volume <= -10000 ? 0.0 : std::pow(10.0, double(volume) / 2000.0);
    const int n = forEachVolume(m_pipeline, [&](GstStreamVolume* v) {
        gst_stream_volume_set_volume(v, GST_STREAM_VOLUME_FORMAT_LINEAR, linear);
    });
    return n ? S_OK : E_NOTIMPL;
}

HRESULT TFilterGraph::GetVolume(long& volume) const
{
    double linear = -1;
    forEachVolume(m_pipeline, [&](GstStreamVolume* v) {
        if (linear < 0) linear = gst_stream_volume_get_volume(v, GST_STREAM_VOLUME_FORMAT_LINEAR);
    });
    if (linear < 0) return E_NOTIMPL;
    volume = linear <= 0 ? -10000L : std::clamp(long(std::lround(2000.0 * std::log10(linear))), -10000L, 0L);
    return S_OK;
}
