#include "filters/DateTimeFormat.h"

#include <gtest/gtest.h>

namespace
{

QString french(const char* format, double when)
{
    return FormatDateTime(QString::fromUtf8(format), when, DateFormats());
}

const double Recorded = EncodeDateTime(2004, 7, 15, 14, 23, 45); // a Thursday

} // namespace

TEST(DateTimeFormat, FrenchNamesAndFormatsComeFromTheLocale)
{
    const TFormatSettings& fr = DateFormats();
    EXPECT_EQ(fr.ShortDateFormat, QStringLiteral("dd/mm/yyyy"));
    EXPECT_EQ(fr.LongDateFormat, QStringLiteral("dddd d mmmm yyyy"));
    EXPECT_EQ(fr.LongTimeFormat, QStringLiteral("hh:nn:ss"));
    EXPECT_EQ(fr.ShortTimeFormat, QStringLiteral("hh:nn"));

    EXPECT_EQ(french("dddddd", Recorded), QStringLiteral("jeudi 15 juillet 2004"));
    EXPECT_EQ(french("tt", Recorded), QStringLiteral("14:23:45"));
    EXPECT_EQ(french("t", Recorded), QStringLiteral("14:23"));
    EXPECT_EQ(french("ddddd", Recorded), QStringLiteral("15/07/2004"));
    EXPECT_EQ(french("ddd d mmm yy", Recorded), QStringLiteral("jeu. 15 juil. 04"));
    EXPECT_EQ(
        french("DDDD D MMMM YYYY", EncodeDateTime(2005, 2, 6)), QStringLiteral("dimanche 6 février 2005"));
    EXPECT_EQ(french("d/m/yyyy", EncodeDateTime(2005, 2, 6)), QStringLiteral("6/2/2005"));

    // "c": the time is left out at exactly midnight, and only then.
    EXPECT_EQ(french("c", Recorded), QStringLiteral("15/07/2004 14:23:45"));
    EXPECT_EQ(french("c", EncodeDateTime(2004, 7, 15)), QStringLiteral("15/07/2004"));
    EXPECT_EQ(french("c", EncodeDateTime(2004, 7, 15, 0, 0, 0, 1)), QStringLiteral("15/07/2004 00:00:00"));
    EXPECT_EQ(french("", Recorded), QString());
}

TEST(DateTimeFormat, MonthsMinutesAndTheTwelveHourClock)
{
    // m and mm right after an hour token are the minutes, wherever else the
    // month; n is always the minutes.
    EXPECT_EQ(french("hh:mm", Recorded), QStringLiteral("14:23"));
    EXPECT_EQ(french("h:mm", Recorded), QStringLiteral("14:23"));
    EXPECT_EQ(french("h m", Recorded), QStringLiteral("14 23"));
    EXPECT_EQ(french("mm/yyyy hh:nn", Recorded), QStringLiteral("07/2004 14:23"));
    EXPECT_EQ(french("hh:nn:ss mm", Recorded), QStringLiteral("14:23:45 07"));

    // An am/pm token after the hour puts it on the 12-hour clock; its case
    // is the format's.
    EXPECT_EQ(french("h:nn am/pm", Recorded), QStringLiteral("2:23 pm"));
    EXPECT_EQ(french("hh:nn AM/PM", EncodeDateTime(2004, 7, 15, 0, 5)), QStringLiteral("12:05 AM"));
    EXPECT_EQ(french("h:nn AM/PM", EncodeDateTime(2004, 7, 15, 12, 0)), QStringLiteral("12:00 PM"));
    EXPECT_EQ(french("hh a/p", Recorded), QStringLiteral("02 p"));
    EXPECT_EQ(french("h A/P", EncodeDateTime(2004, 7, 15, 9, 0)), QStringLiteral("9 A"));
    EXPECT_EQ(french("h ampm", Recorded), QStringLiteral("2 PM"));
    // A marker before the hour, or a quoted one, does not; a lone "a" is a
    // letter.
    EXPECT_EQ(french("am/pm h", Recorded), QStringLiteral("pm 14"));
    EXPECT_EQ(french("h 'am/pm'", Recorded), QStringLiteral("14 am/pm"));
    EXPECT_EQ(french("h a", Recorded), QStringLiteral("14 a"));

    EXPECT_EQ(french("s ss z zzz", EncodeDateTime(2004, 7, 15, 1, 2, 3, 7)), QStringLiteral("3 03 7 007"));
}

