#pragma once
// How far before its target the Matroska splitter starts an exact seek.
//
// Some audio decoders need frames from before a position to give its sound
// right, so the splitter looks up its index that much before the target (the
// longest such need of its audio streams). A key frame at or just after that
// point is then passed over for the one before it: on a file with a key frame
// every 10 s, a seek to a key frame decodes the ten seconds before it. The
// graph sends the seek this much later, so that the index is looked up at the
// target itself, and moves the splitter's segments back by as much.

#include <gst/gst.h>

// The lead-in in ns the splitter takes for one audio output of these caps;
// 0 for video, for codecs without one, or when the rate is unknown. Rounded
// down, never above the splitter's own figure: a later seek could start past
// the target.
gint64 MatroskaSeekLeadIn(const GstCaps* caps);
