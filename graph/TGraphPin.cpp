#include "graph/TGraphPin.h"

#include "graph/CapsMediaType.h"
#include "graph/MediaTypeGuids.h"

TGraphPin::TGraphPin(TGraphFilter* filter, GstPad* pad)
    : m_filter(filter)
    , m_pad(GST_PAD(gst_object_ref(pad)))
    , m_direction(GST_PAD_DIRECTION(pad) == GST_PAD_SRC ? PINDIR_OUTPUT : PINDIR_INPUT)
{
    gchar* name = gst_pad_get_name(pad);
    m_name = QString::fromUtf8(name);
    g_free(name);
}

TGraphPin::~TGraphPin()
{
    if (m_pad) gst_object_unref(m_pad);
}

GstCaps* TGraphPin::Caps() const
{
    if (!m_pad) return nullptr;
    if (GstCaps* current = gst_pad_get_current_caps(m_pad)) return current;
    return gst_pad_query_caps(m_pad, nullptr);
}

HRESULT TGraphPin::ConnectionMediaType(TMediaType& out) const
{
    if (!m_peer || !m_pad) return VFW_E_NOT_CONNECTED;
    GstCaps* caps = gst_pad_get_current_caps(m_pad);
    if (!caps) caps = gst_pad_get_current_caps(m_peer->m_pad);
    if (!caps) {
        // Linked but nothing negotiated yet: what both ends agree on.
        GstCaps* mine = gst_pad_query_caps(m_pad, nullptr);
        caps = gst_pad_peer_query_caps(m_pad, mine);
        gst_caps_unref(mine);
    }
    const bool ok = MediaTypeFromCaps(caps, out);
    if (caps) gst_caps_unref(caps);
    return ok ? S_OK : E_FAIL;
}

bool TGraphPin::PreferredMediaType(TMediaType& out) const
{
    GstCaps* caps = Caps();
    if (!caps) return false;
    bool ok = false;
    for (guint i = 0; i < gst_caps_get_size(caps) && !ok; ++i)
        ok = MediaTypeFromStructure(gst_caps_get_structure(caps, i), out);
    gst_caps_unref(caps);
    return ok;
}

bool TGraphPin::OffersType(const GUID& majortype, const GUID& subtype) const
{
    GstCaps* caps = Caps();
    if (!caps) return false;
    bool found = false;
    for (guint i = 0; i < gst_caps_get_size(caps) && !found; ++i) {
        const GstStructure* s = gst_caps_get_structure(caps, i);
        TMediaType mt;
        if (MediaTypeFromStructure(s, mt)) {
            found = mt.majortype == majortype && (subtype == GUID_NULL || mt.subtype == subtype);
        } else if (subtype == GUID_NULL && gst_structure_has_name(s, "video/x-raw")) {
            // Raw types have no record until they are fixed (a decoder's
            // output before it decoded anything), but their kind is known.
            found = majortype == MEDIATYPE_Video;
        } else if (subtype == GUID_NULL && gst_structure_has_name(s, "audio/x-raw")) {
            found = majortype == MEDIATYPE_Audio;
        }
    }
    gst_caps_unref(caps);
    return found;
}
