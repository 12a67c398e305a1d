#include "filters/TMediaForcer.h"

#include <QMutexLocker>

namespace
{
const GUID kMediaForcerClass { 0x574BBEA3, 0xD5F4, 0x4CE2,
    { 0xB7, 0x89, 0xA6, 0xBF, 0x39, 0xCA, 0xE6, 0xD1 } };

bool matches(const GUID& forced, const GUID& offered)
{
    return forced == GUID_NULL || forced == offered;
}
} // namespace

TMediaForcer::TMediaForcer()
    : TBCTransformFilter(QStringLiteral("Kestrine's MediaForcer"), kMediaForcerClass)
{
}

void TMediaForcer::SetForcedType(GUID majorType, GUID subtype, GUID formatType)
{
    QMutexLocker lock(&m_typeLock);
    m_major = majorType;
    m_subtype = subtype;
    m_format = formatType;
}

HRESULT TMediaForcer::Transform(TMediaSample*, TMediaSample*)
{
    return S_FALSE;
}

GUID TMediaForcer::ForcedMajorType() const
{
    QMutexLocker lock(&m_typeLock);
    return m_major;
}

GUID TMediaForcer::ForcedSubtype() const
{
    QMutexLocker lock(&m_typeLock);
    return m_subtype;
}

GUID TMediaForcer::ForcedFormatType() const
{
    QMutexLocker lock(&m_typeLock);
    return m_format;
}

HRESULT TMediaForcer::CheckInputType(const TMediaType& mt)
{
    QMutexLocker lock(&m_typeLock);
    return matches(m_major, mt.majortype) && matches(m_subtype, mt.subtype)
            && matches(m_format, mt.formattype)
        ? S_OK
        : E_FAIL;
}

// The output side never connects: no type, no transform, no buffers.
HRESULT TMediaForcer::CheckTransform(const TMediaType&, const TMediaType&)
{
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TMediaForcer::DecideBufferSize(TMemAllocator&, ALLOCATOR_PROPERTIES&)
{
    return E_FAIL;
}

HRESULT TMediaForcer::GetMediaType(int, TMediaType&)
{
    return E_UNEXPECTED;
}
