#include "graph/TGraphFilter.h"

#include "graph/TFilterGraph.h"

#include <QFileInfo>

namespace
{
// How much a splitter may read, past its first buffer, to discover streams
// that announce themselves only as they appear (program streams).
constexpr GstClockTime ScanSpan = GST_SECOND;
constexpr guint64 ScanBytes = 4 * 1024 * 1024;

const char* const FilterKey = "stillex-graph-filter";

GQuark pushOnlyQuark()
{
    static const GQuark quark = g_quark_from_static_string("stillex-push-only");
    return quark;
}

GstElement* locationElement(GstElement* element)
{
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "location")) return element;
    if (!GST_IS_BIN(element)) return nullptr;
    GstElement* found = nullptr;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(element));
    GValue item = G_VALUE_INIT;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* child = GST_ELEMENT(g_value_get_object(&item));
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(child), "location")) found = child;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}
} // namespace

TGraphFilter::TGraphFilter(GstElement* element, const GUID& classId, bool fileSource)
    : m_element(GST_ELEMENT(gst_object_ref_sink(element)))
    , m_classId(classId)
    , m_fileSource(fileSource)
{
    g_object_set_data(G_OBJECT(m_element), FilterKey, this);
    QMutexLocker lock(&m_lock);
    // Inputs first, then outputs, each in the element's own order.
    for (GstPadDirection direction : { GST_PAD_SINK, GST_PAD_SRC }) {
        for (GList* l = m_element->pads; l; l = l->next)
            if (GST_PAD_DIRECTION(l->data) == direction) addPin(GST_PAD(l->data));
    }
    // A splitter behind an element that only takes pushed data must not
    // pull through it (it would, through a passthrough transform).
    if (g_object_get_qdata(G_OBJECT(m_element), pushOnlyQuark())) {
        for (GList* l = m_element->pads; l; l = l->next)
            if (GST_PAD_DIRECTION(l->data) == GST_PAD_SRC)
                gst_pad_add_probe(
                    GST_PAD(l->data), GST_PAD_PROBE_TYPE_QUERY_UPSTREAM, onSchedulingQuery, nullptr, nullptr);
    }
    m_signals[0] = g_signal_connect(m_element, "pad-added", G_CALLBACK(onPadAdded), this);
    m_signals[1] = g_signal_connect(m_element, "pad-removed", G_CALLBACK(onPadRemoved), this);
    m_signals[2] = g_signal_connect(m_element, "no-more-pads", G_CALLBACK(onNoMorePads), this);
}

void TGraphFilter::MarkPushOnly(GstElement* element)
{
    if (element) g_object_set_qdata(G_OBJECT(element), pushOnlyQuark(), GINT_TO_POINTER(1));
}

GstPadProbeReturn TGraphFilter::onSchedulingQuery(GstPad*, GstPadProbeInfo* info, gpointer)
{
    GstQuery* query = GST_PAD_PROBE_INFO_QUERY(info);
    if (GST_QUERY_TYPE(query) != GST_QUERY_SCHEDULING) return GST_PAD_PROBE_OK;
    gst_query_set_scheduling(query, GST_SCHEDULING_FLAG_SEEKABLE, 1, -1, 0);
    gst_query_add_scheduling_mode(query, GST_PAD_MODE_PUSH);
    return GST_PAD_PROBE_HANDLED;
}

TGraphFilter::~TGraphFilter()
{
    if (m_graph) m_graph->RemoveFilter(this);
    gst_element_set_state(m_element, GST_STATE_NULL);
    for (gulong id : m_signals)
        if (id) g_signal_handler_disconnect(m_element, id);
    {
        QMutexLocker lock(&m_lock);
        for (auto& pin : m_allPins) {
            removeProbe(pin.get());
            removeRendererProbe(pin.get());
        }
        removeDecodedProbe();
    }
    g_object_set_data(G_OBJECT(m_element), FilterKey, nullptr);
    gst_object_unref(m_element);
}

