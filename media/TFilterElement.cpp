#include "media/TFilterElement.h"

#include "filters/TBCTransInPlaceFilter.h"
#include "filters/TBCTransformFilter.h"
#include "graph/CapsMediaType.h"
#include "graph/TGraphFilter.h"
#include "media/TAcceptedCaps.h"
#include "media/TFilterSinkElement.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <algorithm>
#include <atomic>
#include <climits>
#include <gst/base/gstbasetransform.h>
#include <gst/video/video.h>
#include <optional>

GST_DEBUG_CATEGORY_STATIC(stillex_filter_debug);
#define GST_CAT_DEFAULT stillex_filter_debug

namespace
{

// Both kinds of element keep their filter here, so that Filter() needs no
// knowledge of the instance layout.
GQuark filterQuark()
{
    static const GQuark quark = g_quark_from_static_string("stillex-filter");
    return quark;
}

enum { PROP_0, PROP_ACCEPTED_CAPS };

// Everything the element keeps beside the GObject parts. Fields used while
// streaming are touched only by the streaming thread; the others are set in
// the state-change thread while nothing streams.
struct TElementState {
    TBCTransformFilter* filter = nullptr;
    TBCTransInPlaceFilter* inPlace = nullptr;

    TAcceptedCaps accepted;

    std::atomic<bool> started { false }; // between READY->PAUSED and PAUSED->READY
    std::atomic<bool> playing { false };

    // The types as made from the negotiated caps (the pins may hold amended
    // copies, e.g. after SetMediaType fixed the rectangles).
    std::optional<TMediaType> inCapsType;
    std::optional<TMediaType> outCapsType;
    // The output type proposed for the last fixed input caps, and its caps.
    TMediaType proposedOut;
    GstCaps* proposedCaps = nullptr;
    // A type accepted mid-stream, carried by the next sample.
    std::optional<TMediaType> pendingType;
    gsize outBufferSize = 0;
    RECT crop {};
    int outWidth = 0, outHeight = 0;

