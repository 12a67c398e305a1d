#include "graph/SeekLeadIn.h"

#include <gst/pbutils/codec-utils.h>

gint64 MatroskaSeekLeadIn(const GstCaps* caps)
{
    if (!caps || gst_caps_get_size(caps) == 0) return 0;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    int rate = 0;
    if (!gst_structure_get_int(s, "rate", &rate) || rate <= 0) return 0;
    // Blocks of the longest frame the codec allows, as many as the splitter
    // counts for it.
    guint64 blocks = 0;
    guint64 blockSamples = 0;
    if (gst_structure_has_name(s, "audio/mpeg")) {
        int version = 0;
        gst_structure_get_int(s, "mpegversion", &version);
        if (version == 1) {
            blocks = 30;
            blockSamples = 1152;
        } else if (version == 2 || version == 4) {
            blocks = 2;
            blockSamples = 1024;
            // The splitter counts from the file's own rate. Its caps may say
            // twice as much (taken for a doubled-rate stream), the codec's
            // set-up block says the rate it is coded at.
            const GValue* setup = gst_structure_get_value(s, "codec_data");
            GstBuffer* data
                = setup && G_VALUE_HOLDS(setup, GST_TYPE_BUFFER) ? gst_value_get_buffer(setup) : nullptr;
            GstMapInfo map;
            if (data && gst_buffer_map(data, &map, GST_MAP_READ)) {
                const int coded = gst_codec_utils_aac_get_sample_rate(map.data, guint(map.size));
                gst_buffer_unmap(data, &map);
                if (coded > rate) return 0;
                if (coded > 0) rate = coded;
            }
        }
    } else if (gst_structure_has_name(s, "audio/x-ac3") || gst_structure_has_name(s, "audio/x-eac3")) {
        blocks = 2;
        blockSamples = 1536;
    }
    if (blocks == 0) return 0;
    return gint64(gst_util_uint64_scale(GST_SECOND, blocks * blockSamples, guint64(rate)));
}