std::shared_ptr<TGraphFilter> TGraphFilter::FromFactory(const char* factory, const GUID& classId)
{
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (!element) return nullptr;
    return std::make_shared<TGraphFilter>(element, classId);
}

TGraphFilter* TGraphFilter::FromElement(GstElement* element)
{
    return element ? static_cast<TGraphFilter*>(g_object_get_data(G_OBJECT(element), FilterKey)) : nullptr;
}

std::vector<TGraphPin*> TGraphFilter::Pins() const
{
    QMutexLocker lock(&m_lock);
    return m_pins;
}

TGraphPin* TGraphFilter::Pin(int n) const
{
    QMutexLocker lock(&m_lock);
    return n >= 0 && size_t(n) < m_pins.size() ? m_pins[size_t(n)] : nullptr;
}

TGraphPin* TGraphFilter::FindPinByName(const QString& name) const
{
    QMutexLocker lock(&m_lock);
    for (TGraphPin* pin : m_pins)
        if (pin->Name() == name) return pin;
    return nullptr;
}

bool TGraphFilter::HasConnectedPin(PIN_DIRECTION direction) const
{
    QMutexLocker lock(&m_lock);
    for (TGraphPin* pin : m_pins)
        if (pin->Direction() == direction && pin->IsConnected()) return true;
    return false;
}

bool TGraphFilter::HasConnectedPin() const
{
    return HasConnectedPin(PINDIR_INPUT) || HasConnectedPin(PINDIR_OUTPUT);
}

bool TGraphFilter::HasDynamicOutputs() const
{
    if (m_dynamic) return true;
    for (const GList* l = gst_element_class_get_pad_template_list(GST_ELEMENT_GET_CLASS(m_element)); l;
         l = l->next) {
        auto* templ = GST_PAD_TEMPLATE(l->data);
        if (GST_PAD_TEMPLATE_DIRECTION(templ) == GST_PAD_SRC
            && GST_PAD_TEMPLATE_PRESENCE(templ) == GST_PAD_SOMETIMES)
            return true;
    }
    return false;
}

QString TGraphFilter::LastError() const
{
    QMutexLocker lock(&m_lock);
    return m_error;
}

HRESULT TGraphFilter::Load(const QString& path, const TMediaType*)
{
    if (!m_fileSource) return E_NOINTERFACE;
    if (m_live) return VFW_E_WRONG_STATE;
    GstElement* target = locationElement(m_element);
    if (!target) return E_NOINTERFACE;
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) return HRESULT_FILE_NOT_FOUND;
    g_object_set(target, "location", QFile::encodeName(info.absoluteFilePath()).constData(), nullptr);
    m_path = path;
    // A reader with its own splitter: its outputs are the streams, so they
    // must exist when Load returns.
    if (m_graph && HasDynamicOutputs()) {
        m_loaded = true;
        m_graph->bringUp(nullptr, this);
        const HRESULT hr = m_graph->waitForPins(this);
        if (FAILED(hr)) {
            m_loaded = false;
            m_graph->takeDown(this);
            return VFW_E_UNSUPPORTED_STREAM;
        }
    }
    return S_OK;
}

TGraphPin* TGraphFilter::addPin(GstPad* pad)
{
    m_allPins.push_back(std::make_unique<TGraphPin>(this, pad));
    TGraphPin* pin = m_allPins.back().get();
    if (pin->Direction() == PINDIR_INPUT) {
        // Keep inputs ahead of outputs.
        auto it = m_pins.begin();
        while (it != m_pins.end() && (*it)->Direction() == PINDIR_INPUT)
            ++it;
        m_pins.insert(it, pin);
    } else {
        m_pins.push_back(pin);
        installProbe(pin);
    }
    return pin;
}

