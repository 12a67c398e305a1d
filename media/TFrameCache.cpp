#include "media/TFrameCache.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

TFrameCache::TFrameCache(int64_t budget)
    : m_budget(std::max<int64_t>(budget, 0))
{
}

void TFrameCache::Insert(int64_t position, int64_t frameStart, const QImage& picture, const TDvFrameStamp* dv)
{
    const int64_t size = picture.sizeInBytes();
    if (picture.isNull() || size > m_budget) return;
    // Copied before the lock: the main thread may be looking a frame up.
    TEntry entry { position, frameStart, picture.copy(), dv != nullptr, dv ? *dv : TDvFrameStamp {} };
    if (entry.Picture.isNull()) return; // out of memory
    QMutexLocker lock(&m_lock);
    if (auto old = m_entries.find(position); old != m_entries.end()) {
        m_bytes -= old->second.Picture.sizeInBytes();
        m_entries.erase(old);
    }
    while (!m_entries.empty() && m_bytes + size > m_budget) {
        auto first = m_entries.begin();
        auto last = std::prev(m_entries.end());
        auto farthest = std::abs(first->first - position) >= std::abs(last->first - position) ? first : last;
        m_bytes -= farthest->second.Picture.sizeInBytes();
        m_entries.erase(farthest);
    }
    m_bytes += size;
    m_entries.emplace(position, std::move(entry));
}

bool TFrameCache::Find(int64_t position, int64_t frameDuration, TEntry& out) const
{
    QMutexLocker lock(&m_lock);
    auto it = m_entries.upper_bound(position);
    if (it == m_entries.begin()) return false;
    --it;
    if (position - it->first >= std::max<int64_t>(frameDuration, 1)) return false;
    out = it->second;
    return true;
}

bool TFrameCache::LastBefore(int64_t position, TEntry& out) const
{
    QMutexLocker lock(&m_lock);
    auto it = m_entries.lower_bound(position);
    if (it == m_entries.begin()) return false;
    out = std::prev(it)->second;
    return true;
}

void TFrameCache::Clear()
{
    QMutexLocker lock(&m_lock);
    m_entries.clear();
    m_bytes = 0;
}

int64_t TFrameCache::Bytes() const
{
    QMutexLocker lock(&m_lock);
    return m_bytes;
}

int TFrameCache::Count() const
{
    QMutexLocker lock(&m_lock);
    return int(m_entries.size());
}

int64_t TFrameCache::FramesFor(int width, int height) const
{
    const int64_t frame = int64_t(std::max(width, 1)) * std::max(height, 1) * 4;
    return std::max<int64_t>(1, m_budget / frame);
}
