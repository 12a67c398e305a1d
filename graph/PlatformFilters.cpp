#include "graph/PlatformFilters.h"

#include "graph/ChainBin.h"
#include "graph/MpegPictureTimes.h"

#include <QMutex>
#include <QRegularExpression>
#include <algorithm>
#include <atomic>
#include <map>

namespace PlatformFilters
{
namespace
{
std::atomic<bool> s_silentAudio { false };

GstElement* make(const char* factory)
{
    return gst_element_factory_make(factory, nullptr);
}

// Shows a pad of an element inside bin as a pad of the bin.
void ghost(GstElement* bin, GstPad* inner, const gchar* name = nullptr)
{
    gchar* own = name ? nullptr : gst_pad_get_name(inner);
    GstPad* pad = gst_ghost_pad_new(name ? name : own, inner);
    g_free(own);
    g_object_set_data(G_OBJECT(inner), "stillex-ghost", pad);
    gst_pad_set_active(pad, TRUE);
    gst_element_add_pad(bin, pad);
}

// A splitter's streams leave through a queue each, on threads of their own,
// as the outputs of a splitter do on the platform: a renderer holding its
// first picture, or a decoder that needs a few frames before it gives one,
// must not stop the splitter from feeding the other streams. The queues
// grow for a stream the others are waiting on.
GstElement* outputQueue(GstElement* bin)
{
    return static_cast<GstElement*>(g_object_get_data(G_OBJECT(bin), "stillex-queue"));
}

void onInnerPadAdded(GstElement*, GstPad* pad, gpointer binPtr)
{
    if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC) return;
    auto* bin = GST_ELEMENT(binPtr);
    GstElement* queue = outputQueue(bin);
    if (!queue) {
        ghost(bin, pad);
        return;
    }
    GstPad* in = gst_element_request_pad_simple(queue, "sink_%u");
    if (!in) return;
    GstPad* out = nullptr;
    GstIterator* it = gst_pad_iterate_internal_links(in);
    GValue item = G_VALUE_INIT;
    if (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        out = GST_PAD(g_value_dup_object(&item));
        g_value_unset(&item);
    }
    gst_iterator_free(it);
    if (!out || gst_pad_link(pad, in) != GST_PAD_LINK_OK) {
        if (out) gst_object_unref(out);
        gst_element_release_request_pad(queue, in);
        gst_object_unref(in);
        return;
    }
    g_object_set_data_full(G_OBJECT(pad), "stillex-queue-in", in, gst_object_unref);
    gchar* name = gst_pad_get_name(pad);
    ghost(bin, out, name);
    g_free(name);
    g_object_set_data(G_OBJECT(pad), "stillex-ghost", g_object_get_data(G_OBJECT(out), "stillex-ghost"));
    gst_object_unref(out);
}

void onInnerPadRemoved(GstElement*, GstPad* pad, gpointer bin)
{
    if (auto* outer = static_cast<GstPad*>(g_object_get_data(G_OBJECT(pad), "stillex-ghost"))) {
        g_object_set_data(G_OBJECT(pad), "stillex-ghost", nullptr);
        gst_element_remove_pad(GST_ELEMENT(bin), outer);
    }
    if (auto* in = static_cast<GstPad*>(g_object_get_data(G_OBJECT(pad), "stillex-queue-in"))) {
        GstElement* queue = outputQueue(GST_ELEMENT(bin));
        if (queue) gst_element_release_request_pad(queue, in);
        g_object_set_data(G_OBJECT(pad), "stillex-queue-in", nullptr);
    }
}

void onInnerNoMorePads(GstElement*, gpointer bin)
{
    gst_element_no_more_pads(GST_ELEMENT(bin));
}

// Gives bin the queue its splitter's outputs go through.
void addOutputQueue(GstElement* bin)
{
    GstElement* queue = make("multiqueue");
    if (!queue) return;
    // Small by count, unbounded by time: the queue grows by itself when
    // one stream runs dry while another's is full, and a DV frame is big.
    g_object_set(queue, "max-size-buffers", 8u, "max-size-bytes", 32u * 1024 * 1024, "max-size-time",
        guint64(0), nullptr);
    gst_bin_add(GST_BIN(bin), queue);
    g_object_set_data(G_OBJECT(bin), "stillex-queue", queue);
}

// Forwards the outputs of a demuxer inside a bin as the bin's own.
void forwardOutputs(GstElement* bin, GstElement* demuxer)
{
    g_signal_connect(demuxer, "pad-added", G_CALLBACK(onInnerPadAdded), bin);
    g_signal_connect(demuxer, "pad-removed", G_CALLBACK(onInnerPadRemoved), bin);
    g_signal_connect(demuxer, "no-more-pads", G_CALLBACK(onInnerNoMorePads), bin);
}

// A file reader with its own splitter: Load gives the path, the outputs are
// the streams.
std::shared_ptr<TGraphFilter> readerBin(const char* demuxerFactory, const GUID& clsid)
{
    GstElement* source = make("filesrc");
    GstElement* demuxer = make(demuxerFactory);
    if (!source || !demuxer) {
        if (source) gst_object_unref(gst_object_ref_sink(source));
        if (demuxer) gst_object_unref(gst_object_ref_sink(demuxer));
        return nullptr;
    }
    GstElement* bin = ChainBin::New();
    gst_bin_add_many(GST_BIN(bin), source, demuxer, nullptr);
    gst_element_link(source, demuxer);
    addOutputQueue(bin);
    forwardOutputs(bin, demuxer);
    auto filter = std::make_shared<TGraphFilter>(bin, clsid, true);
    filter->SetDynamicOutputs(true);
    return filter;
}

// The MPEG-1 splitter reads system streams and elementary video or audio
// alike: what follows the type finder depends on what it finds.
// The type finder finds the type again each time the filter starts anew (a
// recipe moving from its probe graph to the playing one): the chain made the
// first time is kept, since the file is the same.
bool chainMade(GstElement* bin)
{
    return g_object_get_data(G_OBJECT(bin), "stillex-chain") != nullptr;
}

void markChain(GstElement* bin)
{
    g_object_set_data(G_OBJECT(bin), "stillex-chain", GINT_TO_POINTER(1));
}

void onMpeg1Type(GstElement* typefind, guint, GstCaps* caps, gpointer binPtr)
{
    ChainBin::TBuildLock lock(GST_ELEMENT(binPtr));
    if (lock.ShuttingDown()) return;
    auto* bin = GST_ELEMENT(binPtr);
    if (chainMade(bin)) {
        // A demultiplexer makes its pads again and says when it is done; a
        // parser's output never went away.
        if (g_object_get_data(G_OBJECT(bin), "stillex-elementary")) gst_element_no_more_pads(bin);
        return;
    }
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    const char* name = gst_structure_get_name(s);
    gboolean system = FALSE;
    gst_structure_get_boolean(s, "systemstream", &system);
    const char* factory = nullptr;
    if (g_str_equal(name, "video/mpeg") && system)
        factory = "mpegpsdemux";
    else if (g_str_equal(name, "video/mpeg"))
        factory = "mpegvideoparse";
    else if (g_str_equal(name, "audio/mpeg"))
        factory = "mpegaudioparse";
    GstElement* next = factory ? make(factory) : nullptr;
    if (!next) {
        GST_ELEMENT_ERROR(bin, STREAM, WRONG_TYPE, ("Not an MPEG-1 stream"), (nullptr));
        return;
    }
    gst_bin_add(GST_BIN(bin), next);
    markChain(bin);
    if (system) {
        forwardOutputs(bin, next);
    }
    // The output must be in place before the parser starts: it may run a
    // task of its own, pulling from the type finder, the moment it is
    // brought up, and would stop at once on an unlinked output.
    if (!system) {
        GstPad* src = gst_element_get_static_pad(next, "src");
        ghost(bin, src);
        gst_object_unref(src);
    }
    // An elementary stream's parser reads what the type finder pushes, through a
    // queue: left to pull by itself, the parser neither seeks nor steps
    // reliably.
    GstElement* feed = system ? nullptr : make("queue");
    if (feed) {
        gst_bin_add(GST_BIN(bin), feed);
        gst_element_link_many(typefind, feed, next, nullptr);
        gst_element_sync_state_with_parent(next);
        gst_element_sync_state_with_parent(feed);
    } else {
        gst_element_link(typefind, next);
        gst_element_sync_state_with_parent(next);
    }
    if (!system) {
        g_object_set_data(G_OBJECT(bin), "stillex-elementary", GINT_TO_POINTER(1));
        gst_element_no_more_pads(bin);
    }
}

std::shared_ptr<TGraphFilter> mpeg1Splitter()
{
    GstElement* typefind = make("typefind");
    if (!typefind) return nullptr;
    GstElement* bin = ChainBin::New();
    gst_bin_add(GST_BIN(bin), typefind);
    addOutputQueue(bin);
    GstPad* sink = gst_element_get_static_pad(typefind, "sink");
    GstPad* pad = gst_ghost_pad_new("sink", sink);
    gst_object_unref(sink);
    gst_element_add_pad(bin, pad);
    g_signal_connect(typefind, "have-type", G_CALLBACK(onMpeg1Type), bin);
    auto filter = std::make_shared<TGraphFilter>(bin, CLSID_MPEG1Splitter);
    filter->SetDynamicOutputs(true);
    return filter;
}

// ---- readers that choose their splitter by the file's type ----

struct TypedReader {
    SplitterChooser choose;
};

void onReaderType(GstElement* typefind, guint, GstCaps* caps, gpointer binPtr)
{
    auto* bin = GST_ELEMENT(binPtr);
    ChainBin::TBuildLock lock(bin);
    if (lock.ShuttingDown() || chainMade(bin)) return;
    auto* reader = static_cast<TypedReader*>(g_object_get_data(G_OBJECT(bin), "stillex-reader"));
    const char* factory = reader ? reader->choose(caps) : nullptr;
    GstElement* demuxer = factory ? make(factory) : nullptr;
    if (!demuxer) {
        gchar* type = gst_caps_to_string(caps);
        GST_ELEMENT_ERROR(bin, STREAM, WRONG_TYPE, ("This reader does not read %s", type), (nullptr));
        g_free(type);
        return;
    }
    // The bin may be changing state on another thread right now, and sets
    // the state of a child as soon as it joins: that thread would then
    // bring the demuxer up itself and, the demuxer pulling through the type
    // finder, wait for the type finder's stream, which this thread holds
    // while this thread waits for the demuxer's state. So this thread holds
    // the demuxer's state from before it joins until it has brought it up
    // (the type finder's stream is its own); the bin's thread waits, and
    // then finds it in its state. It cannot be brought up outside the bin:
    // a pad of an element in no bin does not link to one inside.
    forwardOutputs(bin, demuxer);
    GST_STATE_LOCK(demuxer);
    gst_bin_add(GST_BIN(bin), demuxer);
    markChain(bin);
    gst_element_link(typefind, demuxer);
    gst_element_sync_state_with_parent(demuxer);
    GST_STATE_UNLOCK(demuxer);
}

// ---- decoders chosen when the stream's type is known ----

struct DecoderBin {
    GstElement* bin = nullptr;
    GstPad* sink = nullptr; // ghost
    GstElement* convert = nullptr;
    bool video = true;
    QByteArray prefix;
    bool exact = false; // prefix is the one factory's whole name
    GstElement* parser = nullptr;
    GstElement* decoder = nullptr;
    // MPEG-1/2 video: times for the pictures the stream left without one
    // (streaming thread only).
    TMpegPictureTimes pictureTimes;
};

bool hasPrefix(GstElementFactory* f, const QByteArray& prefix, bool exact)
{
    const char* name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f));
    return exact ? prefix == name : g_str_has_prefix(name, prefix.constData());
}

