#pragma once
// What a filter element offers to take on its input, shared by the transform
// and the sink element: the caps hint (readable from any thread, since caps
// queries come from anywhere) and the acceptance rule built on the filter's
// CheckInputType.

#include "filters/TBCTransformFilter.h"

#include <QMutex>
#include <gst/gst.h>

class TAcceptedCaps
{
public:
    TAcceptedCaps() = default;
    ~TAcceptedCaps();
    TAcceptedCaps(const TAcceptedCaps&) = delete;
    TAcceptedCaps& operator=(const TAcceptedCaps&) = delete;

    // A new reference: the hint, or ANY when none was given.
    GstCaps* Get() const;
    // Takes a new reference to `caps` (null clears the hint).
    void Set(const GstCaps* caps);
    // Takes over a reference the caller owns.
    void Adopt(GstCaps* caps);

    // Within the hint and, for fixed caps, a media type we can describe.
    // With `askFilter`, the filter's CheckInputType must also take it; a
    // streaming filter is not asked, because its CheckInputType may take the
    // new geometry at once while earlier frames are still on their way: the
    // type is checked when the caps are set, in stream order.
    bool Accepts(GstCaps* caps, TBCTransformFilter* filter, GstObject* owner, bool askFilter = true) const;

    // The "accepted-caps" property both elements carry.
    static void InstallProperty(GObjectClass* klass, guint id);
    void GetProperty(GValue* value) const;

private:
    mutable QMutex m_lock;
    GstCaps* m_caps = nullptr;
};

// Runs a filter hook so that no exception crosses into GStreamer.
template <class F> HRESULT SafeFilterCall(F&& call) noexcept
{
    try {
        return call();
    } catch (...) {
        return E_FAIL;
    }
}
