#pragma once
// Where the scene steps go from a given frame. The media system turns the
// current position into a frame (rounded down), asks here, and seeks to the
// answer times its frame duration.

#include <cstdint>

class TSceneList;

// The start of the last scene, in list order, that starts before the
// current frame; 0 when none does or the list is empty. A negative start is
// returned as it is (the seek clamps it to 0).
int64_t PreviousSceneFrame(const TSceneList& list, int64_t currentFrame);

// The start of the first scene, in list order, that starts at 0 or later and
// after the current frame. False when there is none: the step then goes to
// the end of the video.
bool NextSceneFrame(const TSceneList& list, int64_t currentFrame, int64_t& frame);