GList* factoriesFor(GstElementFactoryListType type, bool video, const GstCaps* caps)
{
    GList* all = gst_element_factory_list_get_elements(
        type | (video ? GST_ELEMENT_FACTORY_TYPE_MEDIA_VIDEO : GST_ELEMENT_FACTORY_TYPE_MEDIA_AUDIO),
        GST_RANK_NONE);
    GList* fit = caps ? gst_element_factory_list_filter(all, caps, GST_PAD_SINK, FALSE) : nullptr;
    if (caps) {
        gst_plugin_feature_list_free(all);
        all = fit;
    }
    return g_list_sort(all, gst_plugin_feature_rank_compare_func);
}

// The union of what the decoders of the family take.
GstCaps* decoderInputCaps(bool video, const QByteArray& prefix, bool exact)
{
    GstCaps* all = gst_caps_new_empty();
    GList* list = factoriesFor(GST_ELEMENT_FACTORY_TYPE_DECODER, video, nullptr);
    for (GList* l = list; l; l = l->next) {
        auto* f = GST_ELEMENT_FACTORY(l->data);
        if (!hasPrefix(f, prefix, exact)) continue;
        for (const GList* t = gst_element_factory_get_static_pad_templates(f); t; t = t->next) {
            auto* templ = static_cast<GstStaticPadTemplate*>(t->data);
            if (templ->direction == GST_PAD_SINK)
                all = gst_caps_merge(all, gst_static_pad_template_get_caps(templ));
        }
    }
    gst_plugin_feature_list_free(list);
    // What a parser in front makes of a stream counts too: a transport
    // stream gives H.264 without its alignment, which only the parser adds.
    GstCaps* parsed = gst_caps_new_empty();
    GList* parsers = factoriesFor(GST_ELEMENT_FACTORY_TYPE_PARSER, video, nullptr);
    for (GList* l = parsers; l; l = l->next) {
        auto* f = GST_ELEMENT_FACTORY(l->data);
        bool feeds = false;
        for (const GList* t = gst_element_factory_get_static_pad_templates(f); t; t = t->next) {
            auto* templ = static_cast<GstStaticPadTemplate*>(t->data);
            if (templ->direction != GST_PAD_SRC) continue;
            GstCaps* out = gst_static_pad_template_get_caps(templ);
            feeds = feeds || (!gst_caps_is_any(out) && gst_caps_can_intersect(out, all));
            gst_caps_unref(out);
        }
        if (!feeds) continue;
        for (const GList* t = gst_element_factory_get_static_pad_templates(f); t; t = t->next) {
            auto* templ = static_cast<GstStaticPadTemplate*>(t->data);
            if (templ->direction == GST_PAD_SINK)
                parsed = gst_caps_merge(parsed, gst_static_pad_template_get_caps(templ));
        }
    }
    gst_plugin_feature_list_free(parsers);
    return gst_caps_merge(all, parsed);
}

