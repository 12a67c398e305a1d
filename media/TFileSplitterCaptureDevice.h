#pragma once
// The recipes that read a file with a file source connected to a splitter:
// the splitter's outputs are the streams.

#include "media/TCaptureDevice.h"
#include "media/TTemplateFilter.h"
#include "media/TdmGraphTemplate.h"

#include <memory>

class TFileSplitterCaptureDevice : public TCaptureDevice
{
public:
    QString Path;

    bool AttachToGraph(TFilterGraph* graph) override;
    bool DetachFromGraph() override;

protected:
    // Probes at the end: the recipe is complete by then.
    TFileSplitterCaptureDevice(const QString& path, std::unique_ptr<TdmGraphTemplate> module,
        TTemplateFilter& fileSource, TTemplateFilter& splitter);
    ~TFileSplitterCaptureDevice() override;

private:
    std::unique_ptr<TdmGraphTemplate> m_module;
    TTemplateFilter& m_fileSource;
    TTemplateFilter& m_splitter;
};