    // Per-buffer scratch: no allocation per frame.
    TMediaSample inSample, outSample;
    GstBuffer* outBuffer = nullptr;
    GstMapInfo outMap {};
    bool outMapped = false;
    TMediaSample* delivered = nullptr;
    bool qualityPosted = false;
};

struct StillexFilterElement {
    GstBaseTransform parent;
    TElementState* d;
};

struct StillexFilterElementClass {
    GstBaseTransformClass parent_class;
};

GstBaseTransformClass* parentClass = nullptr;

TElementState* stateOf(gpointer element)
{
    return reinterpret_cast<StillexFilterElement*>(element)->d;
}

// Which element a filter currently works for: a filter is put into new
// elements many times, and an old element going away must not unbind or
// stop it under the new one.
QMutex ownersLock;
QHash<TBCTransformFilter*, GstElement*> owners;

int32_t clampSize(gsize size)
{
    return int32_t(std::min<gsize>(size, INT32_MAX));
}

gsize frameSize(GstCaps* caps, const TMediaType& mt)
{
    GstVideoInfo info;
    if (caps && gst_caps_is_fixed(caps) && gst_video_info_from_caps(&info, caps)) return info.size;
    return mt.lSampleSize;
}

void postFailure(GstElement* element, const char* what, HRESULT hr)
{
    GST_ELEMENT_ERROR(
        element, STREAM, FAILED, ("The filter failed %s.", what), ("result 0x%08X", unsigned(hr)));
}

// ---- the filter's delivery side, bound to this element ----

void bindFilter(GstElement* element, TElementState* d)
{
    TBCTransformFilter* f = d->filter;
    TFilterElement::ClaimFilter(f, element);
    f->GetDeliveryBuffer = [d](TMediaSample*& out, const TMediaSample*) -> HRESULT {
        if (!d->outBuffer) return VFW_E_NOT_CONNECTED;
        if (!d->outMapped) {
            if (!gst_buffer_map(d->outBuffer, &d->outMap, GST_MAP_WRITE)) return E_OUTOFMEMORY;
            d->outMapped = true;
        }
        TMediaSample& s = d->outSample;
        s.Attach(d->outMap.data, clampSize(d->outMap.size));
        s.SetTime(nullptr, nullptr);
        s.SetMediaTime(nullptr, nullptr);
        s.SetMediaType(nullptr);
        s.SetSyncPoint(false);
        s.SetDiscontinuity(false);
        s.SetPreroll(false);
        s.StreamId = 0;
        s.TypeSpecificFlags = 0;
        out = &s;
        return S_OK;
    };
    // GStreamer pushes what the transform hands back and forwards the events
    // itself: these only record that the filter let the sample go on.
    f->Deliver = [d](TMediaSample* s) -> HRESULT {
        d->delivered = s;
        return S_OK;
    };
    f->DeliverEndOfStream = [] { return S_OK; };
    f->DeliverBeginFlush = [] { return S_OK; };
    f->DeliverEndFlush = [] { return S_OK; };
    f->DeliverNewSegment = [](REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; };
    f->NotifyQualityChange = [element, d] {
        // One element message per run of dropped samples; the base already
        // sends it only once until a sample is delivered again.
        gst_element_post_message(element,
            gst_message_new_element(GST_OBJECT(element), gst_structure_new_empty("stillex-quality-change")));
        d->qualityPosted = true;
    };
}

void unbindFilter(TBCTransformFilter* f)
{
    f->GetDeliveryBuffer = nullptr;
    f->Deliver = nullptr;
    f->DeliverEndOfStream = nullptr;
    f->DeliverBeginFlush = nullptr;
    f->DeliverEndFlush = nullptr;
    f->DeliverNewSegment = nullptr;
    f->NotifyQualityChange = nullptr;
}

void resetNegotiation(TElementState* d)
{
    d->inCapsType.reset();
    d->outCapsType.reset();
    d->pendingType.reset();
    gst_caps_replace(&d->proposedCaps, nullptr);
    d->outBufferSize = 0;
    d->crop = RECT {};
    d->outWidth = d->outHeight = 0;
}

// The input pin for `mt`. Stopped: a full connection (any old one is broken
// first). Streaming: the type was accepted already; like a type change on a
// running pin, it is noted on the pin and travels with the next sample.
HRESULT ensureInput(TElementState* d, GstCaps* caps, const TMediaType& mt)
{
    TBCTransformFilter* f = d->filter;
    if (d->inCapsType && *d->inCapsType == mt && f->InputPin()->IsConnected()) return S_OK;
    if (f->InputPin()->IsConnected() && f->State() != State_Stopped) {
        const HRESULT hr = f->CheckInputType(mt);
        if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
        f->InputPin()->SetMediaTypeOnly(mt);
        d->pendingType = mt;
        d->inCapsType = mt;
        return S_OK;
    }
    f->DisconnectOutput();
    f->DisconnectInput();
    d->outCapsType.reset();
    const HRESULT hr = f->ConnectInput(mt);
    if (FAILED(hr)) {
        d->inCapsType.reset();
        return hr;
    }
    ALLOCATOR_PROPERTIES& props = f->InputPin()->Allocator().Properties;
    props.cBuffers = std::max(props.cBuffers, 1);
    props.cbBuffer = clampSize(frameSize(caps, mt));
    props.cbAlign = std::max(props.cbAlign, 1);
    d->inCapsType = mt;
    return S_OK;
}

HRESULT ensureOutput(TElementState* d, const TMediaType& mt)
{
    TBCTransformFilter* f = d->filter;
    if (d->outCapsType && *d->outCapsType == mt && f->OutputPin()->IsConnected()) return S_OK;
    if (d->inPlace && f->OutputPin()->IsConnected() && f->State() != State_Stopped) {
        // In place the output type is the input's; nothing to reconnect.
        f->OutputPin()->SetMediaTypeOnly(mt);
        d->outCapsType = mt;
        return S_OK;
    }
    f->DisconnectOutput();
    const HRESULT hr = f->ConnectOutput(mt);
    if (FAILED(hr)) {
        d->outCapsType.reset();
        return hr;
    }
    d->outCapsType = mt;
    return S_OK;
}

// The picture rectangle of the output, for the crop meta.
void takeCrop(TElementState* d, const TMediaType& mt)
{
    RECT source {}, target {};
    BITMAPINFOHEADER bih;
    d->crop = RECT {};
    if (!mt.GetRects(source, target) || !mt.GetBitmapHeader(bih)) return;
    d->outWidth = bih.biWidth;
    d->outHeight = std::abs(bih.biHeight);
    if (source.right > source.left && source.bottom > source.top) d->crop = source;
}

// ---- GstBaseTransform ----

GstCaps* transformCaps(GstBaseTransform* trans, GstPadDirection direction, GstCaps* caps, GstCaps* filter)
{
    TElementState* d = stateOf(trans);
    GstCaps* result = nullptr;
    if (d->inPlace) {
        // Same caps both ways, within what the filter is said to take.
        GstCaps* accepted = d->accepted.Get();
        result = gst_caps_intersect(caps, accepted);
        gst_caps_unref(accepted);
    } else if (direction == GST_PAD_SRC) {
        // What can come in for a given output: what the filter takes.
        result = d->accepted.Get();
    } else {
        // The output depends on the filter's proposal for a fixed input,
        // made in fixateCaps.
        result = gst_caps_new_any();
    }
    if (filter) {
        GstCaps* narrowed = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(result);
        result = narrowed;
    }
    return result;
}

GstCaps* fixateCaps(GstBaseTransform* trans, GstPadDirection direction, GstCaps* caps, GstCaps* othercaps)
{
    TElementState* d = stateOf(trans);
    if (d->inPlace || direction != GST_PAD_SINK)
        return parentClass->fixate_caps(trans, direction, caps, othercaps);

    TMediaType in, out;
    GstCaps* proposed = nullptr;
    if (MediaTypeFromCaps(caps, in) && SUCCEEDED(ensureInput(d, caps, in))
        && SUCCEEDED(SafeFilterCall([&] { return d->filter->ProposeOutputType(out); })))
        proposed = CapsFromMediaType(out);
    if (!proposed) {
        GST_WARNING_OBJECT(trans, "the filter proposes no output for %" GST_PTR_FORMAT, caps);
        return parentClass->fixate_caps(trans, direction, caps, othercaps);
    }
    gst_caps_unref(othercaps);
    d->proposedOut = out;
    gst_caps_replace(&d->proposedCaps, proposed);
    return proposed;
}

gboolean acceptCaps(GstBaseTransform* trans, GstPadDirection direction, GstCaps* caps)
{
    TElementState* d = stateOf(trans);
    if (direction != GST_PAD_SINK) return parentClass->accept_caps(trans, direction, caps);
    return d->accepted.Accepts(caps, d->filter, GST_OBJECT(trans), d->filter->State() == State_Stopped);
}

gboolean setCaps(GstBaseTransform* trans, GstCaps* incaps, GstCaps* outcaps)
{
    TElementState* d = stateOf(trans);
    TBCTransformFilter* f = d->filter;
    TMediaType in;
    if (!MediaTypeFromCaps(incaps, in)) {
        GST_WARNING_OBJECT(trans, "no media type for %" GST_PTR_FORMAT, incaps);
        return FALSE;
    }
    HRESULT hr = ensureInput(d, incaps, in);
    if (FAILED(hr)) {
        GST_WARNING_OBJECT(trans, "input refused (0x%08X)", unsigned(hr));
        return FALSE;
    }
    if (d->inPlace) {
        d->inPlace->CopyToOutput = false;
        hr = ensureOutput(d, f->InputPin()->CurrentMediaType());
        gst_base_transform_set_passthrough(trans, TRUE);
    } else {
        TMediaType out;
        if (d->proposedCaps && gst_caps_is_equal(outcaps, d->proposedCaps))
            out = d->proposedOut;
        else if (!MediaTypeFromCaps(outcaps, out)) {
            GST_WARNING_OBJECT(trans, "no media type for %" GST_PTR_FORMAT, outcaps);
            return FALSE;
        }
        hr = ensureOutput(d, out);
        if (SUCCEEDED(hr)) {
            const gsize pool = gsize(std::max(f->OutputPin()->Allocator().Properties.cbBuffer, 0));
            d->outBufferSize = std::max(frameSize(outcaps, out), pool);
            takeCrop(d, out);
        }
    }
    if (FAILED(hr)) {
        GST_WARNING_OBJECT(trans, "output refused (0x%08X)", unsigned(hr));
        return FALSE;
    }
    // The filter starts streaming once it is connected: GStreamer negotiates
    // after READY->PAUSED, the filter wants its types before StartStreaming.
    if (d->started && f->State() == State_Stopped) {
        hr = f->Pause();
        if (FAILED(hr)) {
            postFailure(GST_ELEMENT(trans), "to start streaming", hr);
            return FALSE;
        }
        if (d->playing) f->Run();
    }
    return TRUE;
}

gboolean transformSize(GstBaseTransform* trans, GstPadDirection direction, GstCaps* caps, gsize size,
    GstCaps* othercaps, gsize* othersize)
{
    TElementState* d = stateOf(trans);
    *othersize = direction == GST_PAD_SINK && d->outBufferSize ? d->outBufferSize : size;
    return TRUE;
}

gboolean decideAllocation(GstBaseTransform* trans, GstQuery* query)
{
    // Our own pool when downstream offers none, and buffers at least as large
    // as DecideBufferSize was granted: the output type may say less than
    // the filter writes.
    TElementState* d = stateOf(trans);
    const ALLOCATOR_PROPERTIES props = d->filter->OutputPin()->Allocator().Properties;
    const guint wantSize = guint(std::min<gsize>(d->outBufferSize, G_MAXUINT));
    const guint wantCount = guint(std::max(props.cBuffers, 1));
    if (gst_query_get_n_allocation_pools(query) > 0) {
        GstBufferPool* pool = nullptr;
        guint size = 0, min = 0, max = 0;
        gst_query_parse_nth_allocation_pool(query, 0, &pool, &size, &min, &max);
        if (!pool || size < wantSize) {
            if (pool) gst_object_unref(pool);
            pool = gst_buffer_pool_new();
        }
        size = std::max(size, wantSize);
        min = std::max(min, wantCount);
        if (max && max < min) max = min;
        gst_query_set_nth_allocation_pool(query, 0, pool, size, min, max);
        gst_object_unref(pool);
    } else {
        GstBufferPool* pool = gst_buffer_pool_new();
        gst_query_add_allocation_pool(query, pool, wantSize, wantCount, 0);
        gst_object_unref(pool);
    }
    return parentClass->decide_allocation(trans, query);
}

gboolean startElement(GstBaseTransform* trans)
{
    TElementState* d = stateOf(trans);
    bindFilter(GST_ELEMENT(trans), d);
    resetNegotiation(d);
    d->started = true;
    return TRUE;
}

gboolean stopElement(GstBaseTransform* trans)
{
    TElementState* d = stateOf(trans);
    d->started = false;
    const HRESULT hr = d->filter->Stop();
    if (FAILED(hr)) GST_WARNING_OBJECT(trans, "StopStreaming failed (0x%08X)", unsigned(hr));
    // GStreamer forgets the caps when it stops; the pins forget their types.
    d->filter->DisconnectOutput();
    d->filter->DisconnectInput();
    resetNegotiation(d);
    // From here on the filter may go away before the element does (an
    // element can be finalized late, on another thread): let go of it.
    TFilterElement::ReleaseFilter(d->filter, GST_ELEMENT(trans));
    return TRUE;
}

gboolean sinkEvent(GstBaseTransform* trans, GstEvent* event)
{
    TElementState* d = stateOf(trans);
    TBCTransformFilter* f = d->filter;
    TFilterElement::PassEvent(f, event);
    return parentClass->sink_event(trans, event);
}

GstFlowReturn finishBuffer(GstBaseTransform* trans, TElementState* d, HRESULT hr)
{
    if (FAILED(hr)) {
        postFailure(GST_ELEMENT(trans), "on a sample", hr);
        return GST_FLOW_ERROR;
    }
    return d->delivered ? GST_FLOW_OK : GST_BASE_TRANSFORM_FLOW_DROPPED;
}

void attachPendingType(TElementState* d)
{
    if (d->pendingType) {
        d->inSample.SetMediaType(&*d->pendingType);
        d->pendingType.reset();
    }
}

GstFlowReturn transformBuffers(GstBaseTransform* trans, GstBuffer* inbuf, GstBuffer* outbuf)
{
    TElementState* d = stateOf(trans);
    GstMapInfo inMap;
    if (!gst_buffer_map(inbuf, &inMap, GST_MAP_READ)) {
        postFailure(GST_ELEMENT(trans), "to read a buffer", E_FAIL);
        return GST_FLOW_ERROR;
    }
    TFilterElement::FillSample(d->inSample, inbuf, inMap.data, inMap.size, trans->segment);
    attachPendingType(d);
    d->outBuffer = outbuf;
    d->outMapped = false;
    d->delivered = nullptr;
    const HRESULT hr = SafeFilterCall([&] { return d->filter->Receive(&d->inSample); });
    gst_buffer_unmap(inbuf, &inMap);
    if (d->outMapped) gst_buffer_unmap(outbuf, &d->outMap);
    d->outMapped = false;
    d->outBuffer = nullptr;

    const GstFlowReturn ret = finishBuffer(trans, d, hr);
    if (ret != GST_FLOW_OK || d->delivered != &d->outSample) return ret;

    TFilterElement::ApplySample(d->outSample, d->inSample, outbuf, trans->segment);
    if (const TMediaType* changed = d->outSample.MediaType()) {
        // The filter changed its output type on its own (a larger picture):
        // note the new picture rectangle, and renegotiate when the caps
        // differ, which goes through the output connection again.
        takeCrop(d, *changed);
        GstCaps* caps = CapsFromMediaType(*changed);
        GstCaps* current = gst_pad_get_current_caps(GST_BASE_TRANSFORM_SRC_PAD(trans));
        if (caps && current && !gst_caps_is_equal(caps, current)) gst_base_transform_reconfigure_src(trans);
        if (caps) gst_caps_unref(caps);
        if (current) gst_caps_unref(current);
    }
    if (d->crop.right > 0 && d->crop.bottom > 0
        && (d->crop.right - d->crop.left < d->outWidth || d->crop.bottom - d->crop.top < d->outHeight)) {
        GstVideoCropMeta* meta = gst_buffer_add_video_crop_meta(outbuf);
        meta->x = guint(std::clamp(d->crop.left, 0, d->outWidth));
        meta->y = guint(std::clamp(d->crop.top, 0, d->outHeight));
        meta->width = guint(std::clamp(d->crop.right, 0, d->outWidth)) - meta->x;
        meta->height = guint(std::clamp(d->crop.bottom, 0, d->outHeight)) - meta->y;
    }
    return GST_FLOW_OK;
}

GstFlowReturn transformInPlace(GstBaseTransform* trans, GstBuffer* buffer)
{
    // Passthrough: the buffer is not ours to write, the in-place filters
    // running here only read it.
    TElementState* d = stateOf(trans);
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        postFailure(GST_ELEMENT(trans), "to read a buffer", E_FAIL);
        return GST_FLOW_ERROR;
    }
    TFilterElement::FillSample(d->inSample, buffer, map.data, map.size, trans->segment);
    attachPendingType(d);
    d->outBuffer = nullptr;
    d->delivered = nullptr;
    const HRESULT hr = SafeFilterCall([&] { return d->filter->Receive(&d->inSample); });
    gst_buffer_unmap(buffer, &map);
    return finishBuffer(trans, d, hr);
}

