#pragma once
// A bin that builds part of its chain from its own streaming threads (a
// type finder's answer, a decoder chosen on the first caps). Such a callback
// brings the new elements up to the bin's state, which takes locks of the
// elements around it; if the bin were being shut down at that moment, the
// shutdown would wait for the streaming thread and the streaming thread for
// the shutdown. So the bin keeps a lock and a "shutting down" flag: the
// flag is set under the lock before the bin's children go down, and a
// callback that finds it set builds nothing.

#include <gst/gst.h>

namespace ChainBin
{
// A new, empty bin of this kind (floating reference, as gst_bin_new).
GstElement* New();

// Held by a callback while it builds; ShuttingDown() says whether it must
// give up. On a bin of another kind, nothing is locked and it never is.
class TBuildLock
{
public:
    explicit TBuildLock(GstElement* bin);
    ~TBuildLock();
    TBuildLock(const TBuildLock&) = delete;
    TBuildLock& operator=(const TBuildLock&) = delete;
    bool ShuttingDown() const { return m_shuttingDown; }

private:
    GMutex* m_lock = nullptr;
    bool m_shuttingDown = false;
};
} // namespace ChainBin
