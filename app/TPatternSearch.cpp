#include "app/TPatternSearch.h"

#include <QDir>
#include <QFileInfo>

QString TPatternSearch::FolderOf(const QString& path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

bool TPatternSearch::FindFirst(const QString& path)
{
    Close();
    const QString folder = FolderOf(path);
    const QString pattern = path.mid(folder.size());
    if (pattern.isEmpty()) return false;
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (pattern.contains(QLatin1Char('*')) || pattern.contains(QLatin1Char('?'))) {
        // Brackets are file-name characters here, not a set as in Qt's
        // wildcard syntax: they are matched as themselves.
        QString escaped = pattern;
        escaped.replace(QLatin1Char('['), QStringLiteral("[[]"));
        m_matches = dir.entryList({ escaped }, QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    } else {
        // A plain name is that file exactly, in its own letter case.
        const QFileInfo info(dir, pattern);
        if (info.isFile() && !info.isHidden()) m_matches = { pattern };
    }
    if (m_matches.isEmpty()) return false;
    m_open = true;
    m_index = 0;
    m_name = m_matches.first();
    return true;
}

bool TPatternSearch::FindNext()
{
    if (!m_open) return false;
    if (++m_index >= m_matches.size()) {
        Close();
        return false;
    }
    m_name = m_matches.at(m_index);
    return true;
}

void TPatternSearch::Close()
{
    m_open = false;
    m_matches.clear();
    m_index = -1;
    m_name.clear();
}