GstStateChangeReturn changeState(GstElement* element, GstStateChange transition)
{
    TElementState* d = stateOf(element);
    if (transition == GST_STATE_CHANGE_PAUSED_TO_PLAYING) {
        d->playing = true;
        if (d->filter->State() != State_Stopped) d->filter->Run();
    }
    // Deactivating the pads waits for the streaming thread, which may be
    // waiting in the filter for the very thread that stops it.
    if (transition == GST_STATE_CHANGE_PAUSED_TO_READY) d->filter->ReleaseStreamingWaits();
    const GstStateChangeReturn ret = GST_ELEMENT_CLASS(parentClass)->change_state(element, transition);
    if (transition == GST_STATE_CHANGE_PLAYING_TO_PAUSED) {
        d->playing = false;
        if (d->filter->State() == State_Running) d->filter->Pause();
    }
    return ret;
}

// ---- GObject ----

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec)
{
    if (id != PROP_ACCEPTED_CAPS) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    TElementState* d = stateOf(object);
    const GstCaps* caps = gst_value_get_caps(value);
    d->accepted.Set(caps);
    gst_base_transform_reconfigure_sink(GST_BASE_TRANSFORM(object));
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
    // No call into the filter: it need only outlive the element's run (see
    // stopElement), and the last reference may be dropped on any thread.
    TElementState* d = stateOf(object);
    gst_caps_replace(&d->proposedCaps, nullptr);
    delete d;
    reinterpret_cast<StillexFilterElement*>(object)->d = nullptr;
    G_OBJECT_CLASS(parentClass)->finalize(object);
}

