#pragma once
// The recipe of last resort: the platform builds the whole graph from the
// file into the video window and the audio output, then the renderers and
// every decoder and converter are taken out again, which leaves the source
// and the splitter it chose; that splitter's outputs are the streams.

#include "media/TCaptureDevice.h"
#include "media/TdmFileUnknown.h"

#include <functional>
#include <memory>

class TFileUnknownCaptureDevice final : public TCaptureDevice
{
public:
    explicit TFileUnknownCaptureDevice(const QString& path);
    ~TFileUnknownCaptureDevice() override;

    QString Path;

    bool AttachToGraph(TFilterGraph* graph) override;
    bool DetachFromGraph() override; // always true

    // The main window's video window, which the graph is built into. Until
    // the window gives its own, a sink that takes uncompressed video stands
    // in (the platform then finds the same decoders).
    using VideoWindowSource = std::function<std::shared_ptr<TGraphFilter>()>;
    static void SetVideoWindow(VideoWindowSource source);

private:
    std::unique_ptr<TdmFileUnknown> m_module;
    std::shared_ptr<TGraphFilter> m_source; // keeps StreamSource alive while attached
};
