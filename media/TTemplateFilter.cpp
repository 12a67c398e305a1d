#include "media/TTemplateFilter.h"

#include "graph/PlatformFilters.h"

TTemplateFilter::TTemplateFilter(const QString& name, const QString& friendlyName, const QString& moniker)
    : m_name(name)
    , m_friendlyName(friendlyName)
    , m_moniker(moniker)
{
}

TTemplateFilter::TTemplateFilter(
    const QString& name, const QString& friendlyName, std::function<std::shared_ptr<TGraphFilter>()> make)
    : m_name(name)
    , m_friendlyName(friendlyName)
    , m_make(std::move(make))
{
}

TTemplateFilter::~TTemplateFilter()
{
    TakeOut();
}

void TTemplateFilter::SetMoniker(const QString& moniker, const QString& friendlyName)
{
    if (!friendlyName.isEmpty()) m_friendlyName = friendlyName;
    TakeOut();
    m_filter.reset();
    m_make = nullptr;
    m_moniker = moniker;
}

TGraphFilter* TTemplateFilter::BaseFilter()
{
    if (!m_filter && (m_make || !m_moniker.isEmpty()))
        m_filter = m_make ? m_make() : PlatformFilters::CreateFromMoniker(m_moniker);
    return m_filter.get();
}

HRESULT TTemplateFilter::PutInto(TFilterGraph& graph)
{
    if (!BaseFilter()) return REGDB_E_CLASSNOTREG;
    if (m_filter->Graph() == &graph) return S_OK;
    TakeOut();
    const HRESULT hr = graph.AddFilter(m_filter, m_friendlyName);
    return SUCCEEDED(hr) ? S_OK : hr;
}

void TTemplateFilter::TakeOut()
{
    if (m_filter && m_filter->Graph()) m_filter->Graph()->RemoveFilter(m_filter.get());
}

TGraphPin* TTemplateFilter::Pin(int n)
{
    return BaseFilter() ? m_filter->Pin(n) : nullptr;
}
