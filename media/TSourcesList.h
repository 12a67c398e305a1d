#pragma once
// Ordered lists of streams and of recipes. Asking for an index out of range
// gives nullptr: callers pass indexes straight from list widgets.
//
// Stream lists do not own their streams (a recipe owns the streams it found;
// an opening result lists the streams of its recipes); recipe lists own
// their recipes.

#include <memory>
#include <vector>

template <class T> class TPointerList
{
public:
    int Count() const { return int(m_items.size()); }
    T* Items(int index) const { return index >= 0 && index < Count() ? m_items[size_t(index)] : nullptr; }
    void Add(T* item) { m_items.push_back(item); }
    void Clear() { m_items.clear(); }
    int IndexOf(const T* item) const
    {
        for (size_t i = 0; i < m_items.size(); ++i)
            if (m_items[i] == item) return int(i);
        return -1;
    }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<T*> m_items;
};

template <class T> class TOwningList
{
public:
    int Count() const { return int(m_items.size()); }
    T* Items(int index) const
    {
        return index >= 0 && index < Count() ? m_items[size_t(index)].get() : nullptr;
    }
    T* Add(std::unique_ptr<T> item)
    {
        m_items.push_back(std::move(item));
        return m_items.back().get();
    }
    void Clear() { m_items.clear(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<std::unique_ptr<T>> m_items;
};

class TVideoSource;
class TAudioSource;
using TVideoSourcesList = TPointerList<TVideoSource>;
using TAudioSourcesList = TPointerList<TAudioSource>;
