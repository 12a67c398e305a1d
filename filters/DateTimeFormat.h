#pragma once
// The date-time format language of the inlay's date formats and of the
// time-offset label, and the day-fraction times it formats.
//
// A time is a number of days since 30 December 1899 at midnight, the time
// of day being the fraction (6 h = 0.25). The format is read from left to
// right, letters in either case:
//   c              short date, a space and the long time (no time at midnight)
//   d dd           day of the month, without / with a leading zero
//   ddd dddd       abbreviated / full day name
//   ddddd dddddd   the short / long date format
//   m mm           month number; right after an hour token, the minutes
//   mmm mmmm       abbreviated / full month name
//   yy yyyy        year on two / four digits
//   h hh           hour, 0..23, or 1..12 when an am/pm token follows
//   n nn  s ss     minutes, seconds
//   z zzz          milliseconds without / with leading zeros
//   t tt           the short / long time format
//   am/pm a/p      "am" or "pm", "a" or "p", in the case written
//   ampm           the settings' own markers
//   / :            the date and time separators
//   '...' "..."    copied without the quotes
// and any other character is copied as it is.

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

struct TFormatSettings {
    // In this language (not Qt's): e.g. "dd/mm/yyyy", "hh:nn:ss".
    QString ShortDateFormat;
    QString LongDateFormat;
    QString ShortTimeFormat;
    QString LongTimeFormat;
    QString DateSeparator;
    QString TimeSeparator;
    QString TimeAMString;
    QString TimePMString;
    QStringList ShortDayNames; // 7, Sunday first
    QStringList LongDayNames;
    QStringList ShortMonthNames; // 12, January first
    QStringList LongMonthNames;

    // The conventions of a locale, its formats translated from Qt's.
    static TFormatSettings FromLocale(const QLocale& locale);
};

// The French (France) conventions the inlay's dates are written with.
const TFormatSettings& DateFormats();

// Formats a day-fraction time. An empty format gives an empty text.
QString FormatDateTime(const QString& format, double dateTime, const TFormatSettings& settings);

// Day-fraction times: the date part plus hours / 24 + minutes / 1440 + ...
// Decoding rounds to the millisecond, so that a time made of whole seconds
// reads back as those seconds whatever the rounding of the sum.
double EncodeDateTime(
    int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int msec = 0);
double DateTimeFromQt(const QDateTime& dateTime); // its local date and time
struct TDecodedDateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, msec = 0;
    int dayOfWeek = 7; // 1 = Monday .. 7 = Sunday
};
TDecodedDateTime DecodeDateTime(double dateTime);

// Qt's date-time format (MM, mm, HH, AP...) in this language.
QString FormatFromQt(const QString& qtFormat);
