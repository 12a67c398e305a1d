#include "graph/TGraphPin.h"

#include "graph/CapsMediaType.h"
#include "graph/MediaTypeGuids.h"

TGraphPin::TGraphPin(TGraphFilter* filter, GstPad* pad)
    : m_filter(filter)
    , m_pad(GST_PAD(gst_object_ref(pad)))
    , m_heldPad(m_pad.load())
    , m_direction(GST_PAD_DIRECTION(pad) == GST_PAD_SRC ? PINDIR_OUTPUT : PINDIR_INPUT)
{
    gchar* name = gst_pad_get_name(pad);
    m_name = QString::fromUtf8(name);
    g_free(name);
}

TGraphPin::~TGraphPin()
{
    gst_object_unref(m_heldPad);
}

GstCaps* TGraphPin::Caps() const
{
    GstPad* pad = m_pad;
    if (!pad) return nullptr;
    if (GstCaps* current = gst_pad_get_current_caps(pad)) return current;
    return gst_pad_query_caps(pad, nullptr);
}

namespace
{
// The type of one structure of a pin's caps. Caps that are not fixed yet (a
// parser's or decoder's output before any data) have no record of their
// own: the type they would settle on is taken, and failing that their kind.
bool typeOf(const GstStructure* s, TMediaType& out, bool& kindOnly)
{
    kindOnly = false;
    if (MediaTypeFromStructure(s, out)) return true;
    GstCaps* one = gst_caps_new_full(gst_structure_copy(s), nullptr);
    one = gst_caps_fixate(one);
    const bool ok = !gst_caps_is_empty(one) && MediaTypeFromStructure(gst_caps_get_structure(one, 0), out);
    gst_caps_unref(one);
    if (ok) return true;
    const char* name = gst_structure_get_name(s);
    const bool audio = g_str_has_prefix(name, "audio/");
    if (!audio && !g_str_has_prefix(name, "video/")) return false;
    out = TMediaType();
    out.majortype = audio ? MEDIATYPE_Audio : MEDIATYPE_Video;
    kindOnly = true;
    return true;
}
} // namespace

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
        // The type the link would settle on.
        if (caps && !gst_caps_is_empty(caps) && !gst_caps_is_any(caps)) caps = gst_caps_fixate(caps);
    }
    // Until the link has negotiated, what it carries may be known only by
    // its kind; that is still what decides whether it carries video.
    bool kindOnly = false;
    const bool ok = caps && !gst_caps_is_empty(caps) && !gst_caps_is_any(caps)
        && typeOf(gst_caps_get_structure(caps, 0), out, kindOnly);
    if (caps) gst_caps_unref(caps);
    return ok ? S_OK : E_FAIL;
}

bool TGraphPin::PreferredMediaType(TMediaType& out) const
{
    GstCaps* caps = Caps();
    if (!caps) return false;
    bool ok = false;
    bool kindOnly = false;
    for (guint i = 0; i < gst_caps_get_size(caps) && !ok; ++i)
        ok = typeOf(gst_caps_get_structure(caps, i), out, kindOnly);
    gst_caps_unref(caps);
    return ok;
}

bool TGraphPin::OffersType(const GUID& majortype, const GUID& subtype) const
{
    GstCaps* caps = Caps();
    if (!caps) return false;
    bool found = false;
    for (guint i = 0; i < gst_caps_get_size(caps) && !found; ++i) {
        TMediaType mt;
        bool kindOnly = false;
        if (typeOf(gst_caps_get_structure(caps, i), mt, kindOnly))
            found
                = mt.majortype == majortype && (subtype == GUID_NULL || (!kindOnly && mt.subtype == subtype));
    }
    gst_caps_unref(caps);
    return found;
}
