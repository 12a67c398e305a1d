#include "graph/MediaRuntime.h"

#include <gst/gst.h>
#include <mutex>

namespace
{

struct TProbe {
    bool usable = false;
    QString version;
};

TProbe runProbe()
{
    TProbe probe;
    GError* error = nullptr;
    if (!gst_init_check(nullptr, nullptr, &error)) {
        if (error) g_error_free(error);
        return probe;
    }
    guint major = 0, minor = 0, micro = 0, nano = 0;
    gst_version(&major, &minor, &micro, &nano);
    probe.version = QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(micro);
    if (major < 1 || (major == 1 && minor < 16)) return probe;
    for (const char* name : { "filesrc", "queue", "videoconvert", "decodebin" }) {
        // Making the element loads its plugin, which a registry entry alone
        // does not prove possible.
        GstElement* element = gst_element_factory_make(name, nullptr);
        if (!element) return probe;
        gst_object_unref(gst_object_ref_sink(element));
    }
    probe.usable = true;
    return probe;
}

const TProbe& probe()
{
    static std::once_flag once;
    static TProbe result;
    std::call_once(once, [] { result = runProbe(); });
    return result;
}

} // namespace

bool MediaRuntimeUsable()
{
    return probe().usable;
}

QString MediaRuntimeVersion()
{
    return probe().version;
}