void classInit(gpointer klass, gpointer)
{
    parentClass = GST_BASE_TRANSFORM_CLASS(g_type_class_peek_parent(klass));
    GObjectClass* object = G_OBJECT_CLASS(klass);
    object->set_property = setProperty;
    object->get_property = getProperty;
    object->finalize = finalize;
    TAcceptedCaps::InstallProperty(object, PROP_ACCEPTED_CAPS);

    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    element->change_state = changeState;
    gst_element_class_set_static_metadata(
        element, "Stillex filter", "Filter", "Runs one of the application's media filters", "Stillex");
    static GstStaticPadTemplate sinkTemplate
        = GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
    static GstStaticPadTemplate srcTemplate
        = GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
    gst_element_class_add_static_pad_template(element, &sinkTemplate);
    gst_element_class_add_static_pad_template(element, &srcTemplate);

    GstBaseTransformClass* base = GST_BASE_TRANSFORM_CLASS(klass);
    base->transform_caps = transformCaps;
    base->fixate_caps = fixateCaps;
    base->accept_caps = acceptCaps;
    base->set_caps = setCaps;
    base->transform_size = transformSize;
    base->decide_allocation = decideAllocation;
    base->start = startElement;
    base->stop = stopElement;
    base->sink_event = sinkEvent;
    base->transform = transformBuffers;
    base->transform_ip = transformInPlace;
    base->passthrough_on_same_caps = FALSE;
    base->transform_ip_on_passthrough = TRUE;
}

