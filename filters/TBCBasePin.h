#pragma once
// A pin of one of our filters: its names, its direction, its connection
// type and the properties of the allocator its buffers come from. The
// connection itself is made by whoever drives the filter (the GStreamer
// adapter, or a test) through the filter's connect operations.

#include "graph/PinDirection.h"
#include "graph/ResultCodes.h"
#include "graph/TMediaType.h"

#include <QString>
#include <cstdint>

struct ALLOCATOR_PROPERTIES {
    int32_t cBuffers = 0;
    int32_t cbBuffer = 0;
    int32_t cbAlign = 0;
    int32_t cbPrefix = 0;
};

// The buffer pool behind a pin, reduced to its properties: what the filter
// asks for in DecideBufferSize, and what it is granted.
class TMemAllocator
{
public:
    // Grants the request, raised to `Minimum` where the pool cannot do less
    // (tests set a limit to see refusals handled). `actual` receives what
    // was granted.
    HRESULT SetProperties(const ALLOCATOR_PROPERTIES& request, ALLOCATOR_PROPERTIES& actual);
    HRESULT GetProperties(ALLOCATOR_PROPERTIES& out) const;

    ALLOCATOR_PROPERTIES Properties;
    bool Committed = false;
    // When set, the most this pool can grant per field (0 = no limit).
    ALLOCATOR_PROPERTIES Limit;
};

class TBCBaseFilter;

class TBCBasePin
{
public:
    TBCBasePin(
        TBCBaseFilter* filter, PIN_DIRECTION direction, const QString& name, const QString& objectName);

    TBCBaseFilter* Filter() const { return m_filter; }
    PIN_DIRECTION Direction() const { return m_direction; }
    const QString& Name() const { return m_name; } // "XForm In", "Input", ...
    const QString& ObjectName() const { return m_objectName; } // "Transform input pin", ...

    bool IsConnected() const { return m_connected; }
    // Copies the connection type into a record the caller owns;
    // VFW_E_NOT_CONNECTED when the pin is not connected.
    HRESULT ConnectionMediaType(TMediaType& out) const;
    const TMediaType& CurrentMediaType() const { return m_type; }

    TMemAllocator& Allocator() { return m_allocator; }
    const TMemAllocator& Allocator() const { return m_allocator; }

    // Used by the filter's connect operations only.
    void SetConnection(const TMediaType& type);
    void SetMediaTypeOnly(const TMediaType& type) { m_type = type; }
    void ClearConnection();

private:
    TBCBaseFilter* m_filter;
    PIN_DIRECTION m_direction;
    QString m_name;
    QString m_objectName;
    bool m_connected = false;
    TMediaType m_type;
    TMemAllocator m_allocator;
};