void dropElement(DecoderBin* d, GstElement*& e)
{
    if (!e) return;
    gst_element_set_locked_state(e, TRUE);
    gst_element_set_state(e, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(d->bin), e);
    e = nullptr;
}

// The family's best decoder for caps, or nullptr.
GstElement* makeDecoder(DecoderBin* d, GstCaps* caps)
{
    GstElement* decoder = nullptr;
    GList* decoders = factoriesFor(GST_ELEMENT_FACTORY_TYPE_DECODER, d->video, caps);
    for (GList* l = decoders; l && !decoder; l = l->next)
        if (hasPrefix(GST_ELEMENT_FACTORY(l->data), d->prefix, d->exact))
            decoder = gst_element_factory_create(GST_ELEMENT_FACTORY(l->data), nullptr);
    gst_plugin_feature_list_free(decoders);
    return decoder;
}

// Puts the decoder for caps between `from` (the parser, or nullptr for the
// bin's input) and the converter. False when no decoder takes them.
bool placeDecoder(DecoderBin* d, GstCaps* caps)
{
    GstElement* decoder = makeDecoder(d, caps);
    if (!decoder) return false;
    dropElement(d, d->decoder);
    gst_bin_add(GST_BIN(d->bin), decoder);
    if (!gst_element_link(decoder, d->convert)) {
        gst_bin_remove(GST_BIN(d->bin), decoder);
        return false;
    }
    if (d->parser) {
        GstPad* out = gst_element_get_static_pad(d->parser, "src");
        GstPad* in = gst_element_get_static_pad(decoder, "sink");
        if (GstPad* old = gst_pad_get_peer(out)) {
            gst_pad_unlink(out, old);
            gst_object_unref(old);
        }
        const bool linked = gst_pad_link(out, in) == GST_PAD_LINK_OK;
        gst_object_unref(out);
        gst_object_unref(in);
        if (!linked) {
            gst_bin_remove(GST_BIN(d->bin), decoder);
            return false;
        }
    } else {
        GstPad* front = gst_element_get_static_pad(decoder, "sink");
        gst_ghost_pad_set_target(GST_GHOST_PAD(d->sink), front);
        gst_object_unref(front);
    }
    d->decoder = decoder;
    gst_element_sync_state_with_parent(decoder);
    return true;
}

