#pragma once

#include "media/TavSource.h"

class TAudioSource : public TavSource
{
public:
    // A named stream that belongs to no device (the "no audio" entry).
    explicit TAudioSource(const QString& displayName) { DisplayName = displayName; }
    // Stream n (from 1) of the audio streams device found; "clip.mpg#2".
    TAudioSource(TCaptureDevice* device, int32_t n);
};
