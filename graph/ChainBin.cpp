#include "graph/ChainBin.h"

namespace
{
struct StillexChainBin {
    GstBin parent;
    GMutex lock;
    gboolean shuttingDown;
};

struct StillexChainBinClass {
    GstBinClass parent;
};

GType chainBinType();
GstElementClass* parentClass = nullptr;

StillexChainBin* asChainBin(GstElement* e)
{
    return e && G_TYPE_CHECK_INSTANCE_TYPE(e, chainBinType()) ? reinterpret_cast<StillexChainBin*>(e)
                                                              : nullptr;
}

GstStateChangeReturn changeState(GstElement* element, GstStateChange transition)
{
    StillexChainBin* self = asChainBin(element);
    // Before the children go down: from here on no callback builds, and
    // one building now finishes first (it needs nothing the shutdown holds
    // yet).
    if (transition == GST_STATE_CHANGE_PAUSED_TO_READY) {
        g_mutex_lock(&self->lock);
        self->shuttingDown = TRUE;
        g_mutex_unlock(&self->lock);
    }
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
        g_mutex_lock(&self->lock);
        self->shuttingDown = FALSE;
        g_mutex_unlock(&self->lock);
    }
    return parentClass->change_state(element, transition);
}

void finalize(GObject* object)
{
    g_mutex_clear(&reinterpret_cast<StillexChainBin*>(object)->lock);
    G_OBJECT_CLASS(parentClass)->finalize(object);
}

void classInit(gpointer klass, gpointer)
{
    parentClass = GST_ELEMENT_CLASS(g_type_class_peek_parent(klass));
    GST_ELEMENT_CLASS(klass)->change_state = changeState;
    G_OBJECT_CLASS(klass)->finalize = finalize;
}

void instanceInit(GTypeInstance* instance, gpointer)
{
    auto* self = reinterpret_cast<StillexChainBin*>(instance);
    g_mutex_init(&self->lock);
    self->shuttingDown = FALSE;
}

GType chainBinType()
{
    static gsize type = 0;
    if (g_once_init_enter(&type)) {
        const GType t = g_type_register_static_simple(GST_TYPE_BIN, "StillexChainBin",
            sizeof(StillexChainBinClass), classInit, sizeof(StillexChainBin), instanceInit, GTypeFlags(0));
        g_once_init_leave(&type, t);
    }
    return GType(type);
}
} // namespace

namespace ChainBin
{
GstElement* New()
{
    return GST_ELEMENT(g_object_new(chainBinType(), nullptr));
}

TBuildLock::TBuildLock(GstElement* bin)
{
    if (StillexChainBin* self = asChainBin(bin)) {
        m_lock = &self->lock;
        g_mutex_lock(m_lock);
        m_shuttingDown = self->shuttingDown;
    }
}

TBuildLock::~TBuildLock()
{
    if (m_lock) g_mutex_unlock(m_lock);
}
} // namespace ChainBin
