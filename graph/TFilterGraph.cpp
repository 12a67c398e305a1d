#include "graph/TFilterGraph.h"

#include "graph/CapsMediaType.h"
#include "graph/PlatformFilters.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QMutex>
#include <QWaitCondition>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gst/audio/streamvolume.h>
#include <gst/base/gsttypefindhelper.h>

namespace
{
// Waiters of the whole process sleep here until a streaming thread reports
// progress. The innermost lock: taken alone, after a filter's m_lock at most.
QMutex s_waitLock;
QWaitCondition s_wait;

// How deep intelligent connect may go between two pins (parser, decoder,
// converter and one spare).
constexpr int MaxDepth = 4;

bool isHardwareFactory(GstElementFactory* factory)
{
    const char* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
    if (klass && strstr(klass, "Hardware")) return true;
    // Decoders for video hardware that this machine may list but that cannot
    // run without the device.
    const QString name = QString::fromUtf8(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)));
    for (const char* prefix : { "va", "vaapi", "v4l2", "nv", "msdk", "qsv", "omx", "d3d", "vulkan", "amf" })
        if (name.startsWith(QLatin1String(prefix))) return true;
    return false;
}

// Decoders, parsers and converters of the registry, best rank first.
const std::vector<GstElementFactory*>& candidateFactories()
{
    static std::vector<GstElementFactory*> list = [] {
        std::vector<GstElementFactory*> out;
        GList* all = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_ANY, GST_RANK_MARGINAL);
        all = g_list_sort(all, gst_plugin_feature_rank_compare_func);
        for (GList* l = all; l; l = l->next) {
            auto* factory = GST_ELEMENT_FACTORY(l->data);
            const QString klass
                = QString::fromUtf8(gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS));
            const bool wanted = klass.contains(QLatin1String("Decoder"))
                || klass.contains(QLatin1String("Parser")) || klass.contains(QLatin1String("Converter"));
            const bool unwanted = klass.contains(QLatin1String("Encoder"))
                || klass.contains(QLatin1String("Muxer")) || klass.contains(QLatin1String("Demuxer"))
                || klass.contains(QLatin1String("Sink")) || klass.contains(QLatin1String("Source"))
                || klass.contains(QLatin1String("Payloader")) || klass.contains(QLatin1String("Depayloader"));
            if (wanted && !unwanted && !isHardwareFactory(factory))
                out.push_back(GST_ELEMENT_FACTORY(gst_object_ref(factory)));
        }
        gst_plugin_feature_list_free(all);
        return out;
    }();
    return list;
}

// Raw format converters: ranked too low to be picked by rank, but what a
// decoder's output most often needs to reach a renderer that takes one format.
const std::vector<GstElementFactory*>& rawConverters()
{
    static std::vector<GstElementFactory*> list = [] {
        std::vector<GstElementFactory*> out;
        for (const char* name : { "videoconvert", "audioconvert", "audioresample" })
            if (GstElementFactory* f = gst_element_factory_find(name)) out.push_back(f);
        return out;
    }();
    return list;
}

bool isDecoder(TGraphFilter* filter)
{
    GstElementFactory* factory = gst_element_get_factory(filter->Element());
    if (!factory) return false;
    const char* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
    return klass && strstr(klass, "Decoder");
}

TGraphPin* firstPin(
    TGraphFilter* filter, PIN_DIRECTION direction, bool unconnected, const GUID* type = nullptr)
{
    if (!filter) return nullptr;
    for (TGraphPin* pin : filter->Pins()) {
        if (pin->Direction() != direction || (unconnected && pin->IsConnected())) continue;
        if (type && *type != GUID_NULL && !pin->OffersType(*type)) continue;
        return pin;
    }
    return nullptr;
}
} // namespace

void TFilterGraph::wakeWaiters()
{
    s_wait.wakeAll();
}

void TFilterGraph::waitForChange(int ms)
{
    s_waitLock.lock();
    s_wait.wait(&s_waitLock, ms);
    s_waitLock.unlock();
}