void instanceInit(GTypeInstance* instance, gpointer)
{
    reinterpret_cast<StillexFilterElement*>(instance)->d = new TElementState;
}

} // namespace

GType TFilterElement::Type()
{
    static const GType type = [] {
        GST_DEBUG_CATEGORY_INIT(stillex_filter_debug, "stillexfilter", 0, "Stillex filter adapter");
        return g_type_register_static_simple(GST_TYPE_BASE_TRANSFORM, "StillexFilterElement",
            sizeof(StillexFilterElementClass), classInit, sizeof(StillexFilterElement), instanceInit,
            GTypeFlags(0));
    }();
    return type;
}

GstElement* TFilterElement::Create(
    TBCTransformFilter* filter, const char* name, const char* acceptedInputCaps)
{
    if (!filter) return nullptr;
    GstCaps* accepted = nullptr;
    if (acceptedInputCaps) {
        accepted = gst_caps_from_string(acceptedInputCaps);
        if (!accepted) return nullptr;
    }
    GstElement* element = GST_ELEMENT(g_object_new(Type(), "name", name, nullptr));
    TElementState* d = stateOf(element);
    d->filter = filter;
    d->inPlace = dynamic_cast<TBCTransInPlaceFilter*>(filter);
    d->accepted.Adopt(accepted);
    g_object_set_qdata(G_OBJECT(element), filterQuark(), filter);
    if (d->inPlace) gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(element), TRUE);
    // Our filters take samples as they are pushed.
    TGraphFilter::MarkPushOnly(element);
    return element;
}

