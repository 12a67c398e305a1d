#pragma once
// Presentation times for MPEG-1/2 pictures the stream left without one.
//
// A program stream stamps a packet, not a picture: a picture that starts
// inside a packet begun by another has no time of its own. The decoder then
// guesses, and after a predicted picture without a time it stamps that one
// and the two-way pictures around it alike (a file written at 25 fps gave
// 0.86, 0.98, 0.98, 0.98, 1.02): positions, steps and every capture point
// among them took the wrong picture. Each picture header carries its place
// in its group (the temporal reference), so a picture of the same group
// with a time gives the others theirs.

#include <cstddef>
#include <cstdint>

class TMpegPictureTimes
{
public:
    // Forgets the groups seen (a flush: what comes next is elsewhere).
    void Reset();
    // One picture's display time, in ns; 0 or less leaves pictures as they are.
    void SetFrameDuration(int64_t ns) { m_frameDuration = ns; }

    // One picture as a parser frames it (with the sequence and group headers
    // that precede it) and its time in ns, -1 for none. Returns the time it
    // should carry: its own when it has one, else the one its temporal
    // reference gives from a stamped picture of its group, or of the group
    // before when none of this one has come yet (a group's first picture
    // shows after the last of the one before), else -1. Groups that repeat
    // fields (3:2 pulldown) show pictures for unequal times and are left as
    // they are.
    int64_t Take(const uint8_t* data, size_t size, int64_t pts);

private:
    int64_t m_frameDuration = 0;
    bool m_anchored = false; // a stamped picture of the current group is known
    int64_t m_anchorTime = 0;
    int m_anchorReference = 0;
    bool m_pulldown = false; // the current group repeats fields
    int m_lastReference = -1; // the highest reference of the current group so far
};
