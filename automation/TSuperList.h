#pragma once
// The entries of a runner, in the order they run.

#include "automation/TActionEx.h"

#include <memory>
#include <vector>

class TSuperList
{
public:
    TSuperList() = default;
    ~TSuperList() { Clear(); }
    TSuperList(const TSuperList&) = delete;
    TSuperList& operator=(const TSuperList&) = delete;

    void Add(TCustomSuperAction* action, const QString& argument, TCommandMode mode);
    int Count() const { return int(m_items.size()); }
    const TActionEx& At(int index) const { return *m_items.at(size_t(index)); }
    // Frees the entries from the last to the first.
    void Clear();

private:
    std::vector<std::unique_ptr<TActionEx>> m_items;
};
