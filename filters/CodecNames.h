#pragma once
// Short names of media types for the stream labels and the descriptions.

#include "graph/TMediaType.h"

#include <QString>
#include <cstdint>

// The four bytes of code, lowest first, when each is a printable character
// (above 0x1F); otherwise empty.
QString FourCCText(uint32_t code);

// "RGB24", "RGB32", ... for uncompressed RGB; the FOURCC of the picture
// header for the two video-info formats; "MPEG1" or "MPEG2" (or the FOURCC of
// a FOURCC subtype) for the MPEG formats; empty for anything else or an
// unreadable format block.
QString VideoCodecName(const TMediaType& mt);

// "???" for a non-audio type; fixed names for the MPEG and DVD subtypes;
// otherwise the first four characters of the wave format tag's name (empty
// for an unknown tag), or "???" without a usable wave format.
QString AudioCodecName(const TMediaType& mt);
