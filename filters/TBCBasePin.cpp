#include "filters/TBCBasePin.h"

#include <algorithm>

HRESULT TMemAllocator::SetProperties(const ALLOCATOR_PROPERTIES& request, ALLOCATOR_PROPERTIES& actual)
{
    // A pool in use keeps its buffers: changing them under the stream would
    // hand out memory of the wrong size.
    if (Committed) return VFW_E_WRONG_STATE;
    if (request.cBuffers < 0 || request.cbBuffer < 0 || request.cbAlign < 0 || request.cbPrefix < 0)
        return E_INVALIDARG;
    ALLOCATOR_PROPERTIES granted = request;
    granted.cbAlign = std::max(granted.cbAlign, 1);
    if (Limit.cBuffers > 0) granted.cBuffers = std::min(granted.cBuffers, Limit.cBuffers);
    if (Limit.cbBuffer > 0) granted.cbBuffer = std::min(granted.cbBuffer, Limit.cbBuffer);
    if (Limit.cbAlign > 0) granted.cbAlign = std::min(granted.cbAlign, Limit.cbAlign);
    if (Limit.cbPrefix > 0) granted.cbPrefix = std::min(granted.cbPrefix, Limit.cbPrefix);
    Properties = granted;
    actual = granted;
    return S_OK;
}

HRESULT TMemAllocator::GetProperties(ALLOCATOR_PROPERTIES& out) const
{
    out = Properties;
    return S_OK;
}

TBCBasePin::TBCBasePin(
    TBCBaseFilter* filter, PIN_DIRECTION direction, const QString& name, const QString& objectName)
    : m_filter(filter)
    , m_direction(direction)
    , m_name(name)
    , m_objectName(objectName)
{
}

HRESULT TBCBasePin::ConnectionMediaType(TMediaType& out) const
{
    if (!m_connected) return VFW_E_NOT_CONNECTED;
    out = m_type;
    return S_OK;
}

void TBCBasePin::SetConnection(const TMediaType& type)
{
    m_type = type;
    m_connected = true;
}

void TBCBasePin::ClearConnection()
{
    m_connected = false;
    m_type = TMediaType();
    // The pool goes with the connection; a limit set on it stays, since it
    // describes the memory behind the pin, not the peer.
    m_allocator.Properties = ALLOCATOR_PROPERTIES();
    m_allocator.Committed = false;
}