TBCTransformFilter* TFilterElement::Filter(GstElement* element)
{
    if (!GST_IS_ELEMENT(element)) return nullptr;
    if (!G_TYPE_CHECK_INSTANCE_TYPE(element, Type())
        && !G_TYPE_CHECK_INSTANCE_TYPE(element, TFilterSinkElement::Type()))
        return nullptr;
    return static_cast<TBCTransformFilter*>(g_object_get_qdata(G_OBJECT(element), filterQuark()));
}

bool TFilterElement::SetAcceptedInputCaps(GstElement* element, const char* caps)
{
    if (!Filter(element)) return false;
    GstCaps* parsed = caps ? gst_caps_from_string(caps) : nullptr;
    if (caps && !parsed) return false;
    g_object_set(element, "accepted-caps", parsed, nullptr);
    if (parsed) gst_caps_unref(parsed);
    return true;
}

void TFilterElement::ClaimFilter(TBCTransformFilter* filter, GstElement* element)
{
    QMutexLocker lock(&ownersLock);
    owners.insert(filter, element);
}

bool TFilterElement::ReleaseFilter(TBCTransformFilter* filter, GstElement* element)
{
    QMutexLocker lock(&ownersLock);
    if (owners.value(filter) != element) return false;
    owners.remove(filter);
    unbindFilter(filter);
    return true;
}