TEST(DateTimeFormat, QuotedTextAndOtherCharactersAreCopied)
{
    EXPECT_EQ(french("'Le' d \"de\" mmmm", Recorded), QStringLiteral("Le 15 de juillet"));
    EXPECT_EQ(french("'jour: d'", Recorded), QStringLiteral("jour: d"));
    EXPECT_EQ(french("yyyy-mm-dd [x]", Recorded), QStringLiteral("2004-07-15 [x]"));
    EXPECT_EQ(french("d 'sans fin", Recorded), QStringLiteral("15 sans fin"));
    // The separators are the locale's.
    TFormatSettings dotted = DateFormats();
    dotted.DateSeparator = QStringLiteral(".");
    dotted.TimeSeparator = QStringLiteral("h");
    EXPECT_EQ(
        FormatDateTime(QStringLiteral("dd/mm/yy hh:nn"), Recorded, dotted), QStringLiteral("15.07.04 14h23"));
    // A format that names itself stops instead of recursing.
    TFormatSettings looping = DateFormats();
    looping.ShortDateFormat = QStringLiteral("ddddd");
    EXPECT_EQ(FormatDateTime(QStringLiteral("c"), EncodeDateTime(2004, 7, 15), looping), QString());
}

TEST(DateTimeFormat, DayFractionsReadBackExactly)
{
    // Every second of a day, and the same second an hour later by adding a
    // day fraction (the time offset's arithmetic): no drift.
    const double day = EncodeDateTime(2004, 7, 15);
    for (int second = 0; second < 86400; ++second) {
        const int h = second / 3600, n = second / 60 % 60, s = second % 60;
        const double when = EncodeDateTime(2004, 7, 15, h, n, s);
        const TDecodedDateTime t = DecodeDateTime(when);
        ASSERT_EQ(t.hour * 3600 + t.minute * 60 + t.second, second);
        ASSERT_EQ(t.msec, 0) << second;
        ASSERT_EQ(t.day, 15);
        const TDecodedDateTime later = DecodeDateTime(when + 1.0 / 24);
        const int expected = (second + 3600) % 86400;
        ASSERT_EQ(later.hour * 3600 + later.minute * 60 + later.second, expected) << second;
        ASSERT_EQ(later.msec, 0) << second;
        ASSERT_EQ(later.day, second + 3600 >= 86400 ? 16 : 15) << second;
        ASSERT_LT(when - day, 1.0);
    }
    EXPECT_EQ(DecodeDateTime(0).year, 1899);
    EXPECT_EQ(DecodeDateTime(0).dayOfWeek, 6); // a Saturday
    EXPECT_EQ(DecodeDateTime(EncodeDateTime(2000, 2, 29, 23, 59, 59, 999)).msec, 999);
    EXPECT_EQ(DateTimeFromQt(QDateTime(QDate(2004, 7, 15), QTime(14, 23, 45))), Recorded);
    // Nonsense is day zero, not garbage.
    EXPECT_EQ(DecodeDateTime(std::nan("")).year, 1899);
    EXPECT_EQ(DecodeDateTime(1e300).year, 1899);
}

TEST(DateTimeFormat, QtFormatsTranslate)
{
    EXPECT_EQ(FormatFromQt(QStringLiteral("h:mm:ss AP t")), QStringLiteral("h:nn:ss ampm"));
    EXPECT_EQ(FormatFromQt(QStringLiteral("M/d/yy")), QStringLiteral("m/d/yy"));
    EXPECT_EQ(
        FormatFromQt(QStringLiteral("d 'de' MMMM 'de' yyyy")), QStringLiteral("d \"de\" mmmm \"de\" yyyy"));
    EXPECT_EQ(FormatFromQt(QStringLiteral("HH'h'mm")), QStringLiteral("hh\"h\"nn"));
    const TFormatSettings us = TFormatSettings::FromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(FormatDateTime(QStringLiteral("tt"), Recorded, us), QStringLiteral("2:23:45 PM"));
    EXPECT_EQ(
        FormatDateTime(QStringLiteral("dddddd"), Recorded, us), QStringLiteral("Thursday, July 15, 2004"));
}
