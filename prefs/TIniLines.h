#pragma once
// The portable store's file as a list of lines, edited the way a hand-edited
// ini file expects: only lines under our section count, the first line of a
// key wins and is the one changed, and every other line is kept as it was.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class TIniLines
{
public:
    // `section` is the header line, brackets included.
    explicit TIniLines(const QString& section);

    const QString& Section() const { return m_section; }
    const QStringList& Lines() const { return m_lines; }
    void SetLines(const QStringList& lines) { m_lines = lines; }

    // The value of the first line of `key` in the section; the name must
    // match exactly, case included. Nothing when there is no such line.
    std::optional<QString> Value(const QString& key) const;
    // Replaces the value of the key's line; an empty value removes that
    // line. A new key goes at the end of the section (the header first when
    // the file has none).
    void SetValue(const QString& key, const QString& value);

    // Bytes of a file in any encoding scripts may have.
    void Parse(const QByteArray& bytes);
    // UTF-16 LE with its byte-order mark, each line ended by CR LF.
    QByteArray Serialize() const;

    static bool IsHeader(const QString& line);

    // Loads the file at `path`. True when there is no file (nothing to
    // keep) or it was read; false, with the file and the system's reason in
    // `reason`, when a file is there that cannot be read, so that a writer
    // does not replace what it could not see.
    bool Load(const QString& path, QString* reason = nullptr);

private:
    // Index of the key's line, -1 when absent.
    qsizetype find(const QString& key) const;

    QString m_section;
    QStringList m_lines;
};
