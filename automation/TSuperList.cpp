#include "automation/TSuperList.h"

void TSuperList::Add(TCustomSuperAction* action, const QString& argument, TCommandMode mode)
{
    auto entry = std::make_unique<TActionEx>();
    entry->Action = action;
    entry->Argument = argument;
    entry->Mode = mode;
    m_items.push_back(std::move(entry));
}

void TSuperList::Clear()
{
    while (!m_items.empty())
        m_items.pop_back();
}
