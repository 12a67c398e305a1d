#include "media/TFileSplitterCaptureDevice.h"

#include "media/SourcePaths.h"

TFileSplitterCaptureDevice::TFileSplitterCaptureDevice(const QString& path,
    std::unique_ptr<TdmGraphTemplate> module, TTemplateFilter& fileSource, TTemplateFilter& splitter)
    : TCaptureDevice(FileNamePart(path))
    , Path(path)
    , m_module(std::move(module))
    , m_fileSource(fileSource)
    , m_splitter(splitter)
{
    Probe();
}

TFileSplitterCaptureDevice::~TFileSplitterCaptureDevice()
{
    m_splitter.TakeOut();
    m_fileSource.TakeOut();
}

bool TFileSplitterCaptureDevice::AttachToGraph(TFilterGraph* graph)
{
    if (AttachedTo(graph)) return true;
    Graph = graph;
    if (!graph) return false;
    if (FAILED(m_fileSource.PutInto(*graph))) return false;
    if (m_fileSource.BaseFilter()->Load(Path) != S_OK) return false;
    if (FAILED(m_splitter.PutInto(*graph))) return false;
    if (graph->ConnectDirect(m_fileSource.Pin(0), m_splitter.Pin(0)) != S_OK) return false;
    StreamSource = m_splitter.BaseFilter();
    return true;
}

bool TFileSplitterCaptureDevice::DetachFromGraph()
{
    StreamSource = nullptr;
    m_splitter.TakeOut();
    m_fileSource.TakeOut();
    Graph = nullptr;
    return true;
}