TFilterGraph::TFilterGraph()
{
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    m_pipeline = GST_PIPELINE(gst_object_ref_sink(gst_pipeline_new(nullptr)));
    GstBus* bus = gst_pipeline_get_bus(m_pipeline);
    gst_bus_set_sync_handler(bus, onBusMessage, this, nullptr);
    gst_object_unref(bus);
    m_building = true;
    // Never below PAUSED: a splitter keeps its pins while the graph is stopped.
    gst_element_set_state(GST_ELEMENT(m_pipeline), GST_STATE_PAUSED);
}

void TFilterGraph::Reset()
{
    RemoveAllFilters();
    gst_element_set_state(GST_ELEMENT(m_pipeline), GST_STATE_NULL);
    m_errors = 0;
    m_seekPending = false;
    m_dropUntil = -1;
    m_decodedDropUntil = -1;
    m_lastPosition = 0;
    m_segmentStart = 0;
    m_originShift = 0;
    m_anchored = false;
    m_anchoredAtSeek = false;
    m_anchorRetried = false;
    m_anchorPending = false;
    m_state = 0;
    m_building = true;
    SetUseClock(m_useClock);
    gst_element_set_state(GST_ELEMENT(m_pipeline), GST_STATE_PAUSED);
}

TFilterGraph::~TFilterGraph()
{
    RemoveAllFilters();
    gst_element_set_state(GST_ELEMENT(m_pipeline), GST_STATE_NULL);
    GstBus* bus = gst_pipeline_get_bus(m_pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(m_pipeline);
}

GstBusSyncReply TFilterGraph::onBusMessage(GstBus*, GstMessage* message, gpointer data)
{
    auto* self = static_cast<TFilterGraph*>(data);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        const bool negotiating = debug && std::strstr(debug, "not-negotiated");
        for (GstObject* o = GST_MESSAGE_SRC(message); o; o = GST_OBJECT_PARENT(o)) {
            if (!GST_IS_ELEMENT(o)) continue;
            if (TGraphFilter* filter = TGraphFilter::FromElement(GST_ELEMENT(o))) {
                QMutexLocker lock(&filter->m_lock);
                filter->m_failedNegotiating
                    = (!filter->m_failed || filter->m_failedNegotiating) && negotiating;
                filter->m_failedRestarting
                    = (!filter->m_failed || filter->m_failedRestarting) && self->m_restarting.load();
                filter->m_failed = true;
                filter->m_error = QString::fromUtf8(error ? error->message : "");
                filter->m_errorDetail = QString::fromUtf8(debug ? debug : "");
                break;
            }
        }
        if (error) g_error_free(error);
        g_free(debug);
        ++self->m_errors;
        wakeWaiters();
        break;
    }
    case GST_MESSAGE_ASYNC_DONE:
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(self->m_pipeline)) {
            self->m_restarting = false;
            self->m_seekPending = false;
            wakeWaiters();
        }
        break;
    case GST_MESSAGE_EOS:
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(self->m_pipeline)) {
            QMetaObject::invokeMethod(
                self,
                [self] {
                    if (self->m_complete) self->m_complete();
                },
                Qt::QueuedConnection);
        }
        break;
    default:
        break;
    }
    // Nobody reads the bus: everything that matters was taken here.
    return GST_BUS_DROP;
}

// ---- filters ----

HRESULT TFilterGraph::AddFilter(const std::shared_ptr<TGraphFilter>& filter, const QString& name)
{
    if (!filter) return E_POINTER;
    if (filter->m_graph) return E_INVALIDARG;
    if (m_filters.empty()) {
        // Another file: its video's start is measured anew.
        m_originShift = 0;
        m_anchored = false;
        m_anchoredAtSeek = false;
        m_anchorRetried = false;
        m_anchorPending = false;
    }
    QString unique = name;
    HRESULT hr = S_OK;
    for (int n = 1; FindFilterByName(unique); ++n) {
        unique = QStringLiteral("%1 %2").arg(name).arg(n, 4, 10, QLatin1Char('0'));
        hr = VFW_S_DUPLICATE_NAME;
    }
    // Out of the pipeline's state changes until it has a connection: an
    // unconnected renderer would wait for data forever.
    gst_element_set_locked_state(filter->m_element, TRUE);
    if (!gst_bin_add(GST_BIN(m_pipeline), filter->m_element)) {
        gst_element_set_locked_state(filter->m_element, FALSE);
        return E_FAIL;
    }
    filter->m_name = unique;
    filter->m_graph = this;
    filter->m_live = false;
    filter->m_loaded = false;
    m_filters.push_back(filter);
    m_building = true;
    return hr;
}