// The decoder is chosen for what the parser actually gives (a transport
// stream may announce E-AC-3 where the parser finds AC-3).
// On a new type arriving at `front` (an element's input, or none yet):
// keep what is in place when it takes the type, else `build` the rest of the
// chain for it; a type nothing takes is an error of the filter.
GstPadProbeReturn chooseOnCaps(
    DecoderBin* d, GstPadProbeInfo* info, GstElement* front, bool (*build)(DecoderBin*, GstCaps*))
{
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (!event || GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
    GstCaps* caps = nullptr;
    gst_event_parse_caps(event, &caps);
    if (front) {
        GstPad* in = gst_element_get_static_pad(front, "sink");
        const bool takes = gst_pad_query_accept_caps(in, caps);
        gst_object_unref(in);
        if (takes) return GST_PAD_PROBE_OK;
    }
    ChainBin::TBuildLock lock(d->bin);
    if (lock.ShuttingDown()) return GST_PAD_PROBE_DROP;
    if (!build(d, caps)) {
        gchar* type = gst_caps_to_string(caps);
        GST_ELEMENT_ERROR(d->bin, STREAM, CODEC_NOT_FOUND, ("No decoder for %s", type), (nullptr));
        g_free(type);
        return GST_PAD_PROBE_DROP;
    }
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn onParsedCaps(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto* d = static_cast<DecoderBin*>(data);
    return chooseOnCaps(d, info, d->decoder, placeDecoder);
}

// Between the parser and the decoder of MPEG-1/2 video: every picture leaves
// with its time (see TMpegPictureTimes).
GstPadProbeReturn onParsedPicture(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto* d = static_cast<DecoderBin*>(data);
    if (info->type & (GST_PAD_PROBE_TYPE_EVENT_BOTH | GST_PAD_PROBE_TYPE_EVENT_FLUSH)) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP || GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
            d->pictureTimes.Reset();
        } else if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
            GstCaps* caps = nullptr;
            gst_event_parse_caps(event, &caps);
            int num = 0, den = 0;
            const bool rate = caps
                && gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate", &num, &den)
                && num > 0 && den > 0;
            d->pictureTimes.SetFrameDuration(
                rate ? gint64(gst_util_uint64_scale_int(GST_SECOND, den, num)) : 0);
        }
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buffer = (info->type & GST_PAD_PROBE_TYPE_BUFFER) ? GST_PAD_PROBE_INFO_BUFFER(info) : nullptr;
    if (!buffer) return GST_PAD_PROBE_OK;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return GST_PAD_PROBE_OK;
    const gint64 pts = GST_BUFFER_PTS_IS_VALID(buffer) ? gint64(GST_BUFFER_PTS(buffer)) : -1;
    const int64_t time = d->pictureTimes.Take(map.data, map.size, pts);
    gst_buffer_unmap(buffer, &map);
    if (pts < 0 && time >= 0) {
        buffer = gst_buffer_make_writable(buffer);
        GST_BUFFER_PTS(buffer) = GstClockTime(time);
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
    }
    return GST_PAD_PROBE_OK;
}