bool TFilterElement::SampleTimeFromPosition(
    const GstSegment& segment, GstClockTime position, REFERENCE_TIME& time)
{
    if (!GST_CLOCK_TIME_IS_VALID(position) || segment.format != GST_FORMAT_TIME) return false;
    guint64 running = 0;
    const int sign = gst_segment_to_running_time_full(&segment, GST_FORMAT_TIME, position, &running);
    if (sign == 0 || running > guint64(INT64_MAX)) return false;
    const int64_t signedRunning = sign > 0 ? int64_t(running) : -int64_t(running);
    const int64_t relative = signedRunning - int64_t(segment.base);
    // Whole units towards minus infinity, so that times before the segment
    // start stay before it.
    time = relative >= 0 ? relative / 100 : -((-relative + 99) / 100);
    return true;
}

bool TFilterElement::PositionFromSampleTime(
    const GstSegment& segment, REFERENCE_TIME time, GstClockTime& position)
{
    if (segment.format != GST_FORMAT_TIME || time > INT64_MAX / 100 || time < INT64_MIN / 100) return false;
    const int64_t running = time * 100 + int64_t(segment.base);
    if (running < 0) return false;
    guint64 result = 0;
    if (gst_segment_position_from_running_time_full(&segment, GST_FORMAT_TIME, guint64(running), &result)
        <= 0)
        return false;
    position = result;
    return true;
}

