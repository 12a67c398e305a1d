#include "inlay/InlayArguments.h"

namespace
{
struct TNamedColor {
    const char* name;
    uint32_t value;
};

constexpr TNamedColor NamedColors[] = { { "clBlack", 0 }, { "clMaroon", 128 }, { "clGreen", 32768 },
    { "clOlive", 32896 }, { "clNavy", 8388608 }, { "clPurple", 8388736 }, { "clTeal", 8421376 },
    { "clGray", 8421504 }, { "clSilver", 12632256 }, { "clRed", 255 }, { "clLime", 65280 },
    { "clYellow", 65535 }, { "clBlue", 16711680 }, { "clFuchsia", 16711935 }, { "clAqua", 16776960 },
    { "clWhite", 16777215 }, { "clMoneyGreen", 12639424 }, { "clSkyBlue", 15780518 }, { "clCream", 15793151 },
    { "clMedGray", 10789024 } };

bool positiveInteger(const QString& text, int& value)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n <= 0) return false;
    value = n;
    return true;
}
} // namespace

QStringList InlaySizeItems()
{
    return { QStringLiteral("auto"), QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("10"),
        QStringLiteral("11"), QStringLiteral("12"), QStringLiteral("14"), QStringLiteral("16"),
        QStringLiteral("18"), QStringLiteral("20"), QStringLiteral("22"), QStringLiteral("24"),
        QStringLiteral("26"), QStringLiteral("28"), QStringLiteral("36"), QStringLiteral("48"),
        QStringLiteral("72") };
}

void ApplySizeText(TincrustRec& rec, const QString& text)
{
    if (text == QLatin1String("auto")) {
        rec.Autofontsize = true;
        return;
    }
    rec.Autofontsize = false;
    int size = 0;
    if (positiveInteger(text, size)) rec.FontRec.Size = size;
}

std::optional<QString> SizeListTextOf(const QString& argument)
{
    const QString text = argument.trimmed().toLower();
    if (text == QLatin1String("auto")) return text;
    int size = 0;
    if (positiveInteger(text, size)) return QString::number(size);
    return std::nullopt;
}

int32_t BorderSizeOf(const QString& argument)
{
    int64_t value = 0;
    if (!ReadInteger(argument, value) || value < INT32_MIN || value > INT32_MAX) return 0;
    return int32_t(value);
}

QString BorderCaption(int32_t size)
{
    return size > 0 ? QString::number(size) : QString();
}

bool ReadInteger(const QString& text, int64_t& value)
{
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t = t.mid(1);
    }
    int base = 10;
    if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t = t.mid(1);
    } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t = t.mid(2);
    }
    if (t.isEmpty() || t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) return false;
    bool ok = false;
    const qint64 n = t.toLongLong(&ok, base);
    if (!ok) return false;
    value = negative ? -n : n;
    return true;
}

bool NamedColor(const QString& text, uint32_t& colour)
{
    const QString t = text.trimmed();
    for (const TNamedColor& c : NamedColors)
        if (t.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            colour = c.value;
            return true;
        }
    int64_t value = 0;
    if (!ReadInteger(t, value) || value < INT32_MIN || value > UINT32_MAX) return false;
    colour = uint32_t(value);
    return true;
}

QStringList ColorNames()
{
    QStringList names;
    for (const TNamedColor& c : NamedColors)
        names << QLatin1String(c.name);
    return names;
}
