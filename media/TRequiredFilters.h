#pragma once
// The check of the filters the program needs, made at start: each is made
// once by its class identifier; the three installed separately set their
// presence flags. Its lines go to the help panel and the system description.

#include "graph/Guid.h"

#include <QString>
#include <vector>

class TRequiredFilters
{
public:
    struct TRow {
        QString name;
        GUID clsid;
        bool* flag; // nullptr for the platform's own filters
    };
    struct TResult {
        QString name;
        bool present = false;
        // "Avi Splitter", or "Haali Media Splitter non trouvé".
        QString Line() const;
    };

    static const std::vector<TRow>& Rows();
    // Makes each filter, sets the flags, and says what was found, in order.
    static std::vector<TResult> Check();

    // The help panel's list: the system's lines in bold, "Filtres:" in
    // italic blue, then one line per filter, the absent ones in red.
    static QString HelpMarkup(
        const QString& systemLine, const QString& versionLine, const std::vector<TResult>& results);

    // Which opening the missing-filter warning takes: 0 neither the splitter
    // nor both decoders, 1 no splitter, 2 not both decoders; -1 when nothing
    // is missing.
    static int WarningCase(bool splitter, bool videoDecoder, bool audioDecoder);
    // The warning's whole markup for a case other than -1.
    static QString WarningMarkup(int warningCase, const QString& filtersPage);
};
