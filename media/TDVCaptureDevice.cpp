#include "media/TDVCaptureDevice.h"

#include "graph/MediaTypeGuids.h"

TDVCaptureDevice::TDVCaptureDevice(TCaptureDevice* parent, int32_t n)
    : TCaptureDevice(parent ? parent->DisplayName : QString(), n)
    , Parent(parent)
    , m_module(std::make_unique<TdmDV>())
{
    if (Parent) Probe();
}

TDVCaptureDevice::~TDVCaptureDevice()
{
    takeOutOwnFilters();
}

void TDVCaptureDevice::takeOutOwnFilters()
{
    TGraphFilter* notifier = m_module->DVNotifierFilter();
    if (notifier && notifier->Graph()) notifier->Graph()->RemoveFilter(notifier);
    m_module->DVsplitter.TakeOut();
}

bool TDVCaptureDevice::AttachToGraph(TFilterGraph* graph)
{
    if (AttachedTo(graph)) return true;
    Graph = graph;
    if (!graph || !Parent) return false;
    if (!Parent->AttachToGraph(graph) || !Parent->StreamSource) return false;
    InterleavedPin = Parent->FindStreamPin(MEDIATYPE_Interleaved, Number - 1);
    if (!InterleavedPin) return false;

    const auto& notifier = m_module->SharedDVNotifierFilter();
    if (!notifier) return false;
    if (notifier->Graph() != graph) {
        if (notifier->Graph()) notifier->Graph()->RemoveFilter(notifier.get());
        if (FAILED(graph->AddFilter(notifier, QStringLiteral("DV Notifier")))) return false;
    }
    if (FAILED(m_module->DVsplitter.PutInto(*graph))) return false;
    if (FAILED(graph->RenderStream(
            nullptr, nullptr, InterleavedPin, notifier.get(), m_module->DVsplitter.BaseFilter())))
        return false;
    StreamSource = m_module->DVsplitter.BaseFilter();
    return true;
}

bool TDVCaptureDevice::DetachFromGraph()
{
    if (!Graph) return true;
    takeOutOwnFilters();
    const bool result = Parent ? Parent->DetachFromGraph() : true;
    Graph = nullptr;
    StreamSource = nullptr;
    InterleavedPin = nullptr;
    return result;
}
