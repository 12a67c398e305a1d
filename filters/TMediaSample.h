#pragma once
// One sample as the filters see it: a view on a buffer they do not own, with
// its times, flags and, on a format change, its new media type. The adapter
// fills one from a GStreamer buffer; tests fill one from plain memory.

#include "graph/FormatBlocks.h"
#include "graph/ResultCodes.h"
#include "graph/TMediaType.h"

#include <cstdint>
#include <optional>

class TMediaSample
{
public:
    TMediaSample() = default;
    TMediaSample(uint8_t* data, int32_t size, int32_t actualLength = -1);

    // The buffer.
    void Attach(uint8_t* data, int32_t size, int32_t actualLength = -1);
    HRESULT GetPointer(uint8_t** data) const;
    uint8_t* Pointer() const { return m_data; }
    int32_t GetSize() const { return m_size; }
    int32_t GetActualDataLength() const { return m_actual; }
    HRESULT SetActualDataLength(int32_t length); // E_INVALIDARG beyond the size

    // Times in 100-ns units, relative to the start of the current segment.
    // GetTime: S_OK with both, VFW_S_NO_STOP_TIME with the start only (the
    // stop is then start + 1), VFW_E_SAMPLE_TIME_NOT_SET without times.
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) const;
    // Null start clears both times; null stop keeps only the start.
    HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop);
    HRESULT GetMediaTime(int64_t* start, int64_t* stop) const;
    HRESULT SetMediaTime(const int64_t* start, const int64_t* stop);

    // Flags: S_OK when set, S_FALSE when not.
    HRESULT IsSyncPoint() const { return m_sync ? S_OK : S_FALSE; }
    HRESULT SetSyncPoint(bool on);
    HRESULT IsDiscontinuity() const { return m_discontinuity ? S_OK : S_FALSE; }
    HRESULT SetDiscontinuity(bool on);
    HRESULT IsPreroll() const { return m_preroll ? S_OK : S_FALSE; }
    HRESULT SetPreroll(bool on);

    // A sample that starts a new format carries its media type: S_OK and a
    // copy into `out`, S_FALSE when the format did not change.
    HRESULT GetMediaType(TMediaType& out) const;
    const TMediaType* MediaType() const { return m_type ? &*m_type : nullptr; }
    HRESULT SetMediaType(const TMediaType* type); // null clears

    // Extended properties: the stream identifier (0 = media data; anything
    // else is a control sample passed on untouched) and the type-specific
    // flags.
    uint32_t StreamId = 0;
    uint32_t TypeSpecificFlags = 0;

private:
    uint8_t* m_data = nullptr;
    int32_t m_size = 0;
    int32_t m_actual = 0;
    bool m_hasStart = false;
    bool m_hasStop = false;
    REFERENCE_TIME m_start = 0;
    REFERENCE_TIME m_stop = 0;
    bool m_hasMediaTime = false;
    int64_t m_mediaStart = 0;
    int64_t m_mediaStop = 0;
    bool m_sync = false;
    bool m_discontinuity = false;
    bool m_preroll = false;
    std::optional<TMediaType> m_type;
};
