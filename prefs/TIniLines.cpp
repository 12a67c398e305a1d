#include "prefs/TIniLines.h"

#include "platform/TextFiles.h"

#include <QFile>
#include <QFileInfo>

namespace
{
// Far beyond any ini file this system writes; a bigger one is not ours.
constexpr qint64 MaxIniFileSize = 4 * 1024 * 1024;
} // namespace

TIniLines::TIniLines(const QString& section)
    : m_section(section)
{
}

bool TIniLines::IsHeader(const QString& line)
{
    const QString trimmed = line.trimmed();
    return trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'));
}

qsizetype TIniLines::find(const QString& key) const
{
    bool inSection = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QString& line = m_lines.at(i);
        if (IsHeader(line)) {
            inSection = line.trimmed() == m_section;
            continue;
        }
        if (!inSection || line.trimmed().isEmpty()) continue;
        // The name is not trimmed: "key =" is another name than "key", as
        // the first program that wrote these files read them.
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && QStringView(line).left(equals) == key) return i;
    }
    return -1;
}

std::optional<QString> TIniLines::Value(const QString& key) const
{
    const qsizetype i = find(key);
    if (i < 0) return std::nullopt;
    const QString& line = m_lines.at(i);
    return line.mid(line.indexOf(QLatin1Char('=')) + 1);
}

void TIniLines::SetValue(const QString& key, const QString& value)
{
    const QString line = key + QLatin1Char('=') + value;
    if (const qsizetype i = find(key); i >= 0) {
        if (value.isEmpty())
            m_lines.removeAt(i);
        else
            m_lines[i] = line;
        return;
    }
    qsizetype header = -1;
    for (qsizetype i = 0; i < m_lines.size() && header < 0; ++i)
        if (IsHeader(m_lines.at(i)) && m_lines.at(i).trimmed() == m_section) header = i;
    if (header < 0) {
        m_lines << m_section << line;
        return;
    }
    for (qsizetype i = header + 1; i < m_lines.size(); ++i) {
        if (IsHeader(m_lines.at(i))) {
            m_lines.insert(i, line);
            return;
        }
    }
    m_lines << line;
}

void TIniLines::Parse(const QByteArray& bytes)
{
    m_lines = SplitTextLines(DecodeTextFile(bytes));
}

bool TIniLines::Load(const QString& path, QString* reason)
{
    m_lines.clear();
    const QFileInfo info(path);
    if (!info.exists()) return true;
    const auto fail = [&](const QString& why) {
        if (reason) *reason = path + QStringLiteral(": ") + why;
        return false;
    };
    if (!info.isFile()) return fail(QStringLiteral("ce n'est pas un fichier"));
    if (info.size() > MaxIniFileSize) return fail(QStringLiteral("fichier trop grand"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
    const QByteArray bytes = file.read(MaxIniFileSize + 1);
    if (file.error() != QFileDevice::NoError) return fail(file.errorString());
    if (bytes.size() > MaxIniFileSize) return fail(QStringLiteral("fichier trop grand"));
    Parse(bytes);
    return true;
}

QByteArray TIniLines::Serialize() const
{
    QByteArray out("\xFF\xFE", 2);
    const auto put = [&out](QStringView text) {
        for (const QChar c : text) {
            out += char(c.unicode() & 0xFF);
            out += char(c.unicode() >> 8);
        }
    };
    for (const QString& line : m_lines) {
        put(line);
        put(u"\r\n");
    }
    return out;
}
