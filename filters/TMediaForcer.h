#pragma once
// A sink that takes one kind of media only. Put at the end of a stream while
// decoders are searched, it makes the search end on exactly that type (RGB32
// video, PCM audio); it never passes a sample on and its output never
// connects.

#include "filters/TBCTransformFilter.h"

#include <QMutex>

class TMediaForcer : public TBCTransformFilter
{
public:
    TMediaForcer();

    // GUID_NULL in any place accepts anything there; all three are GUID_NULL
    // after construction.
    void SetForcedType(GUID majorType, GUID subtype, GUID formatType);
    GUID ForcedMajorType() const;
    GUID ForcedSubtype() const;
    GUID ForcedFormatType() const;

    HRESULT Transform(TMediaSample* in, TMediaSample* out) override; // S_FALSE: dropped
    HRESULT CheckInputType(const TMediaType& mt) override;
    HRESULT CheckTransform(const TMediaType& in, const TMediaType& out) override;
    HRESULT DecideBufferSize(TMemAllocator& allocator, ALLOCATOR_PROPERTIES& request) override;
    HRESULT GetMediaType(int position, TMediaType& mt) override;

private:
    // Set on the main thread, read where caps are negotiated.
    mutable QMutex m_typeLock;
    GUID m_major = GUID_NULL;
    GUID m_subtype = GUID_NULL;
    GUID m_format = GUID_NULL;
};
