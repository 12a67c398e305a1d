#include "media/TBuilderCache.h"

#include <QFileInfo>

TGrabBuilder* TBuilderCache::BuilderFor(const QString& path)
{
    const QFileInfo info(path);
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    for (TEntry& entry : m_entries) {
        if (entry.path != path) continue;
        if (!entry.builder->Failed || (entry.size == size && entry.modified == modified))
            return entry.builder.get();
        m_retired.push_back(std::move(entry.builder));
        entry.builder = std::make_unique<TGrabBuilder>(path);
        entry.size = size;
        entry.modified = modified;
        return entry.builder.get();
    }
    m_entries.push_back({ path, std::make_unique<TGrabBuilder>(path), size, modified });
    return m_entries.back().builder.get();
}
