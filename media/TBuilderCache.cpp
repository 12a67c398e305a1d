#include "media/TBuilderCache.h"

TGrabBuilder* TBuilderCache::BuilderFor(const QString& path)
{
    for (const auto& [key, builder] : m_entries)
        if (key.compare(path, Qt::CaseInsensitive) == 0) return builder.get();
    m_entries.emplace_back(path, std::make_unique<TGrabBuilder>(path));
    return m_entries.back().second.get();
}
