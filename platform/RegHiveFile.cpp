#include "platform/RegHiveFile.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <optional>

namespace
{

const QString Regedit4Header = QStringLiteral("REGEDIT4");
const QString Regedit5Header = QStringLiteral("Windows Registry Editor Version 5.00");

// Hand-edited or foreign files may not be UTF-8; Latin-1 keeps every byte.
QString decode8Bit(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) return QString::fromLatin1(bytes);
    return text;
}

QString decodeFile(const QByteArray& data)
{
    if (data.startsWith("\xFF\xFE")) return QStringDecoder(QStringDecoder::Utf16LE).decode(data.mid(2));
    if (data.startsWith("\xFE\xFF")) return QStringDecoder(QStringDecoder::Utf16BE).decode(data.mid(2));
    if (data.startsWith("\xEF\xBB\xBF")) return decode8Bit(data.mid(3));
    return decode8Bit(data);
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the
// closing quote. A backslash takes the next character literally.
std::optional<QString> readQuoted(const QString& text, qsizetype& pos)
{
    QString out;
    for (qsizetype i = pos + 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\') {
            if (++i >= text.size()) return std::nullopt;
            out.append(text.at(i));
        } else if (c == u'"') {
            pos = i + 1;
            return out;
        } else {
            out.append(c);
        }
    }
    return std::nullopt;
}

void skipBlanks(const QString& text, qsizetype& pos)
{
    while (pos < text.size() && (text.at(pos) == u' ' || text.at(pos) == u'\t'))
        ++pos;
}

// Collects a comma-separated byte list that may go on over following lines
// (each continued line ends with "\"). line is advanced past what was used.
std::optional<QByteArray> readHexList(QString first, const QStringList& lines, qsizetype& line)
{
    QString all;
    QString chunk = std::move(first);
    for (;;) {
        const QString trimmed = chunk.trimmed();
        if (!trimmed.endsWith(u'\\')) {
            all += trimmed;
            break;
        }
        all += trimmed.chopped(1);
        if (++line >= lines.size()) return std::nullopt;
        chunk = lines.at(line);
        // A cut-off list must not swallow the key or value that follows it.
        const QString next = chunk.trimmed();
        if (next.startsWith(u'[') || next.startsWith(u'"') || next.startsWith(u'@')) {
            --line;
            return std::nullopt;
        }
    }
    if (all.endsWith(u',')) all.chop(1);
    QByteArray bytes;
    if (all.trimmed().isEmpty()) return bytes;
    const QStringList tokens = all.split(u',');
    bytes.reserve(tokens.size());
    for (const QString& raw : tokens) {
        const QString token = raw.trimmed();
        if (token.isEmpty() || token.size() > 2 || !isHexDigit(token.at(0))
            || (token.size() == 2 && !isHexDigit(token.at(1))))
            return std::nullopt;
        bytes.append(char(token.toUInt(nullptr, 16)));
    }
    return bytes;
}

std::optional<QString> bytesToText(QByteArray bytes, bool wide)
{
    if (wide) {
        if (bytes.size() % 2 != 0) return std::nullopt;
        if (bytes.endsWith(QByteArray(2, '\0'))) bytes.chop(2);
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes);
    }
    if (bytes.endsWith('\0')) bytes.chop(1);
    return decode8Bit(bytes);
}

// The data after "=": a quoted string, dword:, hex: or hex(N):.
std::optional<RegValue> readData(
    const QString& text, qsizetype pos, const QStringList& lines, qsizetype& line, bool wide)
{
    RegValue value;
    if (pos < text.size() && text.at(pos) == u'"') {
        const auto s = readQuoted(text, pos);
        if (!s || !QStringView(text).mid(pos).trimmed().isEmpty()) return std::nullopt;
        value.type = RegDataType::Sz;
        value.text = *s;
        return value;
    }
    const QStringView rest = QStringView(text).mid(pos);
    if (rest.startsWith(u"dword:", Qt::CaseInsensitive)) {
        const QStringView digits = rest.mid(6).trimmed();
        if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
        for (QChar c : digits)
            if (!isHexDigit(c)) return std::nullopt;
        value.type = RegDataType::Dword;
        value.dword = digits.toUInt(nullptr, 16);
        return value;
    }
    if (!rest.startsWith(u"hex", Qt::CaseInsensitive)) return std::nullopt;
    uint32_t type = uint32_t(RegDataType::Binary);
    qsizetype colon = 3;
    if (rest.mid(3).startsWith(u'(')) {
        const qsizetype close = rest.indexOf(u')');
        const QStringView digits = close > 4 ? rest.mid(4, close - 4) : QStringView();
        if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
        for (QChar c : digits)
            if (!isHexDigit(c)) return std::nullopt;
        type = digits.toUInt(nullptr, 16);
        colon = close + 1;
    }
    if (colon >= rest.size() || rest.at(colon) != u':') return std::nullopt;
    const auto bytes = readHexList(rest.mid(colon + 1).toString(), lines, line);
    if (!bytes) return std::nullopt;
    value.type = RegDataType(type);
    switch (value.type) {
    case RegDataType::Sz:
    case RegDataType::ExpandSz: {
        const auto s = bytesToText(*bytes, wide);
        if (!s) return std::nullopt;
        value.text = *s;
        break;
    }
    case RegDataType::Dword:
        if (bytes->size() != 4) return std::nullopt;
        value.dword = uint32_t(uchar(bytes->at(0))) | uint32_t(uchar(bytes->at(1))) << 8
            | uint32_t(uchar(bytes->at(2))) << 16 | uint32_t(uchar(bytes->at(3))) << 24;
        break;
    default:
        value.bytes = *bytes;
        break;
    }
    return value;
}

