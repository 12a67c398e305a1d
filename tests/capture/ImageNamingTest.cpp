// Names of grabbed images: numbers, roots by both rules, whole paths.

#include "capture/ImageNaming.h"

#include <climits>
#include <gtest/gtest.h>

TEST(ImageNaming, NumbersRootsAndPaths)
{
    EXPECT_EQ(FormatImageNumber(7, 4), "0007");
    EXPECT_EQ(FormatImageNumber(12345, 4), "2345");
    EXPECT_EQ(FormatImageNumber(0, 1), "0");
    EXPECT_EQ(FormatImageNumber(7, 0), "");
    EXPECT_EQ(FormatImageNumber(7, -3), "");
    EXPECT_EQ(FormatImageNumber(123, 20), "00000000000000000123");
    // A digit count from a settings file edited by hand: the panel's limit,
    // not two billion characters.
    EXPECT_EQ(FormatImageNumber(123, 2000000000), "00000000000000000123");
    EXPECT_EQ(FormatImageNumber(INT64_MAX, INT_MAX), "09223372036854775807");

    EXPECT_EQ(NumberOfText(" 0100 "), 100);
    EXPECT_EQ(NumberOfText("12a"), 0);
    EXPECT_EQ(NumberOfText(""), 0);

    EXPECT_TRUE(IsDigitsOnly(" 0100 "));
    EXPECT_FALSE(IsDigitsOnly("   "));
    EXPECT_FALSE(IsDigitsOnly("-1"));
    EXPECT_FALSE(IsDigitsOnly("1 2"));

    const QString def = QStringLiteral("racine");
    // Opening rule: up to the first dot.
    EXPECT_EQ(OpeningRootName("vacances.2008.avi", 1, def, false, 8), "vacances");
    EXPECT_EQ(OpeningRootName("holiday.mts", 1, def, true, 3), "hol");
    EXPECT_EQ(OpeningRootName("holiday.mts", 1, def, false, 3), "holiday");
    EXPECT_EQ(OpeningRootName("sansextension", 1, def, false, 8), "");
    EXPECT_EQ(OpeningRootName(".cache", 1, def, false, 8), "");
    EXPECT_EQ(OpeningRootName("/home/a.b/clip.avi", 1, def, false, 8), "clip");
    EXPECT_EQ(OpeningRootName("vacances.avi", 0, def, false, 8), def);
    // Option rule: up to the last dot.
    EXPECT_EQ(OptionRootName(true, "vacances.2008.avi", 1, def, false, 8), "vacances.2008");
    EXPECT_EQ(OptionRootName(true, "holiday.mts", 1, def, true, 3), "hol");
    EXPECT_EQ(OptionRootName(true, "sansextension", 1, def, false, 8), "sansextension");
    EXPECT_EQ(OptionRootName(true, "vacances.avi", 0, def, false, 8), def);
    EXPECT_EQ(OptionRootName(false, "vacances.avi", 1, def, false, 8), "Stillex");
    EXPECT_EQ(OptionRootName(false, QString(), 0, def, false, 8), "Stillex");

    EXPECT_EQ(ImagePath("/img", "vacances", "0007", 1), "/img/vacances_0007.jpg");
    EXPECT_EQ(
        ImagePath("/img/", "vacances", TimestampSuffix("0:01:23:12"), 1), "/img/vacances_0.01.23.12.jpg");
    EXPECT_EQ(ImagePath("/img", "", "0001", 0), "/img/_0001.bmp");
    EXPECT_EQ(ImagePath("/img", "r", FormatImageNumber(9, 0), 0), "/img/r_.bmp");
    EXPECT_EQ(ImagePath("", "r", "1", 1), "r_1.jpg");
}
