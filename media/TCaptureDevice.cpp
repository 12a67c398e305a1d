#include "media/TCaptureDevice.h"

#include "graph/MediaTypeGuids.h"
#include "media/TAudioSource.h"
#include "media/TDVCaptureDevice.h"
#include "media/TVideoSource.h"
#include "media/TdmTest.h"

TCaptureDevice::TCaptureDevice(const QString& name, int32_t number)
    : Number(number)
    , DisplayName(number < 2 ? name : name + QStringLiteral(" #") + QString::number(number))
    , Name(name)
{
}

TCaptureDevice::~TCaptureDevice() = default;

TGraphPin* TCaptureDevice::findPin(const GUID* category, const GUID& kind, int index) const
{
    if (!Graph || !StreamSource) return nullptr;
    TGraphPin* pin = nullptr;
    const HRESULT hr = Graph->FindPin(StreamSource, PINDIR_OUTPUT, category, &kind, true, index, &pin);
    return SUCCEEDED(hr) ? pin : nullptr;
}

TGraphPin* TCaptureDevice::FindStreamPin(const GUID& kind, int index) const
{
    if (TGraphPin* pin = findPin(&PIN_CATEGORY_CAPTURE, kind, index)) return pin;
    return findPin(nullptr, kind, index);
}

void TCaptureDevice::collectStreams(const GUID& kind)
{
    const bool video = kind == MEDIATYPE_Video;
    for (const GUID* category : { &PIN_CATEGORY_CAPTURE, static_cast<const GUID*>(nullptr) }) {
        int found = 0;
        while (findPin(category, kind, found)) {
            ++found;
            if (video) {
                ++m_videoCount;
                auto stream = std::make_unique<TVideoSource>(this, m_videoCount);
                VideoStreams.Add(stream.get());
                m_streams.push_back(std::move(stream));
            } else {
                ++m_audioCount;
                auto stream = std::make_unique<TAudioSource>(this, m_audioCount);
                AudioStreams.Add(stream.get());
                m_streams.push_back(std::move(stream));
            }
        }
        if (found > 0) break;
    }
}

void TCaptureDevice::Probe()
{
    ProbeOk = false;
    VideoStreams.Clear();
    AudioStreams.Clear();
    SubDevices.Clear();
    m_streams.clear();
    m_videoCount = m_audioCount = m_interleavedCount = 0;

    auto probe = std::make_unique<TdmTest>();
    m_probe = probe.get();
    TFilterGraph* probeGraph = &probe->graph();
    try {
        if (AttachToGraph(probeGraph) && StreamSource) {
            // The DV reader attaches this recipe to a probe graph of its own
            // and detaches it again, so one interleaved pin is all it finds.
            if (FindStreamPin(MEDIATYPE_Interleaved, 0)) {
                ++m_interleavedCount;
                SubDevices.Add(std::make_unique<TDVCaptureDevice>(this, 1));
            } else {
                collectStreams(MEDIATYPE_Video);
                collectStreams(MEDIATYPE_Audio);
            }
            DetachFromGraph();
            ProbeOk = true;
        }
    } catch (...) {
    }
    // A failed attach leaves its filters in the probe graph, which goes now:
    // the recipe must not go on pointing into it.
    if (Graph == probeGraph) {
        try {
            DetachFromGraph();
        } catch (...) {
        }
        Graph = nullptr;
        StreamSource = nullptr;
    }
    m_probe = nullptr;
}
