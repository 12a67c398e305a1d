#pragma once
// Opening results by path, for the life of the main window: a path is
// classified once, and one that failed is not tried again until the program
// restarts. Paths that differ only in letter case share one entry.

#include "media/TGrabBuilder.h"

#include <QString>
#include <memory>
#include <vector>

class TBuilderCache
{
public:
    // The cached result for path, or a new one made and cached now.
    TGrabBuilder* BuilderFor(const QString& path);
    int Count() const { return int(m_entries.size()); }
    void Clear() { m_entries.clear(); }

private:
    std::vector<std::pair<QString, std::unique_ptr<TGrabBuilder>>> m_entries;
};