bool isMpegVideo(GstCaps* caps)
{
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    int version = 0;
    gboolean system = FALSE;
    gst_structure_get_boolean(s, "systemstream", &system);
    return gst_structure_has_name(s, "video/mpeg") && gst_structure_get_int(s, "mpegversion", &version)
        && (version == 1 || version == 2) && !system;
}

// For a new input type: a parser when one exists for it (it frames the
// stream the way decoders want it, and its output chooses the decoder),
// else the decoder for the type itself.
bool buildDecoder(DecoderBin* d, GstCaps* caps)
{
    // A stream a parser already framed needs no second one: two parsers in
    // a row would each try to turn a seek into byte offsets.
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    gboolean parsed = FALSE;
    gboolean framed = FALSE;
    gst_structure_get_boolean(s, "parsed", &parsed);
    gst_structure_get_boolean(s, "framed", &framed);
    GstElement* parser = nullptr;
    GList* parsers
        = parsed || framed ? nullptr : factoriesFor(GST_ELEMENT_FACTORY_TYPE_PARSER, d->video, caps);
    for (GList* l = parsers; l && !parser; l = l->next)
        parser = gst_element_factory_create(GST_ELEMENT_FACTORY(l->data), nullptr);
    gst_plugin_feature_list_free(parsers);

    dropElement(d, d->decoder);
    dropElement(d, d->parser);
    if (!parser) return placeDecoder(d, caps);

    gst_bin_add(GST_BIN(d->bin), parser);
    d->parser = parser;
    GstPad* out = gst_element_get_static_pad(parser, "src");
    gst_pad_add_probe(out, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, onParsedCaps, d, nullptr);
    if (d->video && isMpegVideo(caps)) {
        d->pictureTimes.Reset();
        gst_pad_add_probe(out,
            GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM
                | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
            onParsedPicture, d, nullptr);
    }
    gst_object_unref(out);
    GstPad* front = gst_element_get_static_pad(parser, "sink");
    gst_ghost_pad_set_target(GST_GHOST_PAD(d->sink), front);
    gst_object_unref(front);
    gst_element_sync_state_with_parent(parser);
    return true;
}

// Until the stream's first data has chosen the decoder, nothing links the
// converter to the input: a seek from downstream goes straight upstream, so
// that the splitter, which is waiting to be restarted, gets it.
GstPadProbeReturn onUpstreamBeforeDecoder(GstPad* pad, GstPadProbeInfo* info, gpointer data)
{
    auto* d = static_cast<DecoderBin*>(data);
    if (gst_pad_is_linked(pad)) return GST_PAD_PROBE_OK;
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (!event) return GST_PAD_PROBE_OK;
    GstPad* upstream = gst_pad_get_peer(d->sink);
    if (!upstream) return GST_PAD_PROBE_OK;
    const gboolean done = gst_pad_send_event(upstream, gst_event_ref(event));
    gst_object_unref(upstream);
    if (!done) return GST_PAD_PROBE_OK;
    gst_event_unref(event);
    GST_PAD_PROBE_INFO_DATA(info) = nullptr;
    return GST_PAD_PROBE_HANDLED;
}

// The input answers for the whole family, whatever decoder sits behind it
// now: the one chosen for the last stream must not decide what the next
// stream may connect with.
GstPadQueryFunction s_ghostQuery = nullptr;

gboolean onDecoderQuery(GstPad* pad, GstObject* parent, GstQuery* query)
{
    if (GST_QUERY_TYPE(query) == GST_QUERY_CAPS) {
        GstCaps* filter = nullptr;
        gst_query_parse_caps(query, &filter);
        GstCaps* all = gst_pad_get_pad_template_caps(pad);
        GstCaps* result
            = filter ? gst_caps_intersect_full(filter, all, GST_CAPS_INTERSECT_FIRST) : gst_caps_ref(all);
        gst_query_set_caps_result(query, result);
        gst_caps_unref(result);
        gst_caps_unref(all);
        return TRUE;
    }
    if (GST_QUERY_TYPE(query) == GST_QUERY_ACCEPT_CAPS) {
        GstCaps* caps = nullptr;
        gst_query_parse_accept_caps(query, &caps);
        GstCaps* all = gst_pad_get_pad_template_caps(pad);
        gst_query_set_accept_caps_result(query, gst_caps_can_intersect(caps, all));
        gst_caps_unref(all);
        return TRUE;
    }
    return s_ghostQuery ? s_ghostQuery(pad, parent, query) : gst_pad_query_default(pad, parent, query);
}

