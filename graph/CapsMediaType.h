#pragma once
// The mapping between GStreamer caps and media type records, so that the
// media filters, which only know records, can sit in GStreamer pipelines.
// Table-driven; every kind of stream that the supported files carry has a row.
//
// Raw RGB video: GStreamer frames are always stored top row first. Records made
// here say so the platform's way, with a negative biHeight. The reverse mapping
// accepts either sign and gives the same caps, since GStreamer has no bottom-up
// raw video: a record with a positive height stands for the same frames, and
// whoever consumes such a buffer must read it by the record's sign. YUV FOURCC
// types are top-down by definition and keep a positive height both ways.

#include "graph/TMediaType.h"

#include <gst/gst.h>

// Fills out from the first structure of caps. False, with out untouched, for
// null, empty or ANY caps, for raw media whose caps are not fixed, and for
// media that have no record here.
bool MediaTypeFromCaps(const GstCaps* caps, TMediaType& out);
bool MediaTypeFromStructure(const GstStructure* structure, TMediaType& out);

// New caps, owned by the caller; nullptr for a record without a caps
// equivalent or whose format block is missing or too short for its type.
GstCaps* CapsFromMediaType(const TMediaType& mt);

// Frame duration in 100-ns units from a frame rate num/den, rounded to the
// nearest unit (30000/1001 gives 333667); 0 when the rate is 0 or invalid.
REFERENCE_TIME FrameDurationFromRate(int num, int den);
// The reverse: the common broadcast and film rates are recognised exactly
// (333667 gives 30000/1001), others are approximated. False for a duration <= 0.
bool RateFromFrameDuration(REFERENCE_TIME duration, int& num, int& den);

// What every stream of a type (major type and subtype, no format block) has
// in common: the caps of a small stream of that type without the fields that
// describe one stream (size, rate, channels, codec data, ...). New caps, or
// nullptr for a type without caps. Raw video and audio keep their format.
GstCaps* CapsForSubtype(const GUID& major, const GUID& subtype);
