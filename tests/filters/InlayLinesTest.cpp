#include "filters/InlayLines.h"

#include "filters/Tsuperposer.h"

#include <gtest/gtest.h>

namespace
{

TInlayValues dvFrame()
{
    TInlayValues v;
    v.DatecodeValid = true;
    v.Datecode = EncodeDateTime(2004, 7, 15, 14, 23, 45);
    v.TimecodeValid = true;
    v.Timecode = { 0, 1, 2, 3 };
    v.LastPosition = 61 * 10'000'000LL + 5 * 400'000; // 0:01:01:05 at 25 fps
    v.FrameDuration = 400'000;
    v.ImageCounter = 12;
    v.Digits = 4;
    v.Now = EncodeDateTime(2026, 12, 10, 9, 5, 0);
    return v;
}

TInlayLines lines(int kind, const TInlayValues& v, TincrustRec rec = DefaultIncrustRec())
{
    rec.WhatIncrust = uint8_t(kind);
    return ComposeInlayLines(rec, v, DateFormats());
}

void expectLines(const TInlayLines& got, const char* line1, const char* line2)
{
    EXPECT_EQ(got.Line1, QString::fromUtf8(line1));
    EXPECT_EQ(got.Line2, QString::fromUtf8(line2));
}

} // namespace

TEST(InlayLines, EachKindTakesItsTexts)
{
    const TInlayValues v = dvFrame();
    expectLines(lines(0, v), "jeudi 15 juillet 2004", "14:23:45");
    expectLines(lines(1, v), "", "0:01:02:03");
    expectLines(lines(2, v), "réalisé le jeudi 10 décembre 2026", "avec Stillex de Kestrine");
    expectLines(lines(3, v), "jeudi 10 décembre 2026", "09:05:00");
    expectLines(lines(4, v), "", "");
    expectLines(lines(5, v), "jeudi 15 juillet 2004", "14:23:45");
    expectLines(lines(6, v), "", "0012");
    expectLines(lines(7, v), "", "0:01:01:05");
    expectLines(lines(200, v), "jeudi 10 décembre 2026", "09:05:00");

    // Without a datecode: "N/A" where it is asked for, the position in
    // its place for kind 5; without a timecode, "N/A".
    TInlayValues plain = v;
    plain.DatecodeValid = false;
    plain.TimecodeValid = false;
    expectLines(lines(0, plain), "N/A", "N/A");
    expectLines(lines(1, plain), "", "N/A");
    expectLines(lines(5, plain), "", "0:01:01:05");
    // Without a frame duration the frames are 0.
    plain.FrameDuration = 0;
    expectLines(lines(7, plain), "", "0:01:01:00");
}

TEST(InlayLines, TemplatesFormatsOffsetAndNumber)
{
    const TInlayValues v = dvFrame();
    TincrustRec rec = DefaultIncrustRec();
    rec.FormatDate1 = QStringLiteral("dd/mm/yyyy");
    rec.Incrust1 = QStringLiteral("%d / %t");
    rec.Incrust2 = QStringLiteral("%N-%s %X %%R");
    expectLines(lines(2, v, rec), "15/07/2004 / 0:01:02:03", "0012-0:01:01:05 %X %09:05:00");

    // An empty format empties its line, datecode or not.
    rec.FormatDate1.clear();
    expectLines(lines(0, v, rec), "", "14:23:45");

    // One hour later: the datecode and the clock move, the timecode and the
    // position do not.
    rec = DefaultIncrustRec();
    rec.DecalageHoraire = 1.0 / 24;
    expectLines(lines(0, v, rec), "jeudi 15 juillet 2004", "15:23:45");
    expectLines(lines(3, v, rec), "jeudi 10 décembre 2026", "10:05:00");
    expectLines(lines(1, v, rec), "", "0:01:02:03");
    expectLines(lines(7, v, rec), "", "0:01:01:05");

    EXPECT_EQ(ImageNumberText(12, 4), QStringLiteral("0012"));
    EXPECT_EQ(ImageNumberText(12345, 4), QStringLiteral("2345"));
    EXPECT_EQ(ImageNumberText(7, 0), QString());
    EXPECT_EQ(ImageNumberText(7, -3), QString());
    EXPECT_EQ(ImageNumberText(7, 1'000'000).size(), 32);
}

TEST(InlayLines, TheCompositorTakesItsSettings)
{
    Tsuperposer s;
    EXPECT_EQ(s.XPermille(), 900);
    EXPECT_EQ(s.YPermille(), 900);
    EXPECT_EQ(s.Settings(), DefaultIncrustRec());

    TincrustRec rec = DefaultIncrustRec();
    rec.Xpos = 1500;
    rec.Ypos = -20;
    rec.Autofontsize = false;
    rec.FontRec.Size = 21;
    s.SetInlay(rec);
    EXPECT_EQ(s.XPermille(), 1000);
    EXPECT_EQ(s.YPermille(), 0);
    EXPECT_EQ(s.LineHeight(), 28); // 21 points at 96 dpi
    EXPECT_EQ(s.Settings().Xpos, 1500); // the record is kept as given

    rec.Autofontsize = true;
    s.SetInlay(rec);
    EXPECT_EQ(s.LineHeight(), 16); // no picture yet: the smallest cell
    {
        std::lock_guard lock(s.Bitmap);
        s.Bitmap.SetSize(1440, 1080);
    }
    s.SetInlay(rec);
    EXPECT_EQ(s.LineHeight(), 56);

    // Drawn into the picture: the number, right-aligned at 91.4 % of the
    // width, its line's top at 91.4 % of the height, in the font colour
    // outlined in black; nothing else changes.
    rec = DefaultIncrustRec();
    rec.WhatIncrust = 6;
    rec.FontRec.Color = 0x0000FF; // red
    s.SetImageNumber(3, 3);
    std::lock_guard lock(s.Bitmap);
    s.Bitmap.SetSize(720, 576);
    s.Bitmap.Image().fill(QColor(128, 128, 128));
    s.SetInlay(rec);
    EXPECT_EQ(s.LineHeight(), 28);
    s.DrawInlay(s.Bitmap);
    const QImage& picture = s.Bitmap.Image();
    int red = 0, black = 0, outside = 0;
    for (int y = 0; y < 576; ++y)
        for (int x = 0; x < 720; ++x) {
            const QRgb p = picture.pixel(x, y);
            if (p == qRgb(128, 128, 128)) continue;
            const bool inRegion = x < 720 * 914 / 1000 + 4 && x > 400 && y >= 576 * 914 / 1000 - 4;
            if (!inRegion) ++outside;
            if (qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60) ++red;
            if (qRed(p) < 40 && qGreen(p) < 40 && qBlue(p) < 40) ++black;
        }
    EXPECT_GT(red, 20);
    EXPECT_GT(black, 20);
    EXPECT_EQ(outside, 0);
}
