#pragma once
// One scene of a video's companion scene file: where it starts, in frames
// counted from 0 at the start of the video.

#include <QString>
#include <cstdint>

struct TScene {
    QString Name; // the scene file this scene was read from
    int32_t StartFrame = 0; // below 0 means before every frame
    uint32_t Value2 = 0; // read with the scene and kept, not interpreted
};
