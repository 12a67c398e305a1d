#pragma once
// Whether the media runtime (GStreamer) can decode here: it initialises, is
// recent enough and its core plugins load. Probed once, then cached.

#include <QString>

// True when the runtime initialises, is at least 1.16 and the elements
// "filesrc", "queue", "videoconvert" and "decodebin" are available.
bool MediaRuntimeUsable();
// The runtime's version, e.g. "1.22.0"; empty when it does not initialise.
QString MediaRuntimeVersion();
