#include "media/TdmTest.h"

namespace
{
TdmTest* s_first = nullptr;
}

TdmTest::TdmTest(QObject* parent)
    : TdmGraphTemplate(QStringLiteral("dmTest"), parent)
    , m_graph(std::make_unique<TFilterGraph>())
{
}

TdmTest::~TdmTest()
{
    // The audio output may be in another module's graph; the graph goes with
    // whatever is still in it.
    audiorender.TakeOut();
    m_graph.reset();
    if (s_first == this) s_first = nullptr;
}

void TdmTest::SetStartInstance(TdmTest* module)
{
    s_first = module;
}

TdmTest& TdmTest::StartInstance()
{
    if (!s_first) s_first = new TdmTest; // kept to the end, like the one made at start
    return *s_first;
}