void TFilterElement::FillSample(
    TMediaSample& s, GstBuffer* buffer, uint8_t* data, gsize size, const GstSegment& segment)
{
    s.Attach(data, clampSize(size));
    s.StreamId = 0;
    s.TypeSpecificFlags = 0;
    s.SetMediaType(nullptr);
    REFERENCE_TIME start = 0, stop = 0;
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    const GstClockTime duration = GST_BUFFER_DURATION(buffer);
    if (SampleTimeFromPosition(segment, pts, start)) {
        if (GST_CLOCK_TIME_IS_VALID(duration) && SampleTimeFromPosition(segment, pts + duration, stop))
            s.SetTime(&start, &stop);
        else
            s.SetTime(&start, nullptr);
    } else {
        s.SetTime(nullptr, nullptr);
    }
    if (GST_BUFFER_OFFSET_IS_VALID(buffer) && GST_BUFFER_OFFSET_END_IS_VALID(buffer)) {
        const int64_t first = int64_t(GST_BUFFER_OFFSET(buffer));
        const int64_t last = int64_t(GST_BUFFER_OFFSET_END(buffer));
        s.SetMediaTime(&first, &last);
    } else {
        s.SetMediaTime(nullptr, nullptr);
    }
    s.SetSyncPoint(!GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT));
    s.SetDiscontinuity(GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DISCONT));
    REFERENCE_TIME t0 = 0, t1 = 0;
    s.SetPreroll(SUCCEEDED(s.GetTime(&t0, &t1)) && t0 < 0);
}

void TFilterElement::ApplySample(
    const TMediaSample& sample, const TMediaSample& source, GstBuffer* buffer, const GstSegment& segment)
{
    if (sample.IsSyncPoint() == S_OK)
        GST_BUFFER_FLAG_UNSET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    else
        GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    if (sample.IsDiscontinuity() == S_OK)
        GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
    else
        GST_BUFFER_FLAG_UNSET(buffer, GST_BUFFER_FLAG_DISCONT);

    REFERENCE_TIME start = 0, stop = 0, sourceStart = 0, sourceStop = 0;
    const HRESULT hr = sample.GetTime(&start, &stop);
    const HRESULT sourceHr = source.GetTime(&sourceStart, &sourceStop);
    if (hr == sourceHr && start == sourceStart && stop == sourceStop) return; // the buffer has them
    GstClockTime pts = GST_CLOCK_TIME_NONE, end = GST_CLOCK_TIME_NONE;
    if (SUCCEEDED(hr) && PositionFromSampleTime(segment, start, pts)) {
        GST_BUFFER_PTS(buffer) = pts;
        GST_BUFFER_DURATION(buffer) = hr == S_OK && PositionFromSampleTime(segment, stop, end) && end >= pts
            ? end - pts
            : GST_CLOCK_TIME_NONE;
    } else {
        GST_BUFFER_PTS(buffer) = GST_CLOCK_TIME_NONE;
        GST_BUFFER_DURATION(buffer) = GST_CLOCK_TIME_NONE;
    }
}

void TFilterElement::PassEvent(TBCTransformFilter* f, GstEvent* event)
{
    switch (GST_EVENT_TYPE(event)) {
    case GST_EVENT_FLUSH_START:
        f->BeginFlush();
        break;
    case GST_EVENT_FLUSH_STOP:
        f->EndFlush();
        break;
    case GST_EVENT_EOS:
        f->EndOfStream();
        break;
    case GST_EVENT_SEGMENT: {
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        if (segment && segment->format == GST_FORMAT_TIME) {
            // Start and stop as stream positions; the samples that follow
            // are timed from the start.
            const REFERENCE_TIME start = REFERENCE_TIME(segment->time / 100);
            REFERENCE_TIME stop = INT64_MAX;
            if (GST_CLOCK_TIME_IS_VALID(segment->stop) && segment->stop >= segment->start)
                stop = start + REFERENCE_TIME((segment->stop - segment->start) / 100);
            f->NewSegment(start, stop, segment->rate * segment->applied_rate);
        }
        break;
    }
    default:
        break;
    }
}
