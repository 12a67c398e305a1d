#pragma once
// Runs a filter whose output is never connected (the media forcer) as a
// GStreamer sink: accept-caps asks CheckInputType, caps connect the input
// pin, every rendered buffer goes through Receive and is then let go. Like
// TFilterElement it does not own the filter.

#include <gst/gst.h>

class TBCTransformFilter;

class TFilterSinkElement
{
public:
    // A new floating sink around `filter`; `acceptedInputCaps` as for
    // TFilterElement::Create. The sink does not synchronise to the clock by
    // default ("sync" property false): what reaches it is dropped anyway.
    static GstElement* Create(
        TBCTransformFilter* filter, const char* name = nullptr, const char* acceptedInputCaps = nullptr);
    static GType Type();
};
