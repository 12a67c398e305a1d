#include "media/TFileReaderCaptureDevice.h"

#include "media/SourcePaths.h"

TFileReaderCaptureDevice::TFileReaderCaptureDevice(
    const QString& path, std::unique_ptr<TdmGraphTemplate> module, TTemplateFilter& reader, bool usable)
    : TCaptureDevice(FileNamePart(path))
    , Path(path)
    , m_module(std::move(module))
    , m_reader(reader)
{
    if (usable) Probe();
}

TFileReaderCaptureDevice::~TFileReaderCaptureDevice()
{
    m_reader.TakeOut();
}

bool TFileReaderCaptureDevice::AttachToGraph(TFilterGraph* graph)
{
    if (AttachedTo(graph)) return true;
    Graph = graph;
    if (!graph) return false;
    if (FAILED(m_reader.PutInto(*graph))) return false;
    if (m_reader.BaseFilter()->Load(Path) != S_OK) return false;
    StreamSource = m_reader.BaseFilter();
    return true;
}

bool TFileReaderCaptureDevice::DetachFromGraph()
{
    StreamSource = nullptr;
    m_reader.TakeOut();
    Graph = nullptr;
    return true;
}
