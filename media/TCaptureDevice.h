#pragma once
// A source recipe: how to put into a graph the filters that read one kind of
// file, up to the output pins of its stream source, whose pins are the
// streams; and how to take them out again.
//
// A recipe probes its file once, when it is made: it attaches itself to a
// graph of its own, counts the interleaved DV, video and audio pins of its
// stream source, and detaches. The media system later attaches it to the
// playing graph while one of its streams is in use.

#include "graph/TFilterGraph.h"
#include "media/TCaptureDevicesList.h"
#include "media/TSourcesList.h"

#include <QString>
#include <memory>
#include <vector>

class TavSource;
class TdmTest;

class TCaptureDevice
{
public:
    virtual ~TCaptureDevice();
    TCaptureDevice(const TCaptureDevice&) = delete;
    TCaptureDevice& operator=(const TCaptureDevice&) = delete;

    int32_t Number = 1;
    QString DisplayName; // "name", or "name #n" for n >= 2
    QString Name;
    TCaptureDevicesList SubDevices; // the DV reader of the first interleaved pin
    TVideoSourcesList VideoStreams;
    TAudioSourcesList AudioStreams;
    TFilterGraph* Graph = nullptr;
    TGraphFilter* StreamSource = nullptr;
    bool ProbeOk = false;

    int32_t VideoCount() const { return m_videoCount; }
    int32_t AudioCount() const { return m_audioCount; }
    int32_t InterleavedCount() const { return m_interleavedCount; }

    // Puts the recipe's filters into graph and sets StreamSource; true at
    // once when it already is attached there. A failed attach leaves what
    // it added in the graph.
    virtual bool AttachToGraph(TFilterGraph* graph) = 0;
    // Takes out every filter the attach added and forgets the graph.
    virtual bool DetachFromGraph() = 0;

    // Unconnected output pin `index` (from 0) of major type `kind` on the
    // stream source: capture pins first, then pins of any category.
    TGraphPin* FindStreamPin(const GUID& kind, int index) const;

protected:
    TCaptureDevice(const QString& name, int32_t number = 1);
    // Run by the most derived constructor, once the recipe can attach.
    void Probe();
    // Attached there with the stream source still in it (clearing a graph
    // takes the filters out behind the recipe's back).
    bool AttachedTo(const TFilterGraph* graph) const
    {
        return graph && Graph == graph && StreamSource && graph->Contains(StreamSource);
    }

private:
    void collectStreams(const GUID& kind);
    TGraphPin* findPin(const GUID* category, const GUID& kind, int index) const;

    std::vector<std::unique_ptr<TavSource>> m_streams; // owns what the lists show
    int32_t m_videoCount = 0;
    int32_t m_audioCount = 0;
    int32_t m_interleavedCount = 0;
    TdmTest* m_probe = nullptr; // while probing
};
