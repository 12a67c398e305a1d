#pragma once
// One preconfigured filter of a graph template module: it knows which filter
// it is (by moniker, or by a maker for our own filters), is created the
// first time it is needed, and moves between graphs as a whole: putting it
// into a graph takes it out of the one it was in.

#include "graph/TFilterGraph.h"

#include <QString>
#include <functional>
#include <memory>

class TTemplateFilter
{
public:
    // `name` is the object's name in its module; the filter is added to
    // graphs under `friendlyName`.
    TTemplateFilter(const QString& name, const QString& friendlyName, const QString& moniker);
    TTemplateFilter(const QString& name, const QString& friendlyName,
        std::function<std::shared_ptr<TGraphFilter>()> make);
    // Takes the filter out of its graph: the graph must not keep a filter
    // whose module is gone.
    ~TTemplateFilter();
    TTemplateFilter(const TTemplateFilter&) = delete;
    TTemplateFilter& operator=(const TTemplateFilter&) = delete;

    const QString& Name() const { return m_name; }
    const QString& FriendlyName() const { return m_friendlyName; }
    const QString& Moniker() const { return m_moniker; }
    // Another filter from now on: the one made so far is taken out and let
    // go. An empty moniker leaves the object without a filter.
    void SetMoniker(const QString& moniker, const QString& friendlyName = QString());

    // The filter, made now if need be; nullptr when it cannot be made here.
    TGraphFilter* BaseFilter();
    // Puts the filter into graph (S_OK when it already is there).
    HRESULT PutInto(TFilterGraph& graph);
    // Takes it out of whatever graph holds it.
    void TakeOut();
    TFilterGraph* Graph() const { return m_filter ? m_filter->Graph() : nullptr; }
    // Pin n in the filter's pin order, or nullptr.
    TGraphPin* Pin(int n);

private:
    QString m_name;
    QString m_friendlyName;
    QString m_moniker;
    std::function<std::shared_ptr<TGraphFilter>()> m_make;
    std::shared_ptr<TGraphFilter> m_filter;
};
