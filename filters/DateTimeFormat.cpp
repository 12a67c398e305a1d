#include "filters/DateTimeFormat.h"

#include <cmath>

namespace
{

constexpr qint64 MsPerDay = 86400000;

QDate dayZero()
{
    return QDate(1899, 12, 30);
}

QString number(int value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 10, QLatin1Char('0'));
}

bool startsWithNoCase(const QString& text, int at, const char* token)
{
    return text.mid(at, int(qstrlen(token))).compare(QLatin1String(token), Qt::CaseInsensitive) == 0;
}

class TFormatter
{
public:
    TFormatter(double dateTime, const TFormatSettings& settings)
        : m_time(DecodeDateTime(dateTime))
        , m_midnight(m_time.hour == 0 && m_time.minute == 0 && m_time.second == 0 && m_time.msec == 0)
        , m_settings(settings)
    {
    }

    // Formats nested inside formats (the date format of "ddddd", the long
    // time of "c") go two levels deep at most, so a format that names itself
    // cannot recurse for ever.
    void Append(const QString& format, int level = 0)
    {
        if (level > 2) return;
        QChar lastToken;
        int i = 0;
        const int length = int(format.size());
        while (i < length) {
            const QChar start = format.at(i);
            QChar token = start.toUpper();
            if (token.isLetter() && token.unicode() < 128) {
                if (token == QLatin1Char('M') && lastToken == QLatin1Char('H')) token = QLatin1Char('N');
                lastToken = token;
            }
            // The same letter repeated, in either case.
            int count = 1;
            if (token.isLetter())
                while (i + count < length && format.at(i + count).toUpper() == start.toUpper())
                    ++count;
            switch (token.unicode()) {
            case 'C':
                Append(m_settings.ShortDateFormat, level + 1);
                if (!m_midnight) {
                    m_out += QLatin1Char(' ');
                    Append(m_settings.LongTimeFormat, level + 1);
                }
                i += 1;
                continue;
            case 'D':
                if (count == 1)
                    m_out += QString::number(m_time.day);
                else if (count == 2)
                    m_out += number(m_time.day, 2);
                else if (count == 3)
                    m_out += m_settings.ShortDayNames.value(m_time.dayOfWeek % 7);
                else if (count == 4)
                    m_out += m_settings.LongDayNames.value(m_time.dayOfWeek % 7);
                else if (count == 5)
                    Append(m_settings.ShortDateFormat, level + 1);
                else
                    Append(m_settings.LongDateFormat, level + 1);
                break;
            case 'M':
                if (count == 1)
                    m_out += QString::number(m_time.month);
                else if (count == 2)
                    m_out += number(m_time.month, 2);
                else if (count == 3)
                    m_out += m_settings.ShortMonthNames.value(m_time.month - 1);
                else
                    m_out += m_settings.LongMonthNames.value(m_time.month - 1);
                break;
            case 'Y':
                m_out += count <= 2 ? number(m_time.year % 100, 2) : number(m_time.year, 4);
                break;
            case 'H': {
                int hour = m_time.hour;
                if (twelveHourClockAfter(format, i + count)) {
                    if (hour == 0)
                        hour = 12;
                    else if (hour > 12)
                        hour -= 12;
                }
                m_out += count == 1 ? QString::number(hour) : number(hour, 2);
                break;
            }
            case 'N':
                m_out += count == 1 ? QString::number(m_time.minute) : number(m_time.minute, 2);
                break;
            case 'S':
                m_out += count == 1 ? QString::number(m_time.second) : number(m_time.second, 2);
                break;
            case 'Z':
                m_out += count < 3 ? QString::number(m_time.msec) : number(m_time.msec, 3);
                break;
            case 'T':
                Append(count == 1 ? m_settings.ShortTimeFormat : m_settings.LongTimeFormat, level + 1);
                break;
            case 'A': {
                // The marker tokens; a lone "a" is only a letter.
                const bool pm = m_time.hour >= 12;
                if (startsWithNoCase(format, i, "am/pm")) {
                    m_out += format.mid(pm ? i + 3 : i, 2);
                    i += 5;
                } else if (startsWithNoCase(format, i, "a/p")) {
                    m_out += format.at(pm ? i + 2 : i);
                    i += 3;
                } else if (startsWithNoCase(format, i, "ampm")) {
                    m_out += pm ? m_settings.TimePMString : m_settings.TimeAMString;
                    i += 4;
                } else {
                    m_out += start;
                    i += 1;
                }
                continue;
            }
            case '/':
                m_out += m_settings.DateSeparator;
                break;
            case ':':
                m_out += m_settings.TimeSeparator;
                break;
            case '\'':
            case '"': {
                const int close = int(format.indexOf(start, i + 1));
                const int end = close < 0 ? length : close;
                m_out += format.mid(i + 1, end - i - 1);
                i = end + 1;
                continue;
            }
            default:
                m_out += format.mid(i, count);
                break;
            }
            i += count;
        }
    }

    QString Text() const { return m_out; }

private:
    // An hour is on the 12-hour clock when the first "a" after it, outside
    // quotes and before the next hour, starts a marker token.
    static bool twelveHourClockAfter(const QString& format, int from)
    {
        QChar quote;
        for (int i = from; i < format.size(); ++i) {
            const QChar c = format.at(i);
            if (!quote.isNull()) {
                if (c == quote) quote = QChar();
                continue;
            }
            if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                quote = c;
            } else if (c.toUpper() == QLatin1Char('H')) {
                return false;
            } else if (c.toUpper() == QLatin1Char('A')) {
                return startsWithNoCase(format, i, "am/pm") || startsWithNoCase(format, i, "a/p")
                    || startsWithNoCase(format, i, "ampm");
            }
        }
        return false;
    }

    TDecodedDateTime m_time;
    bool m_midnight;
    const TFormatSettings& m_settings;
    QString m_out;
};

} // namespace