HRESULT TFilterGraph::RemoveFilter(TGraphFilter* filter)
{
    if (!Contains(filter)) return S_FALSE;
    std::shared_ptr<TGraphFilter> keep = sharedOf(filter); // lives through the removal
    for (TGraphPin* pin : filter->Pins()) {
        if (!pin->IsConnected()) continue;
        TGraphFilter* other = pin->ConnectedTo()->Filter();
        unlinkPins(pin);
        takeDownIfIdle(other);
    }
    takeDown(filter);
    gst_bin_remove(GST_BIN(m_pipeline), filter->m_element);
    gst_element_set_locked_state(filter->m_element, FALSE);
    filter->m_graph = nullptr;
    filter->m_name.clear();
    filter->m_loaded = false;
    m_filters.erase(std::find(m_filters.begin(), m_filters.end(), keep));
    m_building = true;
    // Without filters the graph holds no file: the next one built in it
    // starts at its own beginning, not where the last one was left (which
    // may lie past its end).
    if (m_filters.empty()) {
        m_lastPosition = 0;
        m_positionNoted = false;
        m_segmentStart = 0;
        m_originShift = 0;
        m_anchored = false;
        m_anchoredAtSeek = false;
        m_anchorRetried = false;
        m_anchorPending = false;
        m_dropUntil = -1;
        m_decodedDropUntil = -1;
    }
    return S_OK;
}

void TFilterGraph::RemoveAllFilters()
{
    clearLeadInProbes();
    while (!m_filters.empty())
        RemoveFilter(m_filters.back().get());
}

std::vector<TGraphFilter*> TFilterGraph::Filters() const
{
    std::vector<TGraphFilter*> out;
    for (const auto& f : m_filters)
        out.push_back(f.get());
    return out;
}

TGraphFilter* TFilterGraph::FindFilterByName(const QString& name) const
{
    for (const auto& f : m_filters)
        if (f->m_name == name) return f.get();
    return nullptr;
}

bool TFilterGraph::Contains(const TGraphFilter* filter) const
{
    return filter && filter->m_graph == this;
}

std::shared_ptr<TGraphFilter> TFilterGraph::sharedOf(TGraphFilter* filter) const
{
    for (const auto& f : m_filters)
        if (f.get() == filter) return f;
    return nullptr;
}

// ---- states of single filters ----

void TFilterGraph::bringUp(TGraphFilter* upstream, TGraphFilter* downstream)
{
    // Downstream first, as a bin does it, so that a splitter can choose to
    // pull from its source before the source starts pushing.
    for (TGraphFilter* f : { upstream, downstream })
        if (f && !f->m_live) gst_element_set_state(f->m_element, GST_STATE_READY);
    for (TGraphFilter* f : { downstream, upstream }) {
        if (!f || f->m_live) continue;
        f->m_live = true;
        f->resetScan();
        gst_element_set_locked_state(f->m_element, FALSE);
        watchRenderer(f);
        watchDecoder(f);
        if (!gst_element_sync_state_with_parent(f->m_element)) {
            QMutexLocker lock(&f->m_lock);
            f->m_failed = true;
        }
    }
}

void TFilterGraph::takeDown(TGraphFilter* filter)
{
    if (!filter) return;
    filter->m_live = false;
    gst_element_set_locked_state(filter->m_element, TRUE);
    gst_element_set_state(filter->m_element, GST_STATE_NULL);
    QMutexLocker lock(&filter->m_lock);
    for (TGraphPin* pin : filter->m_pins)
        filter->removeRendererProbe(pin);
    filter->removeDecodedProbe();
}

void TFilterGraph::takeDownIfIdle(TGraphFilter* filter)
{
    if (filter && filter->m_live && !filter->m_loaded && !filter->HasConnectedPin()) takeDown(filter);
}

