#include "media/TFilterSinkElement.h"

#include "filters/TBCTransformFilter.h"
#include "graph/CapsMediaType.h"
#include "media/TAcceptedCaps.h"
#include "media/TFilterElement.h"

#include <QMutex>
#include <QMutexLocker>
#include <atomic>
#include <climits>
#include <gst/base/gstbasesink.h>
#include <optional>

GST_DEBUG_CATEGORY_STATIC(stillex_filter_sink_debug);
#define GST_CAT_DEFAULT stillex_filter_sink_debug

namespace
{

enum { PROP_0, PROP_ACCEPTED_CAPS };

struct TSinkState {
    TBCTransformFilter* filter = nullptr;
    TAcceptedCaps accepted;
    std::optional<TMediaType> inCapsType;
    std::optional<TMediaType> pendingType;
    // Per-buffer scratch. The output is never connected, so the filter gets
    // an empty sample to put its (dropped) result in.
    TMediaSample inSample;
    TMediaSample scratch;
};

struct StillexFilterSink {
    GstBaseSink parent;
    TSinkState* d;
};

struct StillexFilterSinkClass {
    GstBaseSinkClass parent_class;
};

GstBaseSinkClass* parentClass = nullptr;

TSinkState* stateOf(gpointer element)
{
    return reinterpret_cast<StillexFilterSink*>(element)->d;
}

void bindFilter(GstElement* element, TSinkState* d)
{
    TBCTransformFilter* f = d->filter;
    TFilterElement::ClaimFilter(f, element);
    f->GetDeliveryBuffer = [d](TMediaSample*& out, const TMediaSample*) -> HRESULT {
        d->scratch = TMediaSample();
        out = &d->scratch;
        return S_OK;
    };
    // Nothing is downstream: a sample the filter passes on ends here.
    f->Deliver = [](TMediaSample*) -> HRESULT { return S_OK; };
    f->DeliverEndOfStream = nullptr;
    f->DeliverBeginFlush = nullptr;
    f->DeliverEndFlush = nullptr;
    f->DeliverNewSegment = nullptr;
    f->NotifyQualityChange = nullptr;
}

GstCaps* getCaps(GstBaseSink* sink, GstCaps* filter)
{
    GstCaps* caps = stateOf(sink)->accepted.Get();
    if (filter) {
        GstCaps* narrowed = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(caps);
        caps = narrowed;
    }
    return caps;
}

bool accepts(GstBaseSink* sink, GstCaps* caps)
{
    TSinkState* d = stateOf(sink);
    return d->accepted.Accepts(caps, d->filter, GST_OBJECT(sink));
}

gboolean query(GstBaseSink* sink, GstQuery* q)
{
    if (GST_QUERY_TYPE(q) == GST_QUERY_ACCEPT_CAPS) {
        GstCaps* caps = nullptr;
        gst_query_parse_accept_caps(q, &caps);
        gst_query_set_accept_caps_result(q, accepts(sink, caps));
        return TRUE;
    }
    return parentClass->query(sink, q);
}

gboolean setCaps(GstBaseSink* sink, GstCaps* caps)
{
    TSinkState* d = stateOf(sink);
    TBCTransformFilter* f = d->filter;
    TMediaType mt;
    if (!MediaTypeFromCaps(caps, mt)) return FALSE;
    if (d->inCapsType && *d->inCapsType == mt && f->InputPin()->IsConnected()) return TRUE;
    if (f->InputPin()->IsConnected() && f->State() != State_Stopped) {
        // Accepted already (accept-caps); carried by the next sample.
        f->InputPin()->SetMediaTypeOnly(mt);
        d->pendingType = mt;
        d->inCapsType = mt;
        return TRUE;
    }
    f->DisconnectInput();
    const HRESULT hr = f->ConnectInput(mt);
    if (FAILED(hr)) {
        GST_WARNING_OBJECT(sink, "input refused (0x%08X)", unsigned(hr));
        d->inCapsType.reset();
        return FALSE;
    }
    d->inCapsType = mt;
    return TRUE;
}

gboolean sinkEvent(GstBaseSink* sink, GstEvent* event)
{
    TBCTransformFilter* f = stateOf(sink)->filter;
    TFilterElement::PassEvent(f, event);
    return parentClass->event(sink, event);
}

GstFlowReturn render(GstBaseSink* sink, GstBuffer* buffer)
{
    TSinkState* d = stateOf(sink);
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        GST_ELEMENT_ERROR(sink, STREAM, FAILED, ("The filter failed to read a buffer."), (nullptr));
        return GST_FLOW_ERROR;
    }
    TFilterElement::FillSample(d->inSample, buffer, map.data, map.size, sink->segment);
    if (d->pendingType) {
        d->inSample.SetMediaType(&*d->pendingType);
        d->pendingType.reset();
    }
    const HRESULT hr = SafeFilterCall([&] { return d->filter->Receive(&d->inSample); });
    gst_buffer_unmap(buffer, &map);
    if (FAILED(hr)) {
        GST_ELEMENT_ERROR(
            sink, STREAM, FAILED, ("The filter failed on a sample."), ("result 0x%08X", unsigned(hr)));
        return GST_FLOW_ERROR;
    }
    return GST_FLOW_OK;
}

