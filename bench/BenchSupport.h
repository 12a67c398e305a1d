#pragma once
// What the benchmark programs share: the median of their runs and a count of
// the frames reaching an element.

#include <algorithm>
#include <atomic>
#include <gst/gst.h>
#include <vector>

// The middle value, or the mean of the two middle values; 0 for none.
inline double median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

inline GstPadProbeReturn countBuffer(GstPad*, GstPadProbeInfo*, gpointer counter)
{
    ++*static_cast<std::atomic<int>*>(counter);
    return GST_PAD_PROBE_OK;
}

// Counts the buffers that reach element's sink pad; false when it has none.
inline bool countFramesInto(GstElement* element, std::atomic<int>* counter)
{
    GstPad* pad = element ? gst_element_get_static_pad(element, "sink") : nullptr;
    if (!pad) return false;
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, countBuffer, counter, nullptr);
    gst_object_unref(pad);
    return true;
}