HRESULT TFilterGraph::waitForPins(TGraphFilter* filter)
{
    QDeadlineTimer deadline(m_padTimeoutMs);
    // A pin's kind is read from the caps its pad announced: a demuxer may
    // say it has no more pads before its streaming thread has sent the
    // caps of the last one, and what the pad could carry is not what it
    // carries. Each output waits (within the same time) for its caps.
    // Where the streams start comes later still, with the first data (a
    // demultiplexer knows its streams from the headers alone), and only an
    // output nobody took yet tells it: once connected its data goes on
    // untold, and the first segment told would be the one of a seek the
    // graph made meanwhile (which a demultiplexer still reading its headers
    // keeps for later), so that positions would count from wherever that
    // seek went. The splitter waits (within the same time) until it told.
    auto allAnnounced = [filter] {
        bool outputs = false;
        for (TGraphPin* pin : filter->m_pins) {
            GstPad* pad = pin->m_pad;
            if (pin->Direction() != PINDIR_OUTPUT || !pad) continue;
            if (!gst_pad_has_current_caps(pad)) return false;
            outputs = true;
        }
        return !outputs || filter->m_startTold;
    };
    for (;;) {
        {
            QMutexLocker lock(&filter->m_lock);
            if (filter->m_failed) return VFW_E_UNSUPPORTED_STREAM;
            if (filter->m_scanDone && allAnnounced()) break;
        }
        if (deadline.hasExpired()) break;
        // An error upstream (the source cannot read) stops the splitter too.
        for (const auto& f : m_filters) {
            QMutexLocker lock(&f->m_lock);
            if (f->m_live && f->m_failed) return VFW_E_UNSUPPORTED_STREAM;
        }
        waitForChange(20);
    }
    for (TGraphPin* pin : filter->Pins())
        if (pin->Direction() == PINDIR_OUTPUT) return S_OK;
    return VFW_E_TIMEOUT;
}

// ---- connections ----

std::vector<TGraphFilter*> TFilterGraph::filtersFrom(TGraphFilter* first)
{
    std::vector<TGraphFilter*> found { first };
    for (std::size_t i = 0; i < found.size(); ++i) {
        QMutexLocker lock(&found[i]->m_lock);
        for (TGraphPin* pin : found[i]->m_pins) {
            if (pin->Direction() != PINDIR_OUTPUT || !pin->m_peer) continue;
            TGraphFilter* next = pin->m_peer->m_filter;
            if (std::find(found.begin(), found.end(), next) == found.end()) found.push_back(next);
        }
    }
    return found;
}

void TFilterGraph::unlinkPins(TGraphPin* pin)
{
    TGraphPin* peer = pin->m_peer;
    if (!peer) return;
    TGraphPin* out = pin->Direction() == PINDIR_OUTPUT ? pin : peer;
    TGraphPin* in = out == pin ? peer : pin;
    {
        QMutexLocker lock(&out->m_filter->m_lock);
        out->m_peer = nullptr;
        in->m_peer = nullptr;
        out->m_staleCaps = false;
        out->m_filter->installProbe(out);
    }
    if (out->m_pad && in->m_pad) {
        // The upstream thread may be waiting downstream (a renderer holding
        // its preroll): release it, or taking the upstream filter down would
        // wait for it for ever.
        // A thread already inside the filter downstream when the flush
        // starts can still make a new stream and send data down it, past the
        // flush, to wait at an unconnected output holding its pad's stream
        // lock; the flush-stop that follows would wait for that lock for
        // ever. Outputs downstream drop instead of holding until the flush is
        // over.
        const std::vector<TGraphFilter*> downstream = filtersFrom(in->m_filter);
        for (TGraphFilter* f : downstream)
            f->setReleasingHeld(true);
        gst_pad_send_event(in->m_pad, gst_event_new_flush_start());
        gst_pad_unlink(out->m_pad, in->m_pad);
        gst_pad_send_event(in->m_pad, gst_event_new_flush_stop(TRUE));
        for (TGraphFilter* f : downstream)
            f->setReleasingHeld(false);
    }
    m_building = true;
}