TDecodedDateTime DecodeDateTime(double dateTime)
{
    TDecodedDateTime out;
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > 3.0e6) return out; // beyond year 9999
    double whole = std::trunc(dateTime);
    qint64 ms = std::llround(std::fabs(dateTime - whole) * double(MsPerDay));
    if (ms >= MsPerDay) {
        // Rounded up to the next midnight.
        ms -= MsPerDay;
        whole += dateTime < 0 ? -1 : 1;
    }
    const QDate date = dayZero().addDays(qint64(whole));
    out.year = date.year();
    out.month = date.month();
    out.day = date.day();
    out.dayOfWeek = date.dayOfWeek();
    out.hour = int(ms / 3600000);
    out.minute = int(ms / 60000 % 60);
    out.second = int(ms / 1000 % 60);
    out.msec = int(ms % 1000);
    return out;
}

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec)
{
    const double days = double(dayZero().daysTo(QDate(year, month, day)));
    const double time = double(qint64(hour) * 3600000 + qint64(minute) * 60000 + qint64(second) * 1000 + msec)
        / double(MsPerDay);
    // Before day zero the fraction still counts forward from its midnight.
    return days < 0 ? days - time : days + time;
}

double DateTimeFromQt(const QDateTime& dateTime)
{
    const QDate d = dateTime.date();
    const QTime t = dateTime.time();
    return EncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
}

QString FormatDateTime(const QString& format, double dateTime, const TFormatSettings& settings)
{
    if (format.isEmpty()) return QString();
    TFormatter formatter(dateTime, settings);
    formatter.Append(format);
    return formatter.Text();
}

QString FormatFromQt(const QString& qt)
{
    QString out;
    const int length = int(qt.size());
    int i = 0;
    while (i < length) {
        const QChar c = qt.at(i);
        int count = 1;
        while (i + count < length && qt.at(i + count) == c)
            ++count;
        switch (c.unicode()) {
        case '\'': {
            const int close = int(qt.indexOf(QLatin1Char('\''), i + 1));
            const int end = close < 0 ? length : close;
            if (end > i + 1) out += QLatin1Char('"') + qt.mid(i + 1, end - i - 1) + QLatin1Char('"');
            i = end + 1;
            continue;
        }
        case 'd':
        case 'y':
        case 's':
            out += QString(count, c);
            break;
        case 'M':
            out += QString(count, QLatin1Char('m'));
            break;
        case 'H':
        case 'h':
            out += QString(std::min(count, 2), QLatin1Char('h'));
            break;
        case 'm':
            out += QString(std::min(count, 2), QLatin1Char('n'));
            break;
        case 'z':
            out += count >= 3 ? QStringLiteral("zzz") : QStringLiteral("z");
            break;
        case 'A':
        case 'a':
            // "AP", "ap" or a lone "A": the locale's markers.
            out += QStringLiteral("ampm");
            if (i + 1 < length && qt.at(i + 1).toUpper() == QLatin1Char('P')) ++count;
            break;
        case 't':
            // The time zone has no token here: it goes, with the space before it.
            if (out.endsWith(QLatin1Char(' '))) out.chop(1);
            break;
        default:
            // A letter the language would read as a token is quoted.
            if (c.isLetter())
                out += QLatin1Char('"') + QString(count, c) + QLatin1Char('"');
            else
                out += QString(count, c);
            break;
        }
        i += count;
    }
    return out;
}

TFormatSettings TFormatSettings::FromLocale(const QLocale& locale)
{
    TFormatSettings s;
    s.ShortDateFormat = FormatFromQt(locale.dateFormat(QLocale::ShortFormat));
    s.LongDateFormat = FormatFromQt(locale.dateFormat(QLocale::LongFormat));
    s.ShortTimeFormat = FormatFromQt(locale.timeFormat(QLocale::ShortFormat));
    s.LongTimeFormat = FormatFromQt(locale.timeFormat(QLocale::LongFormat));
    // The separators are the first character between the fields of the
    // short formats.
    const auto separator = [](const QString& format, const QString& fallback) {
        for (const QChar c : format)
            if (!c.isLetter() && c != QLatin1Char('"') && c != QLatin1Char(' ')) return QString(c);
        return fallback;
    };
    s.DateSeparator = separator(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
    s.TimeSeparator = separator(locale.timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
    s.TimeAMString = locale.amText();
    s.TimePMString = locale.pmText();
    for (int day : { 7, 1, 2, 3, 4, 5, 6 }) {
        s.ShortDayNames << locale.dayName(day, QLocale::ShortFormat);
        s.LongDayNames << locale.dayName(day, QLocale::LongFormat);
    }
    for (int month = 1; month <= 12; ++month) {
        s.ShortMonthNames << locale.monthName(month, QLocale::ShortFormat);
        s.LongMonthNames << locale.monthName(month, QLocale::LongFormat);
    }
    return s;
}

const TFormatSettings& DateFormats()
{
    static const TFormatSettings french
        = TFormatSettings::FromLocale(QLocale(QLocale::French, QLocale::France));
    return french;
}
