#pragma once
// Runs one of our transform filters inside a GStreamer pipeline: a private
// GstBaseTransform subclass that turns caps into media type records and the
// pin connections, buffers into samples, state changes into Pause/Run/Stop
// and events into the flush, end-of-stream and segment hooks. The filter's
// own code never sees a GStreamer type; only this adapter and the sink one
// (TFilterSinkElement) do.
//
// The element does not own the filter: whoever made the filter keeps it alive
// while the element runs, i.e. until it is back in READY (or NULL). The
// element binds the filter's delivery functions when it starts and unbinds
// them when it stops; it never touches the filter afterwards, not even when
// it is finalized, which GStreamer may do late and on another thread.

#include "filters/TMediaSample.h"

#include <gst/gst.h>

class TBCTransformFilter;

class TFilterElement
{
public:
    // A new floating element around `filter`. `acceptedInputCaps` (a caps
    // string, e.g. "video/x-raw,format={BGRx,BGRA}") is what the sink pad
    // answers to caps queries, so that an upstream converter produces what
    // the filter's CheckInputType wants; nullptr accepts anything and leaves
    // the choice to CheckInputType. Null on a null filter or unparsable caps.
    static GstElement* Create(
        TBCTransformFilter* filter, const char* name = nullptr, const char* acceptedInputCaps = nullptr);

    // The filter behind an element made by Create or TFilterSinkElement::
    // Create; nullptr for any other element.
    static TBCTransformFilter* Filter(GstElement* element);
    // Changes the accepted input caps of either kind of element (nullptr =
    // anything) and asks upstream to negotiate again. False for another
    // element or unparsable caps.
    static bool SetAcceptedInputCaps(GstElement* element, const char* caps);

    static GType Type();

    // The element a filter works for now (set when an element binds the
    // filter's delivery functions). ReleaseFilter unbinds them and answers
    // true only when `element` still is that element.
    static void ClaimFilter(TBCTransformFilter* filter, GstElement* element);
    static bool ReleaseFilter(TBCTransformFilter* filter, GstElement* element);

    // What an event at either element's input means to the filter: the
    // flush hooks, the end of the stream, and a time segment's start, stop
    // (as stream positions) and rate. The event itself goes on as usual.
    static void PassEvent(TBCTransformFilter* filter, GstEvent* event);

    // Buffer <-> sample, shared by both elements. Sample times are 100-ns
    // units from the start of the segment (running time minus the segment's
    // base): after a flushing seek the frame at the seek position has time 0,
    // a frame before it a negative time and the preroll flag.
    static bool SampleTimeFromPosition(
        const GstSegment& segment, GstClockTime position, REFERENCE_TIME& time);
    static bool PositionFromSampleTime(
        const GstSegment& segment, REFERENCE_TIME time, GstClockTime& position);
    // Views `data` (the mapped buffer) and copies times and flags; the media
    // type, stream identifier and type flags are cleared.
    static void FillSample(
        TMediaSample& sample, GstBuffer* buffer, uint8_t* data, gsize size, const GstSegment& segment);
    // Writes the sample's flags into `buffer` and, where they differ from
    // those of `source` (the sample the buffer's times came from), its times.
    static void ApplySample(
        const TMediaSample& sample, const TMediaSample& source, GstBuffer* buffer, const GstSegment& segment);
};
