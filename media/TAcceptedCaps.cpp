#include "media/TAcceptedCaps.h"

#include "graph/CapsMediaType.h"

TAcceptedCaps::~TAcceptedCaps()
{
    gst_caps_replace(&m_caps, nullptr);
}

GstCaps* TAcceptedCaps::Get() const
{
    QMutexLocker lock(&m_lock);
    return m_caps ? gst_caps_ref(m_caps) : gst_caps_new_any();
}

void TAcceptedCaps::Set(const GstCaps* caps)
{
    QMutexLocker lock(&m_lock);
    gst_caps_replace(&m_caps, const_cast<GstCaps*>(caps));
}

void TAcceptedCaps::Adopt(GstCaps* caps)
{
    QMutexLocker lock(&m_lock);
    gst_caps_take(&m_caps, caps);
}

bool TAcceptedCaps::Accepts(GstCaps* caps, TBCTransformFilter* filter, GstObject* owner, bool askFilter) const
{
    GstCaps* accepted = Get();
    const bool within = gst_caps_can_intersect(caps, accepted);
    gst_caps_unref(accepted);
    if (!within) return false;
    if (!gst_caps_is_fixed(caps)) return true;
    TMediaType mt;
    if (!MediaTypeFromCaps(caps, mt)) return false;
    if (!askFilter) return true;
    const HRESULT hr = SafeFilterCall([&] { return filter->QueryAccept(mt); });
    GST_DEBUG_OBJECT(owner, "QueryAccept 0x%08X for %" GST_PTR_FORMAT, unsigned(hr), caps);
    return hr == S_OK;
}

void TAcceptedCaps::InstallProperty(GObjectClass* klass, guint id)
{
    g_object_class_install_property(klass, id,
        g_param_spec_boxed("accepted-caps", "Accepted caps", "What the filter is offered to take",
            GST_TYPE_CAPS, GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
}

void TAcceptedCaps::GetProperty(GValue* value) const
{
    GstCaps* caps = Get();
    gst_value_set_caps(value, caps);
    gst_caps_unref(caps);
}
