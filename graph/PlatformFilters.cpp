#include "graph/PlatformFilters.h"

#include <QRegularExpression>
#include <atomic>

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
void ghost(GstElement* bin, GstPad* inner)
{
    gchar* name = gst_pad_get_name(inner);
    GstPad* pad = gst_ghost_pad_new(name, inner);
    g_free(name);
    g_object_set_data(G_OBJECT(inner), "stillex-ghost", pad);
    gst_pad_set_active(pad, TRUE);
    gst_element_add_pad(bin, pad);
}

void onInnerPadAdded(GstElement*, GstPad* pad, gpointer bin)
{
    if (GST_PAD_DIRECTION(pad) == GST_PAD_SRC) ghost(GST_ELEMENT(bin), pad);
}

void onInnerPadRemoved(GstElement*, GstPad* pad, gpointer bin)
{
    if (auto* outer = static_cast<GstPad*>(g_object_get_data(G_OBJECT(pad), "stillex-ghost"))) {
        g_object_set_data(G_OBJECT(pad), "stillex-ghost", nullptr);
        gst_element_remove_pad(GST_ELEMENT(bin), outer);
    }
}

void onInnerNoMorePads(GstElement*, gpointer bin)
{
    gst_element_no_more_pads(GST_ELEMENT(bin));
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
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(bin), source, demuxer, nullptr);
    gst_element_link(source, demuxer);
    forwardOutputs(bin, demuxer);
    auto filter = std::make_shared<TGraphFilter>(bin, clsid, true);
    filter->SetDynamicOutputs(true);
    return filter;
}

// The MPEG-1 splitter reads system streams and elementary video or audio
// alike: what follows the type finder depends on what it finds.
void onMpeg1Type(GstElement* typefind, guint, GstCaps* caps, gpointer binPtr)
{
    auto* bin = GST_ELEMENT(binPtr);
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
    if (system) {
        forwardOutputs(bin, next);
    }
    gst_element_link(typefind, next);
    gst_element_sync_state_with_parent(next);
    if (!system) {
        GstPad* src = gst_element_get_static_pad(next, "src");
        ghost(bin, src);
        gst_object_unref(src);
        gst_element_no_more_pads(bin);
    }
}

std::shared_ptr<TGraphFilter> mpeg1Splitter()
{
    GstElement* typefind = make("typefind");
    if (!typefind) return nullptr;
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add(GST_BIN(bin), typefind);
    GstPad* sink = gst_element_get_static_pad(typefind, "sink");
    GstPad* pad = gst_ghost_pad_new("sink", sink);
    gst_object_unref(sink);
    gst_element_add_pad(bin, pad);
    g_signal_connect(typefind, "have-type", G_CALLBACK(onMpeg1Type), bin);
    auto filter = std::make_shared<TGraphFilter>(bin, CLSID_MPEG1Splitter);
    filter->SetDynamicOutputs(true);
    return filter;
}

std::shared_ptr<TGraphFilter> element(const char* factory, const GUID& clsid, bool fileSource = false)
{
    GstElement* e = make(factory);
    return e ? std::make_shared<TGraphFilter>(e, clsid, fileSource) : nullptr;
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
    if (clsid == CLSID_AviSplitter) return element("avidemux", clsid);
    if (clsid == CLSID_MPEG1Splitter) return mpeg1Splitter();
    if (clsid == CLSID_MPEG2Demultiplexer || clsid == CLSID_MPEG2Splitter)
        return element("mpegpsdemux", clsid);
    if (clsid == CLSID_WMAsfReader) return readerBin("asfdemux", clsid);
    if (clsid == CLSID_DVSplitter) return element("dvdemux", clsid);
    if (clsid == CLSID_DVVideoCodec) return element("dvdec", clsid);
    if (clsid == CLSID_NullRenderer) {
        // Renders on the clock, as a renderer does (a fake sink would not).
        auto null = element("fakesink", clsid);
        if (null) g_object_set(null->Element(), "sync", TRUE, nullptr);
        return null;
    }
    if (clsid == CLSID_DSoundRender) return CreateAudioRenderer();
    return nullptr;
}

std::shared_ptr<TGraphFilter> CreateFromMoniker(const QString& displayName)
{
    if (displayName.compare(DefaultAudioMoniker, Qt::CaseInsensitive) == 0) return CreateAudioRenderer();
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
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(bin), volume, convert, resample, sink, nullptr);
    gst_element_link_many(volume, convert, resample, sink, nullptr);
    GstPad* target = gst_element_get_static_pad(volume, "sink");
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