void TGraphFilter::installProbe(TGraphPin* pin)
{
    if (pin->m_probe || !pin->m_pad || pin->Direction() != PINDIR_OUTPUT) return;
    pin->m_probe = gst_pad_add_probe(pin->m_pad,
        GstPadProbeType(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_PUSH | GST_PAD_PROBE_TYPE_BUFFER
            | GST_PAD_PROBE_TYPE_BUFFER_LIST | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        onOutputData, pin, nullptr);
}

void TGraphFilter::removeProbe(TGraphPin* pin)
{
    if (pin->m_probe && pin->m_pad) gst_pad_remove_probe(pin->m_pad, pin->m_probe);
    pin->m_probe = 0;
}

void TGraphFilter::setReleasingHeld(bool on)
{
    QMutexLocker lock(&m_lock);
    m_releasingHeld = on;
    if (!on) return;
    // A thread waiting in a probe is only asked again by a probe it has not
    // yet been through: the probe is replaced, not just told.
    for (TGraphPin* pin : m_pins) {
        if (!pin->m_probe || !pin->m_pad) continue;
        const gulong old = pin->m_probe;
        pin->m_probe = 0;
        installProbe(pin);
        gst_pad_remove_probe(pin->m_pad, old);
    }
}

void TGraphFilter::removeDecodedProbe()
{
    if (m_decodedPad) {
        if (m_decodedProbe) gst_pad_remove_probe(m_decodedPad, m_decodedProbe);
        gst_object_unref(m_decodedPad);
    }
    m_decodedPad = nullptr;
    m_decodedProbe = 0;
    if (m_codedPad) {
        if (m_codedProbe) gst_pad_remove_probe(m_codedPad, m_codedProbe);
        gst_object_unref(m_codedPad);
    }
    m_codedPad = nullptr;
    m_codedProbe = 0;
}

void TGraphFilter::removeRendererProbe(TGraphPin* pin)
{
    if (pin->m_renderProbe && pin->m_pad) gst_pad_remove_probe(pin->m_pad, pin->m_renderProbe);
    pin->m_renderProbe = 0;
}

void TGraphFilter::resetScan()
{
    QMutexLocker lock(&m_lock);
    m_noMorePads = false;
    m_scanDone = !HasDynamicOutputs();
    m_failed = false;
    m_scanFirst = GST_CLOCK_TIME_NONE;
    m_scanBytes = 0;
    m_startTime = GST_CLOCK_TIME_NONE;
    m_startTold = false;
}

void TGraphFilter::markScanDone()
{
    m_scanDone = true;
    TFilterGraph::wakeWaiters();
}

void TGraphFilter::onPadAdded(GstElement*, GstPad* pad, gpointer self)
{
    auto* filter = static_cast<TGraphFilter*>(self);
    {
        QMutexLocker lock(&filter->m_lock);
        for (TGraphPin* pin : filter->m_pins)
            if (pin->m_pad == pad) return;
        filter->addPin(pad);
    }
    TFilterGraph::wakeWaiters();
}

void TGraphFilter::onPadRemoved(GstElement*, GstPad* pad, gpointer self)
{
    auto* filter = static_cast<TGraphFilter*>(self);
    QMutexLocker lock(&filter->m_lock);
    for (auto it = filter->m_pins.begin(); it != filter->m_pins.end(); ++it) {
        TGraphPin* pin = *it;
        if (pin->m_pad != pad) continue;
        filter->removeProbe(pin);
        filter->removeRendererProbe(pin);
        if (pin->m_peer) pin->m_peer->m_peer = nullptr;
        pin->m_peer = nullptr;
        filter->m_pins.erase(it);
        pin->m_pad = nullptr;
        break;
    }
}

void TGraphFilter::onNoMorePads(GstElement*, gpointer self)
{
    auto* filter = static_cast<TGraphFilter*>(self);
    QMutexLocker lock(&filter->m_lock);
    filter->m_noMorePads = true;
    filter->markScanDone();
}

// Data leaving an unconnected output. An unconnected DirectShow pin simply
// delivers nothing; here the data must go somewhere, and where depends on the
// moment: while a splitter is still discovering its streams it is dropped;
// while the graph is being built it waits here (the splitter stops reading,
// so probing never reads a whole file); once the graph plays it is dropped,
// so that streams nobody uses neither stall the others nor fail the splitter.
GstPadProbeReturn TGraphFilter::onOutputData(GstPad* pad, GstPadProbeInfo* info, gpointer data)
{
    auto* pin = static_cast<TGraphPin*>(data);
    TGraphFilter* filter = pin->m_filter;
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        QMutexLocker lock(&filter->m_lock);
        // A connected output kept its probe only to drop a refused type:
        // what it says of the stream (where it starts, its end) is no
        // longer news.
        if (pin->m_peer) return GST_PAD_PROBE_PASS;
        if (GST_EVENT_TYPE(event) == GST_EVENT_EOS) filter->markScanDone();
        // Someone may be waiting to learn what this pin carries, or where
        // its stream starts.
        if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) TFilterGraph::wakeWaiters();
        if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT && !GST_CLOCK_TIME_IS_VALID(filter->m_startTime)) {
            // The first segment a splitter announces says where its stream
            // starts; program streams rarely start at 0.
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(event, &segment);
            if (segment->format == GST_FORMAT_TIME) filter->m_startTime = segment->time;
        }
        if ((GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT || GST_EVENT_TYPE(event) == GST_EVENT_EOS)
            && !filter->m_startTold) {
            filter->m_startTold = true;
            TFilterGraph::wakeWaiters();
        }
        // Linked, but the other end is still being brought up: an event
        // pushed into it now would be refused as flushing, and the task
        // upstream would stop. It waits here (the pad knows its caps all
        // the same) until the connection is complete.
        if (!pin->m_peer && gst_pad_is_linked(pad))
            return filter->m_releasingHeld ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
        return GST_PAD_PROBE_PASS;
    }
    QMutexLocker lock(&filter->m_lock);
    if (pin->m_peer) {
        if (!pin->m_staleCaps) return GST_PAD_PROBE_PASS;
        lock.unlock();
        GstPad* peer = gst_pad_get_peer(pad);
        GstCaps* caps = gst_pad_get_current_caps(pad);
        const bool takes = peer && caps && gst_pad_query_accept_caps(peer, caps);
        if (caps) gst_caps_unref(caps);
        if (peer) gst_object_unref(peer);
        if (!takes) return GST_PAD_PROBE_DROP;
        lock.relock();
        // Taken apart meanwhile: the probe holds again.
        if (!pin->m_peer) return GST_PAD_PROBE_DROP;
        pin->m_staleCaps = false;
        // Its work done, the probe goes, unless it was already replaced.
        if (pin->m_probe != info->id) return GST_PAD_PROBE_PASS;
        pin->m_probe = 0;
        return GST_PAD_PROBE_REMOVE;
    }
    TFilterGraph* graph = filter->m_graph;
    if (graph && !graph->Building()) return GST_PAD_PROBE_DROP;
    if (filter->m_scanDone) // hold until the graph restarts
        return filter->m_releasingHeld ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;

    GstClockTime pts = GST_CLOCK_TIME_NONE;
    guint64 size = 0;
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        pts = GST_BUFFER_PTS(buffer);
        size = gst_buffer_get_size(buffer);
    } else if (GstBufferList* list = GST_PAD_PROBE_INFO_BUFFER_LIST(info)) {
        size = gst_buffer_list_calculate_size(list);
    }
    filter->m_scanBytes += size;
    if (GST_CLOCK_TIME_IS_VALID(pts)) {
        if (!GST_CLOCK_TIME_IS_VALID(filter->m_scanFirst)) filter->m_scanFirst = pts;
        if (pts > filter->m_scanFirst + ScanSpan) filter->markScanDone();
    }
    if (filter->m_scanBytes > ScanBytes) filter->markScanDone();
    return GST_PAD_PROBE_DROP;
}