// ---------------------------------------------------------------------------

QString quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out.append(u'"');
    for (QChar c : text) {
        if (c == u'\\' || c == u'"') out.append(u'\\');
        out.append(c);
    }
    out.append(u'"');
    return out;
}

bool fitsOnOneLine(const QString& text)
{
    for (QChar c : text)
        if (c == u'\r' || c == u'\n' || c == u'\0') return false;
    return true;
}

void appendHex(QByteArray& out, qsizetype lineStart, const QByteArray& bytes)
{
    static const char digits[] = "0123456789abcdef";
    constexpr qsizetype width = 77;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const bool last = i + 1 == bytes.size();
        const qsizetype need = last ? 2 : 3;
        if (i > 0 && out.size() - lineStart + need > width) {
            out.append("\\\n  ");
            lineStart = out.size() - 2;
        }
        out.append(digits[uchar(bytes.at(i)) >> 4]);
        out.append(digits[uchar(bytes.at(i)) & 15]);
        if (!last) out.append(',');
    }
}

void appendValue(QByteArray& out, const TRegKeyNode::TNamedValue& v)
{
    const qsizetype lineStart = out.size();
    out.append(v.name.isEmpty() ? QByteArray("@") : quoted(v.name).toUtf8());
    out.append('=');
    const RegValue& value = v.value;
    switch (value.type) {
    case RegDataType::Sz:
        if (fitsOnOneLine(value.text)) {
            out.append(quoted(value.text).toUtf8());
        } else {
            out.append("hex(1):");
            appendHex(out, lineStart, value.text.toUtf8() + QByteArray(1, '\0'));
        }
        break;
    case RegDataType::ExpandSz:
        out.append("hex(2):");
        appendHex(out, lineStart, value.text.toUtf8() + QByteArray(1, '\0'));
        break;
    case RegDataType::Dword:
        out.append("dword:");
        out.append(QByteArray::number(value.dword, 16).rightJustified(8, '0'));
        break;
    case RegDataType::Binary:
        out.append("hex:");
        appendHex(out, lineStart, value.bytes);
        break;
    default:
        out.append("hex(" + QByteArray::number(uint32_t(value.type), 16) + "):");
        appendHex(out, lineStart, value.bytes);
        break;
    }
    out.append('\n');
}

void appendKey(QByteArray& out, const TRegKeyNode& node, const QString& path, bool isRoot)
{
    if (!isRoot || node.HasValues()) {
        out.append('[');
        out.append(path.toUtf8());
        out.append("]\n");
        for (const auto& v : node.Values())
            appendValue(out, v);
        out.append('\n');
    }
    for (const TRegKeyNode* child : node.Children())
        appendKey(out, *child, path + u'\\' + child->Name(), false);
}

} // namespace

TRegHiveFile::TParsed TRegHiveFile::Parse(const QByteArray& data, const QString& hiveName)
{
    TParsed result;
    result.root = std::make_unique<TRegKeyNode>();

    QStringList lines = decodeFile(data).split(u'\n');
    for (QString& l : lines)
        if (l.endsWith(u'\r')) l.chop(1);

    qsizetype line = 0;
    while (line < lines.size() && lines.at(line).trimmed().isEmpty())
        ++line;
    if (line >= lines.size()) return result;
    const QString header = lines.at(line).trimmed();
    const bool wide = header == Regedit5Header;
    if (header != Regedit4Header && !wide) return result;
    result.recognised = true;

    TRegKeyNode* key = nullptr; // values go here; nullptr while in a section we skip
    for (++line; line < lines.size(); ++line) {
        const QString text = lines.at(line).trimmed();
        if (text.isEmpty() || text.startsWith(u';')) continue;
        if (text.startsWith(u'[')) {
            key = nullptr;
            if (!text.endsWith(u']') || text.size() < 2 || text.at(1) == u'-') {
                ++result.skippedLines;
                continue;
            }
            QStringList path = text.mid(1, text.size() - 2).split(u'\\', Qt::SkipEmptyParts);
            if (path.isEmpty() || path.size() - 1 > MaxDepth
                || path.first().compare(hiveName, Qt::CaseInsensitive) != 0) {
                ++result.skippedLines;
                continue;
            }
            path.removeFirst();
            key = result.root->FindOrCreate(path);
            continue;
        }
        if (!key || (!text.startsWith(u'"') && !text.startsWith(u'@'))) {
            ++result.skippedLines;
            continue;
        }
        qsizetype pos = 0;
        QString name;
        if (text.startsWith(u'@')) {
            pos = 1;
        } else {
            const auto n = readQuoted(text, pos);
            if (!n) {
                ++result.skippedLines;
                continue;
            }
            name = *n;
        }
        skipBlanks(text, pos);
        if (pos >= text.size() || text.at(pos) != u'=') {
            ++result.skippedLines;
            continue;
        }
        ++pos;
        skipBlanks(text, pos);
        const auto value = readData(text, pos, lines, line, wide);
        if (!value) {
            ++result.skippedLines;
            continue;
        }
        key->SetValue(name, *value);
    }
    return result;
}

QByteArray TRegHiveFile::Serialize(const TRegKeyNode& root, const QString& hiveName)
{
    QByteArray out("REGEDIT4\n\n");
    appendKey(out, root, hiveName, true);
    return out;
}
