#include "filters/TaData.h"

TaData& AData()
{
    // Never destroyed, like the video record.
    static TaData* record = new TaData;
    return *record;
}

TaData AudioSnapshot()
{
    return SnapshotOf(&AData());
}

TaData SnapshotOf(const TaData* record)
{
    if (!record) return TaData {};
    TSharedRecordLocker lock(&SharedRecordLock());
    return *record;
}
