#pragma once
// The recipes whose one filter reads the file itself and whose outputs are
// the streams (the transport stream, Matroska and MP4 splitter; the ASF
// reader).

#include "media/TCaptureDevice.h"
#include "media/TTemplateFilter.h"
#include "media/TdmGraphTemplate.h"

#include <memory>

class TFileReaderCaptureDevice : public TCaptureDevice
{
public:
    QString Path;

    bool AttachToGraph(TFilterGraph* graph) override;
    bool DetachFromGraph() override;

protected:
    // Probes at the end unless `usable` is false: then the recipe stays
    // empty, with ProbeOk false, and the file is never touched.
    TFileReaderCaptureDevice(
        const QString& path, std::unique_ptr<TdmGraphTemplate> module, TTemplateFilter& reader, bool usable);
    ~TFileReaderCaptureDevice() override;

private:
    std::unique_ptr<TdmGraphTemplate> m_module;
    TTemplateFilter& m_reader;
};