GstStateChangeReturn changeState(GstElement* element, GstStateChange transition)
{
    TSinkState* d = stateOf(element);
    TBCTransformFilter* f = d->filter;
    switch (transition) {
    case GST_STATE_CHANGE_READY_TO_PAUSED: {
        bindFilter(element, d);
        d->inCapsType.reset();
        d->pendingType.reset();
        // Unconnected yet: the base goes to paused without streaming hooks.
        const HRESULT hr = f->Pause();
        if (FAILED(hr)) {
            GST_ELEMENT_ERROR(element, STREAM, FAILED, ("The filter failed to start streaming."),
                ("result 0x%08X", unsigned(hr)));
            return GST_STATE_CHANGE_FAILURE;
        }
        break;
    }
    case GST_STATE_CHANGE_PAUSED_TO_PLAYING:
        if (f->State() != State_Stopped) f->Run();
        break;
    default:
        break;
    }
    const GstStateChangeReturn ret = GST_ELEMENT_CLASS(parentClass)->change_state(element, transition);
    switch (transition) {
    case GST_STATE_CHANGE_PLAYING_TO_PAUSED:
        if (f->State() == State_Running) f->Pause();
        break;
    case GST_STATE_CHANGE_PAUSED_TO_READY:
        // The pad is inactive now, so no sample is on its way.
        f->Stop();
        f->DisconnectOutput();
        f->DisconnectInput();
        d->inCapsType.reset();
        d->pendingType.reset();
        // The filter need only outlive the element's run.
        TFilterElement::ReleaseFilter(f, element);
        break;
    default:
        break;
    }
    return ret;
}

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec)
{
    if (id != PROP_ACCEPTED_CAPS) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    TSinkState* d = stateOf(object);
    d->accepted.Set(gst_value_get_caps(value));
    // Upstream asks again what we take.
    GstPad* pad = GST_BASE_SINK_PAD(object);
    if (pad) gst_pad_push_event(pad, gst_event_new_reconfigure());
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec)
{
    if (id != PROP_ACCEPTED_CAPS) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    stateOf(object)->accepted.GetProperty(value);
}

void finalize(GObject* object)
{
    // No call into the filter, which may be gone (see changeState).
    TSinkState* d = stateOf(object);
    delete d;
    reinterpret_cast<StillexFilterSink*>(object)->d = nullptr;
    G_OBJECT_CLASS(parentClass)->finalize(object);
}

void classInit(gpointer klass, gpointer)
{
    parentClass = GST_BASE_SINK_CLASS(g_type_class_peek_parent(klass));
    GObjectClass* object = G_OBJECT_CLASS(klass);
    object->set_property = setProperty;
    object->get_property = getProperty;
    object->finalize = finalize;
    TAcceptedCaps::InstallProperty(object, PROP_ACCEPTED_CAPS);

    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    element->change_state = changeState;
    gst_element_class_set_static_metadata(element, "Stillex filter sink", "Sink",
        "Runs one of the application's media filters as the end of a chain", "Stillex");
    static GstStaticPadTemplate sinkTemplate
        = GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
    gst_element_class_add_static_pad_template(element, &sinkTemplate);

    GstBaseSinkClass* base = GST_BASE_SINK_CLASS(klass);
    base->get_caps = getCaps;
    base->set_caps = setCaps;
    base->query = query;
    base->event = sinkEvent;
    base->render = render;
}

void instanceInit(GTypeInstance* instance, gpointer)
{
    reinterpret_cast<StillexFilterSink*>(instance)->d = new TSinkState;
    gst_base_sink_set_sync(GST_BASE_SINK(instance), FALSE);
}

} // namespace

GType TFilterSinkElement::Type()
{
    static const GType type = [] {
        GST_DEBUG_CATEGORY_INIT(stillex_filter_sink_debug, "stillexfiltersink", 0, "Stillex filter sink");
        return g_type_register_static_simple(GST_TYPE_BASE_SINK, "StillexFilterSink",
            sizeof(StillexFilterSinkClass), classInit, sizeof(StillexFilterSink), instanceInit,
            GTypeFlags(0));
    }();
    return type;
}

GstElement* TFilterSinkElement::Create(
    TBCTransformFilter* filter, const char* name, const char* acceptedInputCaps)
{
    if (!filter) return nullptr;
    GstCaps* accepted = nullptr;
    if (acceptedInputCaps) {
        accepted = gst_caps_from_string(acceptedInputCaps);
        if (!accepted) return nullptr;
    }
    GstElement* element = GST_ELEMENT(g_object_new(Type(), "name", name, nullptr));
    TSinkState* d = stateOf(element);
    d->filter = filter;
    d->accepted.Adopt(accepted);
    g_object_set_qdata(G_OBJECT(element), g_quark_from_static_string("stillex-filter"), filter);
    return element;
}
