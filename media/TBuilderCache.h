#pragma once
// Opening results by path, for the life of the main window: a path is
// classified once. Paths are file names as the system compares them, letter
// case included. A path that failed is tried again only once its file has
// changed (a file still being copied fails until it is complete).

#include "media/TGrabBuilder.h"

#include <QDateTime>
#include <QString>
#include <memory>
#include <vector>

class TBuilderCache
{
public:
    // The cached result for path, or a new one made and cached now.
    TGrabBuilder* BuilderFor(const QString& path);
    int Count() const { return int(m_entries.size()); }
    void Clear()
    {
        m_entries.clear();
        m_retired.clear();
    }

private:
    struct TEntry {
        QString path;
        std::unique_ptr<TGrabBuilder> builder;
        qint64 size = -1; // of the file when the result was made
        QDateTime modified;
    };
    std::vector<TEntry> m_entries;
    // Failed results replaced by a new try; kept until the cache goes, as
    // the window may still point at them.
    std::vector<std::unique_ptr<TGrabBuilder>> m_retired;
};
