#pragma once
// A catalogue of installed filters: display names sorted without regard to
// case, each with its entry. On this platform the installed filters are the
// element factories of GStreamer's registry, and a filter's moniker makes a
// decoder filter of one factory (PlatformFilters::DecoderMoniker).

#include "graph/Guid.h"
#include "media/TMonikerClass.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TMonikerStringList
{
public:
    // Adds the installed decoders that take the input type and give the
    // output type and whose friendly names hold every word (without regard
    // to case). `exact`: a decoder that says it takes anything is not taken.
    void FillMatching(const GUID& inMajor, const GUID& inSub, const GUID& outMajor, const GUID& outSub,
        const QStringList& words, bool exact);
    // Adds one filter unless it is listed already, its name is refused, or it
    // cannot be made here. True when it was added.
    bool AddMoniker(const QString& moniker);
    void Clear();

    int Count() const { return int(m_entries.size()); }
    // The display names in the list's order.
    QStringList Names() const;
    const TMonikerClass* Entry(int index) const;
    const TMonikerClass* Find(const QString& displayName) const;

    // The rules, apart from the registry.
    static bool HoldsEveryWord(const QString& friendlyName, const QStringList& words);
    static bool IsRefused(const QString& friendlyName);
    // 1 when no display name is the friendly name, else the smallest n >= 2
    // for which "friendlyName#n" is not one.
    static int32_t NumberFor(const QString& friendlyName, const QStringList& displayNames);

private:
    void insert(std::unique_ptr<TMonikerClass> entry);
    std::vector<std::unique_ptr<TMonikerClass>> m_entries; // sorted by display name
};