GstPadProbeReturn onDecoderInput(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto* d = static_cast<DecoderBin*>(data);
    // The chain in place keeps working when its front takes the new type.
    return chooseOnCaps(d, info, d->decoder ? (d->parser ? d->parser : d->decoder) : nullptr, buildDecoder);
}

// A splitter element in a bin whose outputs go through the output queue.
std::shared_ptr<TGraphFilter> splitterBin(GstElement* demuxer, const GUID& clsid)
{
    if (!demuxer) return nullptr;
    GstElement* bin = ChainBin::New();
    gst_bin_add(GST_BIN(bin), demuxer);
    addOutputQueue(bin);
    forwardOutputs(bin, demuxer);
    GstPad* sink = gst_element_get_static_pad(demuxer, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", sink));
    gst_object_unref(sink);
    auto filter = std::make_shared<TGraphFilter>(bin, clsid);
    filter->SetDynamicOutputs(true);
    return filter;
}

// A splitter that looks at its stream's type first and refuses what its
// demuxer is not for.
std::shared_ptr<TGraphFilter> typefindSplitter(const GUID& clsid, SplitterChooser choose)
{
    GstElement* typefind = make("typefind");
    if (!typefind) return nullptr;
    GstElement* bin = ChainBin::New();
    gst_bin_add(GST_BIN(bin), typefind);
    addOutputQueue(bin);
    GstPad* sink = gst_element_get_static_pad(typefind, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", sink));
    gst_object_unref(sink);
    g_object_set_data_full(G_OBJECT(bin), "stillex-reader", new TypedReader { std::move(choose) },
        [](gpointer p) { delete static_cast<TypedReader*>(p); });
    g_signal_connect(typefind, "have-type", G_CALLBACK(onReaderType), bin);
    auto filter = std::make_shared<TGraphFilter>(bin, clsid);
    filter->SetDynamicOutputs(true);
    return filter;
}

std::shared_ptr<TGraphFilter> element(const char* factory, const GUID& clsid, bool fileSource = false)
{
    GstElement* e = make(factory);
    return e ? std::make_shared<TGraphFilter>(e, clsid, fileSource) : nullptr;
}
} // namespace

namespace
{
QMutex s_registerLock;
std::map<QString, FilterMaker>& registered()
{
    static std::map<QString, FilterMaker> makers;
    return makers;
}
} // namespace

QString SoftwareMoniker(const GUID& clsid)
{
    return QStringLiteral("@device:sw:%1\\%2").arg(CLSID_LegacyAmFilterCategory.ToString(), clsid.ToString());
}

std::shared_ptr<TGraphFilter> Create(const GUID& clsid)
{
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    if (clsid == CLSID_AsyncReader) return element("filesrc", clsid, true);
    if (clsid == CLSID_AviSplitter) return splitterBin(make("avidemux"), clsid);
    if (clsid == CLSID_MPEG1Splitter) return mpeg1Splitter();
    if (clsid == CLSID_MPEG2Demultiplexer || clsid == CLSID_MPEG2Splitter)
        return typefindSplitter(clsid, [](const GstCaps* type) -> const char* {
            // Program streams only: the demultiplexer would otherwise find
            // packet starts inside a transport stream and take it.
            const GstStructure* s = gst_caps_get_structure(type, 0);
            gboolean system = FALSE;
            return gst_structure_has_name(s, "video/mpeg")
                    && gst_structure_get_boolean(s, "systemstream", &system) && system
                ? "mpegpsdemux"
                : nullptr;
        });
    if (clsid == CLSID_WMAsfReader) return readerBin("asfdemux", clsid);
    if (clsid == CLSID_DVSplitter) return splitterBin(make("dvdemux"), clsid);
    if (clsid == CLSID_DVVideoCodec) return element("dvdec", clsid);
    if (clsid == CLSID_NullRenderer) {
        // Renders on the clock, as a renderer does (a fake sink would not).
        auto null = element("fakesink", clsid);
        if (null) g_object_set(null->Element(), "sync", TRUE, nullptr);
        return null;
    }
    if (clsid == CLSID_DSoundRender) return CreateAudioRenderer();
    FilterMaker maker;
    {
        QMutexLocker lock(&s_registerLock);
        auto it = registered().find(clsid.ToString().toUpper());
        if (it != registered().end()) maker = it->second;
    }
    return maker ? maker() : nullptr;
}

void Register(const GUID& clsid, FilterMaker make)
{
    QMutexLocker lock(&s_registerLock);
    registered()[clsid.ToString().toUpper()] = std::move(make);
}

std::shared_ptr<TGraphFilter> CreateSplitter(GstElement* demuxer, const GUID& clsid)
{
    return splitterBin(demuxer, clsid);
}

std::shared_ptr<TGraphFilter> CreateTypedReader(const GUID& clsid, SplitterChooser choose)
{
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    GstElement* source = make("filesrc");
    GstElement* typefind = make("typefind");
    if (!source || !typefind) {
        if (source) gst_object_unref(gst_object_ref_sink(source));
        if (typefind) gst_object_unref(gst_object_ref_sink(typefind));
        return nullptr;
    }
    GstElement* bin = ChainBin::New();
    gst_bin_add_many(GST_BIN(bin), source, typefind, nullptr);
    gst_element_link(source, typefind);
    addOutputQueue(bin);
    g_object_set_data_full(G_OBJECT(bin), "stillex-reader", new TypedReader { std::move(choose) },
        [](gpointer p) { delete static_cast<TypedReader*>(p); });
    g_signal_connect(typefind, "have-type", G_CALLBACK(onReaderType), bin);
    auto filter = std::make_shared<TGraphFilter>(bin, clsid, true);
    filter->SetDynamicOutputs(true);
    return filter;
}

namespace
{
std::shared_ptr<TGraphFilter> decoderBin(const GUID& clsid, bool video, const char* decoderPrefix, bool exact,
    const char* outputCaps, const char* excludedCaps = nullptr)
{
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    GstCaps* input = decoderInputCaps(video, decoderPrefix, exact);
    if (GstCaps* excluded = excludedCaps ? gst_caps_from_string(excludedCaps) : nullptr) {
        GstCaps* rest = gst_caps_subtract(input, excluded);
        gst_caps_unref(input);
        gst_caps_unref(excluded);
        input = rest;
    }
    GstCaps* output = gst_caps_from_string(outputCaps);
    GstElement* convert = make(video ? "videoconvert" : "audioconvert");
    GstElement* filter = make("capsfilter");
    if (gst_caps_is_empty(input) || !output || !convert || !filter) {
        gst_caps_unref(input);
        if (output) gst_caps_unref(output);
        for (GstElement* e : { convert, filter })
            if (e) gst_object_unref(gst_object_ref_sink(e));
        return nullptr;
    }
    g_object_set(filter, "caps", output, nullptr);
    gst_caps_unref(output);

    auto* d = new DecoderBin;
    d->bin = ChainBin::New();
    d->video = video;
    d->prefix = decoderPrefix;
    d->exact = exact;
    d->convert = convert;
    gst_bin_add_many(GST_BIN(d->bin), convert, filter, nullptr);
    gst_element_link(convert, filter);
    GstPad* convertIn = gst_element_get_static_pad(convert, "sink");
    gst_pad_add_probe(convertIn, GST_PAD_PROBE_TYPE_EVENT_UPSTREAM, onUpstreamBeforeDecoder, d, nullptr);
    gst_object_unref(convertIn);
    GstPadTemplate* sinkTemplate = gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, input);
    gst_caps_unref(input);
    d->sink = gst_ghost_pad_new_no_target_from_template("sink", sinkTemplate);
    gst_object_unref(sinkTemplate);
    gst_pad_set_active(d->sink, TRUE);
    gst_element_add_pad(d->bin, d->sink);
    if (!s_ghostQuery) s_ghostQuery = GST_PAD_QUERYFUNC(d->sink);
    gst_pad_set_query_function(d->sink, onDecoderQuery);
    gst_pad_add_probe(d->sink, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, onDecoderInput, d, nullptr);
    GstPad* out = gst_element_get_static_pad(filter, "src");
    gst_element_add_pad(d->bin, gst_ghost_pad_new("src", out));
    gst_object_unref(out);
    g_object_set_data_full(
        G_OBJECT(d->bin), "stillex-decoder", d, [](gpointer p) { delete static_cast<DecoderBin*>(p); });
    return std::make_shared<TGraphFilter>(d->bin, clsid);
}

const QString DecoderMonikerPrefix = QStringLiteral("@device:gst:decoder\\");
} // namespace

