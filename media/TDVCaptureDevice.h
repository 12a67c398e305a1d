#pragma once
// The DV reader behind an interleaved pin of another recipe (a type-1 DV
// AVI): the interleaved stream goes through the DV notifier, which reads the
// recording date and timecode of every frame, into the DV splitter, whose
// video and audio pins are the streams. It attaches and detaches its parent
// with itself.

#include "media/TCaptureDevice.h"
#include "media/TdmDV.h"

#include <memory>

class TDVCaptureDevice final : public TCaptureDevice
{
public:
    // For interleaved pin n (from 1) of parent; probes at once.
    TDVCaptureDevice(TCaptureDevice* parent, int32_t n);
    ~TDVCaptureDevice() override;

    TCaptureDevice* Parent;
    TGraphPin* InterleavedPin = nullptr;

    bool AttachToGraph(TFilterGraph* graph) override;
    bool DetachFromGraph() override;

    TdmDV& Module() { return *m_module; }

private:
    void takeOutOwnFilters();

    std::unique_ptr<TdmDV> m_module;
};
