#pragma once
// Groups many registry changes into one save per hive. Every change is
// otherwise saved at once, which costs a file write and a disk sync each:
// noticeable when hundreds of values are written in a row (presets, key
// copies, the preference save). Batches nest; the outermost one saves. While a
// batch is open anywhere in the process, all changes wait for its end, and
// writes report only whether they were taken in; Commit reports the save.

class TRegistryBatch
{
public:
    TRegistryBatch();
    ~TRegistryBatch(); // commits when Commit was not called
    TRegistryBatch(const TRegistryBatch&) = delete;
    TRegistryBatch& operator=(const TRegistryBatch&) = delete;

    // Ends the batch; true when every hive it changed was saved (always true
    // for an inner batch, whose changes the outer one saves).
    bool Commit();

private:
    bool m_open = true;
};