HRESULT TFilterGraph::ConnectDirect(TGraphPin* out, TGraphPin* in, const TMediaType* mt)
{
    if (!out || !in) return E_POINTER;
    if (out->Direction() != PINDIR_OUTPUT || in->Direction() != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
    if (!Contains(out->Filter()) || !Contains(in->Filter())) return VFW_E_NOT_IN_GRAPH;
    if (out->IsConnected() || in->IsConnected()) return VFW_E_ALREADY_CONNECTED;
    if (!out->m_pad || !in->m_pad) return E_FAIL;
    if (mt) {
        GstCaps* wanted = CapsFromMediaType(*mt);
        if (!wanted) return VFW_E_TYPE_NOT_ACCEPTED;
        GstCaps* offered = out->Caps();
        GstCaps* accepted = in->Caps();
        const bool ok = offered && accepted && gst_caps_can_intersect(wanted, offered)
            && gst_caps_can_intersect(wanted, accepted);
        for (GstCaps* c : { wanted, offered, accepted })
            if (c) gst_caps_unref(c);
        if (!ok) return VFW_E_TYPE_NOT_ACCEPTED;
    }
    // Nothing goes down the new link, events included, until both ends are
    // up: data or an event pushed into a pad still down is refused as
    // flushing, and a queue or demuxer upstream that is told so stops its
    // task for good. The ends are linked first and brought up afterwards
    // (downstream first) so that a splitter can still choose to pull.
    GstPad* outPad = out->m_pad;
    const gulong hold = gst_pad_add_probe(
        outPad, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM,
        [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_OK; }, nullptr, nullptr);
    const GstPadLinkReturn linked = gst_pad_link(outPad, in->m_pad);
    if (linked != GST_PAD_LINK_OK) {
        gst_pad_remove_probe(outPad, hold);
        return linked == GST_PAD_LINK_NOFORMAT ? VFW_E_NO_ACCEPTABLE_TYPES : VFW_E_CANNOT_CONNECT;
    }
    m_building = true;
    TGraphFilter* up = out->Filter();
    TGraphFilter* down = in->Filter();
    const bool downWasLive = down->m_live;
    bringUp(up, down);
    {
        QMutexLocker lock(&up->m_lock);
        out->m_peer = in;
        in->m_peer = out;
    }
    // An output that chose its type with nothing behind it (a converter
    // passing its input through) may hold a frame of a type the new peer
    // refuses; sent on, the refusal would stop the stream for good. The
    // element is asked to choose again, and until it has, its data is
    // dropped: the held frame is asked again by a new probe.
    GstCaps* current = gst_pad_get_current_caps(outPad);
    const bool stale = current && !gst_pad_query_accept_caps(in->m_pad, current);
    if (current) gst_caps_unref(current);
    if (stale) {
        // The refused type must not be sent at all: a frame already on its
        // way from the element would take it along ahead of any probe. The
        // output forgets it; the element's next choice is sent instead.
        gst_pad_sticky_events_foreach(
            outPad,
            [](GstPad*, GstEvent** event, gpointer) -> gboolean {
                if (GST_EVENT_TYPE(*event) == GST_EVENT_CAPS) {
                    gst_event_unref(*event);
                    *event = nullptr;
                }
                return TRUE;
            },
            nullptr);
        gst_pad_send_event(outPad, gst_event_new_reconfigure());
    }
    {
        QMutexLocker lock(&up->m_lock);
        out->m_staleCaps = stale;
        if (stale) {
            const gulong old = out->m_probe;
            out->m_probe = 0;
            up->installProbe(out);
            if (old) gst_pad_remove_probe(outPad, old);
        } else {
            // Data held at this output may go on now that there is somewhere to go.
            up->removeProbe(out);
        }
    }
    gst_pad_remove_probe(outPad, hold);
    HRESULT hr = S_OK;
    {
        QMutexLocker lock(&down->m_lock);
        if (down->m_failed) hr = VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (SUCCEEDED(hr) && !downWasLive && down->HasDynamicOutputs())
        hr = FAILED(waitForPins(down)) ? VFW_E_TYPE_NOT_ACCEPTED : S_OK;
    if (FAILED(hr)) {
        unlinkPins(out);
        takeDownIfIdle(down);
        takeDownIfIdle(up);
    }
    return hr;
}

HRESULT TFilterGraph::Disconnect(TGraphPin* pin)
{
    if (!pin) return E_POINTER;
    if (!Contains(pin->Filter())) return VFW_E_NOT_IN_GRAPH;
    if (!pin->IsConnected()) return S_FALSE;
    TGraphFilter* mine = pin->Filter();
    TGraphPin* peer = pin->ConnectedTo();
    TGraphFilter* other = peer->Filter();
    TGraphPin* in = pin->Direction() == PINDIR_INPUT ? pin : peer;
    unlinkPins(pin);
    // A splitter without input has no streams: its outputs go with it.
    TGraphFilter* down = in->Filter();
    if (down->HasDynamicOutputs() && !down->m_loaded && !down->HasConnectedPin(PINDIR_INPUT)) {
        for (TGraphPin* p : down->Pins())
            if (p->IsConnected()) Disconnect(p);
        takeDown(down);
    }
    takeDownIfIdle(mine);
    takeDownIfIdle(other);
    return S_OK;
}

HRESULT TFilterGraph::Reconnect(TGraphPin* pin)
{
    if (!pin) return E_POINTER;
    if (!Contains(pin->Filter())) return VFW_E_NOT_IN_GRAPH;
    if (!pin->IsConnected() || !pin->m_pad) return VFW_E_NOT_CONNECTED;
    // GStreamer renegotiates a live link in place: the output is told to
    // choose its type again before its next buffer.
    GstPad* out = pin->Direction() == PINDIR_OUTPUT ? pin->m_pad : pin->ConnectedTo()->m_pad;
    if (!out) return E_FAIL;
    gst_pad_mark_reconfigure(out);
    return S_OK;
}

HRESULT TFilterGraph::FindPin(TGraphFilter* filter, PIN_DIRECTION direction, const GUID* category,
    const GUID* majortype, bool unconnected, int index, TGraphPin** pin) const
{
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (!filter) return E_POINTER;
    int seen = 0;
    for (TGraphPin* p : filter->Pins()) {
        if (p->Direction() != direction) continue;
        if (unconnected && p->IsConnected()) continue;
        if (category && *category != GUID_NULL && p->Category() != *category) continue;
        if (majortype && *majortype != GUID_NULL && !p->OffersType(*majortype)) continue;
        if (seen++ == index) {
            *pin = p;
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT TFilterGraph::Connect(TGraphPin* out, TGraphPin* in)
{
    std::vector<TGraphFilter*> added;
    std::vector<QString> path;
    return connectThrough(out, in, 0, added, path);
}

HRESULT TFilterGraph::connectThrough(
    TGraphPin* out, TGraphPin* in, int depth, std::vector<TGraphFilter*>& added, std::vector<QString>& path)
{
    if (!out || !in) return E_POINTER;
    if (out->Direction() != PINDIR_OUTPUT || in->Direction() != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
    if (out->IsConnected() || in->IsConnected()) return VFW_E_ALREADY_CONNECTED;

    // A decoder gives the format it decodes to, not necessarily one the
    // next filter takes: a converter, which passes through when there is
    // nothing to convert, goes in first.
    const bool convertFirst = isDecoder(out->Filter()) && depth < MaxDepth;
    if (!convertFirst && ConnectDirect(out, in) == S_OK) return S_OK;
    if (depth >= MaxDepth) return VFW_E_CANNOT_CONNECT;

    // Through one filter F from out to in.
    auto through = [&](TGraphFilter* f) -> bool {
        TGraphPin* fin = firstPin(f, PINDIR_INPUT, true);
        if (!fin || ConnectDirect(out, fin) != S_OK) return false;
        for (TGraphPin* fout : f->Pins()) {
            if (fout->Direction() != PINDIR_OUTPUT || fout->IsConnected()) continue;
            if (connectThrough(fout, in, depth + 1, added, path) == S_OK) return true;
        }
        Disconnect(fin);
        return false;
    };

    // Filters already in the graph and idle come first: that is how a
    // chosen decoder gets its turn before the registry's.
    for (TGraphFilter* f : Filters()) {
        if (f == out->Filter() || f == in->Filter() || f->m_live || f->HasConnectedPin()) continue;
        if (!firstPin(f, PINDIR_OUTPUT, true) && !f->HasDynamicOutputs()) continue;
        if (through(f)) return S_OK;
    }

    GstCaps* caps = out->Caps();
    if (!caps) return VFW_E_CANNOT_CONNECT;
    // A parser's output says little before data has passed (MPEG audio of
    // layer 1 to 3); what it parses says more, and a parser keeps the
    // stream's kind: choose by the two together.
    if (!gst_caps_is_fixed(caps)) {
        TGraphPin* in = firstPin(out->Filter(), PINDIR_INPUT, false);
        GstCaps* upstream = in && in->IsConnected() ? in->Caps() : nullptr;
        if (upstream && gst_caps_get_size(upstream) > 0 && gst_caps_get_size(caps) > 0
            && gst_structure_has_name(gst_caps_get_structure(caps, 0),
                gst_structure_get_name(gst_caps_get_structure(upstream, 0)))) {
            GstCaps* narrowed = gst_caps_intersect(caps, upstream);
            if (!gst_caps_is_empty(narrowed)) {
                gst_caps_unref(caps);
                caps = narrowed;
            } else {
                gst_caps_unref(narrowed);
            }
        }
        if (upstream) gst_caps_unref(upstream);
    }
    std::vector<GstElementFactory*> candidates;
    for (GstElementFactory* factory : candidateFactories())
        if (gst_element_factory_can_sink_any_caps(factory, caps)) candidates.push_back(factory);
    std::vector<GstElementFactory*> converters;
    for (GstElementFactory* factory : rawConverters())
        if (gst_element_factory_can_sink_any_caps(factory, caps)) converters.push_back(factory);
    gst_caps_unref(caps);
    candidates.insert(
        convertFirst ? candidates.begin() : candidates.end(), converters.begin(), converters.end());

    bool triedDirect = !convertFirst;
    for (GstElementFactory* factory : candidates) {
        const bool converter = std::find(converters.begin(), converters.end(), factory) != converters.end();
        if (!triedDirect && !converter) {
            triedDirect = true;
            if (ConnectDirect(out, in) == S_OK) return S_OK;
        }
        const QString name = QString::fromUtf8(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)));
        if (std::find(path.begin(), path.end(), name) != path.end()) continue;
        GstElement* element = gst_element_factory_create(factory, nullptr);
        if (!element) continue;
        auto filter = std::make_shared<TGraphFilter>(element, GUID_NULL);
        const QString longName
            = QString::fromUtf8(gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME));
        if (FAILED(AddFilter(filter, longName))) continue;
        path.push_back(name);
        const size_t mark = added.size();
        const bool ok = through(filter.get());
        path.pop_back();
        if (ok) {
            added.insert(added.begin() + long(mark), filter.get());
            return S_OK;
        }
        RemoveFilter(filter.get());
    }
    if (!triedDirect && ConnectDirect(out, in) == S_OK) return S_OK;
    return VFW_E_CANNOT_CONNECT;
}

HRESULT TFilterGraph::RenderStream(const GUID* category, const GUID* type, TGraphFilter* source,
    TGraphFilter* intermediate, TGraphFilter* sink)
{
    TGraphPin* pin = firstPin(source, PINDIR_OUTPUT, true, type);
    if (!pin) return VFW_E_NOT_FOUND;
    return RenderStream(category, type, pin, intermediate, sink);
}

HRESULT TFilterGraph::RenderStream(
    const GUID* category, const GUID* type, TGraphPin* source, TGraphFilter* intermediate, TGraphFilter* sink)
{
    if (!source || !sink) return E_POINTER;
    if (!Contains(source->Filter()) || !Contains(sink) || (intermediate && !Contains(intermediate)))
        return VFW_E_NOT_IN_GRAPH;
    if (source->Direction() != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (category && *category != GUID_NULL && source->Category() != *category) return VFW_E_NOT_FOUND;
    if (type && *type != GUID_NULL && !source->OffersType(*type)) return VFW_E_NO_ACCEPTABLE_TYPES;

    std::vector<TGraphFilter*> added;
    std::vector<QString> path;
    auto undo = [&] {
        if (source->IsConnected()) Disconnect(source);
        if (intermediate)
            for (TGraphPin* p : intermediate->Pins())
                if (p->IsConnected()) Disconnect(p);
        for (TGraphFilter* f : added)
            RemoveFilter(f);
        return VFW_E_CANNOT_CONNECT;
    };
    TGraphPin* from = source;
    if (intermediate) {
        TGraphPin* in = firstPin(intermediate, PINDIR_INPUT, true);
        if (!in || connectThrough(from, in, 0, added, path) != S_OK) return undo();
        from = firstPin(intermediate, PINDIR_OUTPUT, true);
        if (!from) return undo();
    }
    TGraphPin* in = firstPin(sink, PINDIR_INPUT, true);
    if (!in || connectThrough(from, in, 0, added, path) != S_OK) return undo();
    return S_OK;
}

// ---- building from a file ----

namespace
{
// Splitters (demuxers, and parsers for elementary streams) that read caps,
// best rank first.
std::vector<GstElementFactory*> splittersFor(GstCaps* caps)
{
    std::vector<GstElementFactory*> out;
    GList* all = gst_element_factory_list_get_elements(
        GstElementFactoryListType(GST_ELEMENT_FACTORY_TYPE_DEMUXER | GST_ELEMENT_FACTORY_TYPE_PARSER),
        GST_RANK_MARGINAL);
    GList* fit = gst_element_factory_list_filter(all, caps, GST_PAD_SINK, FALSE);
    fit = g_list_sort(fit, gst_plugin_feature_rank_compare_func);
    for (GList* l = fit; l; l = l->next)
        if (!isHardwareFactory(GST_ELEMENT_FACTORY(l->data))) out.push_back(GST_ELEMENT_FACTORY(l->data));
    gst_plugin_feature_list_free(fit);
    gst_plugin_feature_list_free(all); // the factories live in the registry
    return out;
}
} // namespace

HRESULT TFilterGraph::RenderFile(const QString& path)
{
    auto source = PlatformFilters::Create(PlatformFilters::CLSID_AsyncReader);
    if (!source) return E_FAIL;
    HRESULT hr = source->Load(path);
    if (FAILED(hr)) return hr;

    // The type from the first bytes, as the platform reads it.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return HRESULT_FILE_NOT_FOUND;
    const QByteArray head = file.read(256 * 1024);
    file.close();
    GstTypeFindProbability probability = GST_TYPE_FIND_NONE;
    GstCaps* caps = gst_type_find_helper_for_data(
        nullptr, reinterpret_cast<const guint8*>(head.constData()), gsize(head.size()), &probability);
    if (!caps) return VFW_E_UNSUPPORTED_STREAM;

    if (FAILED(AddFilter(source, path))) {
        gst_caps_unref(caps);
        return E_FAIL;
    }
    std::shared_ptr<TGraphFilter> splitter;
    for (GstElementFactory* factory : splittersFor(caps)) {
        GstElement* element = gst_element_factory_create(factory, nullptr);
        if (!element) continue;
        auto candidate = PlatformFilters::CreateSplitter(element);
        const QString name
            = QString::fromUtf8(gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME));
        TGraphPin* in = firstPin(candidate.get(), PINDIR_INPUT, true);
        if (!in || FAILED(AddFilter(candidate, name))) continue;
        if (ConnectDirect(source->Pin(0), in) == S_OK) {
            splitter = candidate;
            break;
        }
        RemoveFilter(candidate.get());
    }
    gst_caps_unref(caps);
    if (!splitter) {
        RemoveFilter(source.get());
        return VFW_E_UNSUPPORTED_STREAM;
    }

    int rendered = 0;
    int streams = 0;
    for (TGraphPin* pin : splitter->Pins()) {
        if (pin->Direction() != PINDIR_OUTPUT || pin->IsConnected()) continue;
        ++streams;
        for (TGraphFilter* renderer : Filters()) {
            if (!GST_OBJECT_FLAG_IS_SET(renderer->m_element, GST_ELEMENT_FLAG_SINK)) continue;
            TGraphPin* in = firstPin(renderer, PINDIR_INPUT, true);
            if (!in) continue;
            std::vector<TGraphFilter*> added;
            std::vector<QString> chain;
            if (connectThrough(pin, in, 0, added, chain) == S_OK) {
                ++rendered;
                break;
            }
        }
    }
    if (rendered == 0) {
        RemoveFilter(splitter.get());
        RemoveFilter(source.get());
        return VFW_E_CANNOT_RENDER;
    }
    return rendered == streams ? S_OK : VFW_S_PARTIAL_RENDER;
}
