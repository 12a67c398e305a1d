/* A GStreamer plugin of the tests' own, to be installed and removed: one
 * element, "stillexprobe", that nothing else on the machine provides, so
 * its factory shows exactly whether the plugin is registered. */

#define PACKAGE "stillex-tests"

#include <gst/gst.h>

typedef struct {
    GstElement parent;
} StillexProbe;
typedef struct {
    GstElementClass parent_class;
} StillexProbeClass;

G_DEFINE_TYPE(StillexProbe, stillex_probe, GST_TYPE_ELEMENT)

static void stillex_probe_class_init(StillexProbeClass* klass)
{
    gst_element_class_set_static_metadata(GST_ELEMENT_CLASS(klass), "Stillex test probe", "Generic",
        "Does nothing; exists to be installed", "Stillex tests");
}

static void stillex_probe_init(StillexProbe* self)
{
    (void)self;
}

static gboolean plugin_init(GstPlugin* plugin)
{
    return gst_element_register(plugin, "stillexprobe", GST_RANK_NONE, stillex_probe_get_type());
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, stillexprobe, "Stillex test probe", plugin_init, "1.0",
    "LGPL", "stillex-tests", "https://www.kestrine.example/")
