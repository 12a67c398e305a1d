#pragma once
// The probe module: a graph of its own, in which a recipe is tried on a
// file, and the desktop's audio output. A new one is made for every probe;
// the one made at start lends its audio output to the recipe of last
// resort, which needs a renderer for the audio streams of the graph it
// builds.

#include "graph/PlatformFilters.h"
#include "graph/TFilterGraph.h"
#include "media/TTemplateFilter.h"
#include "media/TdmGraphTemplate.h"

#include <memory>

class TdmTest : public TdmGraphTemplate
{
    Q_OBJECT
public:
    explicit TdmTest(QObject* parent = nullptr);
    ~TdmTest() override;

    // The module made at start, or (when none was made, as in tests) one
    // made on first use and kept to the end.
    static TdmTest& StartInstance();
    static void SetStartInstance(TdmTest* module);

    TFilterGraph& graph() { return *m_graph; }

    TTemplateFilter audiorender { QStringLiteral("audiorender"), QStringLiteral("Default DirectSound Device"),
        PlatformFilters::DefaultAudioMoniker };

private:
    std::unique_ptr<TFilterGraph> m_graph;
};
