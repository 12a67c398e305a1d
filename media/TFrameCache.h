#pragma once
// The pictures of the frames recently shown or decoded while paused, so that
// stepping back over them does not decode again from the last keyframe: on a
// long group of pictures one frame back otherwise costs up to hundreds of
// frames of decoding.
//
// The memory is bounded: a picture that would take the cache over its budget
// pushes out those farthest from it first, so the frames around the one just
// added stay. Filled from the streaming thread, read from the main thread.
#include "filters/TvData.h"

#include <QImage>
#include <QMutex>
#include <cstdint>
#include <map>

class TFrameCache
{
public:
    // Enough for 30 frames of 1920x1080 at 32 bits, and about 160 of 720x576.
    static constexpr int64_t DefaultBudget = 256LL * 1024 * 1024;

    struct TEntry {
        int64_t Position = 0; // where the frame starts, 100-ns units
        int64_t FrameStart = -1; // its stream position, -1 when it had none
        QImage Picture; // as it came in, before any inlay
        bool HasDv = false;
        TDvFrameStamp Dv;
    };

    explicit TFrameCache(int64_t budget = DefaultBudget);

    // A deep copy of picture is kept, replacing any frame at the same
    // position. A picture larger than the whole budget is not kept.
    void Insert(int64_t position, int64_t frameStart, const QImage& picture, const TDvFrameStamp* dv);
    // The frame whose time, frameDuration long from its start, holds
    // position; false when no frame kept does.
    bool Find(int64_t position, int64_t frameDuration, TEntry& out) const;
    // The last frame kept that starts before position; false when none does.
    bool LastBefore(int64_t position, TEntry& out) const;
    void Clear();

    int64_t Budget() const { return m_budget; }
    int64_t Bytes() const;
    int Count() const;
    // How many frames of this size the budget holds (at least 1).
    int64_t FramesFor(int width, int height) const;

private:
    const int64_t m_budget;
    mutable QMutex m_lock;
    std::map<int64_t, TEntry> m_entries;
    int64_t m_bytes = 0;
};
