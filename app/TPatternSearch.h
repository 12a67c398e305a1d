#pragma once
// An open search over one path whose file-name part may hold the wildcards
// "*" and "?": the matching normal files of its folder (no folders, no hidden
// files), one at a time, in the order the file system lists them. Letter
// case does not matter in a pattern, as users type "*.AVI" for "clip.avi".

#include <QString>
#include <QStringList>

class TPatternSearch
{
public:
    // Starts a search; false (and the search closed) when nothing matches.
    bool FindFirst(const QString& path);
    // The next match; false, and the search closed, after the last one.
    bool FindNext();
    void Close();
    bool IsOpen() const { return m_open; }
    // The name (without folder) of the current match.
    const QString& Name() const { return m_name; }

    // The folder part of a path, with its trailing "/" ("" when none).
    static QString FolderOf(const QString& path);

private:
    QStringList m_matches;
    int m_index = -1;
    bool m_open = false;
    QString m_name;
};
