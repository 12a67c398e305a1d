#pragma once

#include "media/TavSource.h"

class TVideoSource : public TavSource
{
public:
    // A named stream that belongs to no device (the "no video" entry).
    explicit TVideoSource(const QString& displayName) { DisplayName = displayName; }
    // Stream n (from 1) of the video streams device found; "clip.mpg #2".
    TVideoSource(TCaptureDevice* device, int32_t n);
};
