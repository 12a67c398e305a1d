#pragma once
// The shared description of the audio stream: one record for the whole
// process, protected by the same lock as the video record (see TvData.h for
// the scheme). WM_USER+3 with wParam 2 carries &AData() as lParam.
//
// The 8-bit strings are QByteArray holding UTF-8.

#include "filters/TvData.h"
#include "graph/Guid.h"

#include <QByteArray>
#include <cstdint>

struct TaData {
    GUID MajorType;
    GUID SubType;
    GUID FormatType;
    QByteArray CodecName; // set by the media system before the audio chain is connected
    int32_t Channels = 0;
    int32_t BitsPerSample = 0; // 0 for compressed formats; -1: DV frame without audio source pack
    int32_t SampleRate = 0; // -1 as for BitsPerSample
    int32_t BitRate = 0; // bits per second
    QByteArray Description; // the audio label

    friend bool operator==(const TaData&, const TaData&) = default;
};

// The shared audio record. Hold SharedRecordLock() while touching it.
TaData& AData();
// A copy of the shared audio record, taken under the lock.
TaData AudioSnapshot();
// A copy of *record taken under the lock; an empty record for null.
TaData SnapshotOf(const TaData* record);
