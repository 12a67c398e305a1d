#include "media/TFileUnknownCaptureDevice.h"

#include "graph/MediaTypeGuids.h"
#include "media/TdmTest.h"

#include <algorithm>

namespace
{
std::shared_ptr<TGraphFilter> rawVideoSink()
{
    GstElement* bin = gst_parse_bin_from_description("capsfilter caps=video/x-raw ! fakesink", TRUE, nullptr);
    return bin ? std::make_shared<TGraphFilter>(bin, GUID_NULL) : nullptr;
}

TFileUnknownCaptureDevice::VideoWindowSource& videoWindow()
{
    static TFileUnknownCaptureDevice::VideoWindowSource source;
    return source;
}

// Unlinks a renderer from what feeds it and takes it out of the graph.
void takeOutRenderer(TFilterGraph& graph, TGraphFilter* renderer)
{
    if (!renderer || renderer->Graph() != &graph) return;
    if (TGraphPin* in = renderer->Pin(0); in && in->IsConnected()) {
        graph.Disconnect(in->ConnectedTo());
        graph.Disconnect(in);
    }
    graph.RemoveFilter(renderer);
}
} // namespace

void TFileUnknownCaptureDevice::SetVideoWindow(VideoWindowSource source)
{
    videoWindow() = std::move(source);
}

TFileUnknownCaptureDevice::TFileUnknownCaptureDevice(const QString& path)
    : TCaptureDevice(path)
    , Path(path)
    , m_module(std::make_unique<TdmFileUnknown>())
{
    Probe();
}

TFileUnknownCaptureDevice::~TFileUnknownCaptureDevice()
{
    if (Graph && m_source && m_source->Graph() == Graph) DetachFromGraph();
}

bool TFileUnknownCaptureDevice::AttachToGraph(TFilterGraph* graph)
{
    if (AttachedTo(graph)) return true;
    Graph = graph;
    if (!graph) return false;
    graph->Stop();
    // A source that some clearing took out of its graph is no attachment.
    if (StreamSource && !StreamSource->Graph()) {
        StreamSource = nullptr;
        m_source.reset();
    }
    if (StreamSource) return false;

    std::shared_ptr<TGraphFilter> video = videoWindow() ? videoWindow()() : rawVideoSink();
    if (video && video->Graph() != graph) {
        if (video->Graph()) video->Graph()->RemoveFilter(video.get());
        graph->AddFilter(video, QStringLiteral("Video Renderer"));
    }
    TTemplateFilter& audio = TdmTest::StartInstance().audiorender;
    audio.PutInto(*graph);

    if (FAILED(graph->RenderFile(Path))) return false;

    takeOutRenderer(*graph, video.get());
    takeOutRenderer(*graph, audio.BaseFilter());

    // Newest first, as the platform lists a graph's filters: converters go
    // before the decoders that feed them, while their inputs are still
    // connected and show what they carry.
    std::vector<TGraphFilter*> snapshot = graph->Filters();
    std::reverse(snapshot.begin(), snapshot.end());
    for (TGraphFilter* filter : snapshot) {
        for (TGraphPin* pin : filter->Pins()) {
            if (pin->Direction() != PINDIR_INPUT || !pin->IsConnected()) continue;
            TMediaType mt;
            if (FAILED(pin->ConnectionMediaType(mt))) continue;
            if (mt.majortype != MEDIATYPE_Video && mt.majortype != MEDIATYPE_Audio) continue;
            graph->Disconnect(pin->ConnectedTo());
            graph->RemoveFilter(filter);
            break;
        }
    }

    for (TGraphFilter* filter : graph->Filters()) {
        if (!filter->HasConnectedPin(PINDIR_OUTPUT)) {
            StreamSource = filter;
            m_source = graph->SharedFilter(filter);
            break;
        }
    }
    return true;
}

bool TFileUnknownCaptureDevice::DetachFromGraph()
{
    if (Graph) Graph->RemoveAllFilters();
    StreamSource = nullptr;
    m_source.reset();
    Graph = nullptr;
    return true;
}