std::shared_ptr<TGraphFilter> CreateDecoder(const GUID& clsid, bool video, const char* decoderPrefix,
    const char* outputCaps, const char* excludedCaps)
{
    return decoderBin(clsid, video, decoderPrefix, false, outputCaps, excludedCaps);
}

QString DecoderMoniker(const QString& factoryName)
{
    return DecoderMonikerPrefix + factoryName;
}

QString DecoderFactoryOfMoniker(const QString& moniker)
{
    return moniker.startsWith(DecoderMonikerPrefix, Qt::CaseInsensitive)
        ? moniker.mid(DecoderMonikerPrefix.size())
        : QString();
}

std::shared_ptr<TGraphFilter> CreateDecoderFromFactory(const QString& factoryName)
{
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    const QByteArray name = factoryName.toUtf8();
    GstElementFactory* factory = gst_element_factory_find(name.constData());
    if (!factory) return nullptr;
    const bool video = gst_element_factory_list_is_type(factory, GST_ELEMENT_FACTORY_TYPE_MEDIA_VIDEO);
    const bool audio = gst_element_factory_list_is_type(factory, GST_ELEMENT_FACTORY_TYPE_MEDIA_AUDIO);
    const bool decoder = gst_element_factory_list_is_type(factory, GST_ELEMENT_FACTORY_TYPE_DECODER);
    gst_object_unref(factory);
    if (!decoder || video == audio) return nullptr;
    // A factory whose element cannot be made is as good as absent.
    GstElement* probe = gst_element_factory_make(name.constData(), nullptr);
    if (!probe) return nullptr;
    gst_object_unref(gst_object_ref_sink(probe));
    return decoderBin(GUID_NULL, video, name.constData(), true, video ? DecodedVideoCaps : DecodedAudioCaps);
}

