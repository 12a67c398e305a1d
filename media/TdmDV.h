#pragma once
// The DV reader behind an interleaved stream: the DV splitter, and the
// notifier that sees the DV frames, with their recording date and
// timecode, on their way into it.

#include "filters/TNotifier.h"
#include "graph/PlatformFilters.h"
#include "media/TTemplateFilter.h"
#include "media/TdmGraphTemplate.h"

class TdmDV : public TdmGraphTemplate
{
    Q_OBJECT
public:
    explicit TdmDV(QObject* parent = nullptr);
    ~TdmDV() override;

    TNotifier& DVNotifier() { return m_notifier; }
    // The notifier as a filter of the graph it is added to.
    TGraphFilter* DVNotifierFilter() const { return m_notifierFilter.get(); }
    const std::shared_ptr<TGraphFilter>& SharedDVNotifierFilter() const { return m_notifierFilter; }

private:
    // Declared first: the notifier's element (and the splitter's graph) go
    // before the notifier itself.
    TNotifier m_notifier;
    std::shared_ptr<TGraphFilter> m_notifierFilter;

public:
    TTemplateFilter DVsplitter { QStringLiteral("DVsplitter"), QStringLiteral("DV Splitter"),
        PlatformFilters::SoftwareMoniker(PlatformFilters::CLSID_DVSplitter) };
};
