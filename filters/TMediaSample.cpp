#include "filters/TMediaSample.h"

#include <algorithm>

namespace
{
// The platform's code for a sample without media times; only callers of
// GetMediaTime see it, and they test it with FAILED.
constexpr HRESULT VFW_E_MEDIA_TIME_NOT_SET = HRESULT(0x80040251u);
} // namespace

TMediaSample::TMediaSample(uint8_t* data, int32_t size, int32_t actualLength)
{
    Attach(data, size, actualLength);
}

void TMediaSample::Attach(uint8_t* data, int32_t size, int32_t actualLength)
{
    // A view without memory has no room at all, whatever the caller says.
    m_data = data;
    m_size = data ? std::max(size, 0) : 0;
    m_actual = actualLength < 0 ? m_size : std::min(actualLength, m_size);
}

HRESULT TMediaSample::GetPointer(uint8_t** data) const
{
    if (!data) return E_POINTER;
    *data = m_data;
    return S_OK;
}

HRESULT TMediaSample::SetActualDataLength(int32_t length)
{
    if (length < 0 || length > m_size) return E_INVALIDARG;
    m_actual = length;
    return S_OK;
}

HRESULT TMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) const
{
    if (!start || !stop) return E_POINTER;
    if (!m_hasStart) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = m_start;
    if (!m_hasStop) {
        *stop = m_start + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *stop = m_stop;
    return S_OK;
}

HRESULT TMediaSample::SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop)
{
    if (!start) {
        m_hasStart = m_hasStop = false;
        m_start = m_stop = 0;
        return S_OK;
    }
    m_hasStart = true;
    m_start = *start;
    m_hasStop = stop != nullptr;
    m_stop = stop ? *stop : 0;
    return S_OK;
}

HRESULT TMediaSample::GetMediaTime(int64_t* start, int64_t* stop) const
{
    if (!start || !stop) return E_POINTER;
    if (!m_hasMediaTime) return VFW_E_MEDIA_TIME_NOT_SET;
    *start = m_mediaStart;
    *stop = m_mediaStop;
    return S_OK;
}

HRESULT TMediaSample::SetMediaTime(const int64_t* start, const int64_t* stop)
{
    if (!start) {
        m_hasMediaTime = false;
        m_mediaStart = m_mediaStop = 0;
        return S_OK;
    }
    if (!stop) return E_POINTER;
    m_hasMediaTime = true;
    m_mediaStart = *start;
    m_mediaStop = *stop;
    return S_OK;
}

HRESULT TMediaSample::SetSyncPoint(bool on)
{
    m_sync = on;
    return S_OK;
}

HRESULT TMediaSample::SetDiscontinuity(bool on)
{
    m_discontinuity = on;
    return S_OK;
}

HRESULT TMediaSample::SetPreroll(bool on)
{
    m_preroll = on;
    return S_OK;
}

HRESULT TMediaSample::GetMediaType(TMediaType& out) const
{
    if (!m_type) return S_FALSE;
    out = *m_type;
    return S_OK;
}

HRESULT TMediaSample::SetMediaType(const TMediaType* type)
{
    if (type)
        m_type = *type;
    else
        m_type.reset();
    return S_OK;
}