GstElement* DecoderInside(GstElement* element)
{
    if (!element) return nullptr;
    auto* d = static_cast<DecoderBin*>(g_object_get_data(G_OBJECT(element), "stillex-decoder"));
    return d && d->decoder ? GST_ELEMENT(gst_object_ref(d->decoder)) : nullptr;
}

GstPad* DecodedVideoPad(GstElement* element)
{
    if (!element) return nullptr;
    auto* d = static_cast<DecoderBin*>(g_object_get_data(G_OBJECT(element), "stillex-decoder"));
    if (!d || !d->video || !d->convert) return nullptr;
    return gst_element_get_static_pad(d->convert, "sink");
}

GstPad* CodedVideoPad(GstElement* element)
{
    if (!element) return nullptr;
    auto* d = static_cast<DecoderBin*>(g_object_get_data(G_OBJECT(element), "stillex-decoder"));
    if (!d || !d->video || !d->sink) return nullptr;
    return GST_PAD(gst_object_ref(d->sink));
}

std::shared_ptr<TGraphFilter> CreateFromMoniker(const QString& displayName)
{
    if (displayName.compare(DefaultAudioMoniker, Qt::CaseInsensitive) == 0) return CreateAudioRenderer();
    if (displayName.startsWith(DecoderMonikerPrefix, Qt::CaseInsensitive))
        return CreateDecoderFromFactory(displayName.mid(DecoderMonikerPrefix.size()));
    const QString prefix = QStringLiteral("@device:sw:%1\\").arg(CLSID_LegacyAmFilterCategory.ToString());
    if (!displayName.startsWith(prefix, Qt::CaseInsensitive)) return nullptr;
    GUID clsid;
    if (!GUID::FromString(QStringView(displayName).mid(prefix.size()), clsid)) return nullptr;
    return Create(clsid);
}

std::shared_ptr<TGraphFilter> CreateAudioRenderer()
{
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    GstElement* volume = make("volume");
    GstElement* convert = make("audioconvert");
    GstElement* resample = make("audioresample");
    GstElement* sink = make("autoaudiosink");
    bool silent = !sink || gst_element_set_state(sink, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE;
    if (!silent) {
        // The automatic sink settles for a fake one when no device answers.
        GstIterator* it = gst_bin_iterate_elements(GST_BIN(sink));
        GValue item = G_VALUE_INIT;
        silent = true;
        while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            GstElementFactory* f = gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item)));
            if (f && !g_str_equal(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)), "fakesink"))
                silent = false;
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
    }
    if (silent) {
        if (sink) {
            gst_element_set_state(sink, GST_STATE_NULL);
            gst_object_unref(gst_object_ref_sink(sink));
        }
        // Keeps time like a device would, so playback is not faster without one.
        sink = make("fakesink");
        if (sink) g_object_set(sink, "sync", TRUE, nullptr);
    } else {
        gst_element_set_state(sink, GST_STATE_NULL);
    }
    s_silentAudio = silent;
    if (!volume || !convert || !resample || !sink) {
        for (GstElement* e : { volume, convert, resample, sink })
            if (e) gst_object_unref(gst_object_ref_sink(e));
        return nullptr;
    }
    // The device takes any PCM, planar too, as a sound device does: a
    // converter goes before the volume, which takes interleaved samples only.
    GstElement* front = make("audioconvert");
    if (!front) {
        for (GstElement* e : { volume, convert, resample, sink })
            gst_object_unref(gst_object_ref_sink(e));
        return nullptr;
    }
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(bin), front, volume, convert, resample, sink, nullptr);
    gst_element_link_many(front, volume, convert, resample, sink, nullptr);
    GstPad* target = gst_element_get_static_pad(front, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", target));
    gst_object_unref(target);
    GST_OBJECT_FLAG_SET(bin, GST_ELEMENT_FLAG_SINK);
    return std::make_shared<TGraphFilter>(bin, CLSID_DSoundRender);
}

bool AudioRendererIsSilent()
{
    return s_silentAudio;
}
} // namespace PlatformFilters
