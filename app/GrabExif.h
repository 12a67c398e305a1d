#pragma once
// When the picture a grab keeps was filmed, for its EXIF block: the frame's
// recording date (a DV datecode or a camcorder's H.264 date) moved by the
// inlay's time offset, which users set to correct the camera's clock, with
// the frame's place in its second; else, when the container states when it
// was made, that time plus the frame's position; else nothing.

#include "capture/TExifBlock.h"
#include "filters/InlayLines.h"

#include <cstdint>
#include <optional>

// values: those the frame was drawn with (Tsuperposer::LastValues);
// frameDuration in 100-ns units; offset in days; creation in milliseconds
// since 1970 UTC. Container times are given in the machine's local time, as
// EXIF dates are.
TExifBlock GrabExif(
    const TInlayValues& values, int64_t frameDuration, double offset, std::optional<int64_t> creation);
