#include "platform/TextFiles.h"

#include <QStringDecoder>

namespace
{

// Windows-1252 differs from Latin-1 only in 0x80-0x9F; the five codes it
// leaves undefined map to the same code point, as Windows maps them.
constexpr char16_t Cp1252High[32] = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

QString fromWindows1252(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = uchar(c);
        text += QChar(b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

QString fromUtf16(const QByteArray& bytes, bool bigEndian)
{
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = uchar(bytes[i]), second = uchar(bytes[i + 1]);
        text += QChar(bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first));
    }
    return text;
}

} // namespace

QString DecodeTextFile(const QByteArray& bytes)
{
    QString text;
    if (bytes.startsWith("\xFF\xFE"))
        text = fromUtf16(bytes.mid(2), false);
    else if (bytes.startsWith("\xFE\xFF"))
        text = fromUtf16(bytes.mid(2), true);
    else if (bytes.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(bytes.mid(3));
    else {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8.decode(bytes);
        if (utf8.hasError()) text = fromWindows1252(bytes);
    }
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0) text.truncate(nul);
    return text;
}

QStringList SplitTextLines(const QString& text)
{
    QStringList lines;
    qsizetype begin = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c != u'\r' && c != u'\n' && c != u'\x2028') continue;
        lines << text.mid(begin, i - begin);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
        begin = i + 1;
    }
    if (begin < text.size()) lines << text.mid(begin);
    return lines;
}
