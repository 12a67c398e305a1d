#include "filters/InlayLines.h"

#include "filters/Tsuperposer.h"

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <vector>

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

// At high-definition sizes the compositor keeps each line as it drew it and
// blends it into the next frames. A change of text or of any setting shows
// in the very next frame, drawn as a compositor that never drew anything
// would draw it; an unchanged line comes out the same pixel for pixel; and
// the lines look as the bitmap filter's own outlined text does.
TEST(InlayLines, TheCompositorDrawsEveryChangeAtOnceAndAnUnchangedLineAlike)
{
    QImage background(1920, 1080, QImage::Format_RGB32);
    for (int y = 0; y < background.height(); ++y)
        for (int x = 0; x < background.width(); ++x)
            background.setPixel(x, y, qRgb(x * 255 / 1920, y * 255 / 1080, (x ^ y) & 0xFF));
    // The image number, as line 2 alone; the picture's size sizes the font.
    const auto settings = [] {
        TincrustRec rec = DefaultIncrustRec();
        rec.WhatIncrust = 6;
        return rec;
    };
    const auto frame = [&](Tsuperposer& s) {
        std::lock_guard lock(s.Bitmap);
        s.Bitmap.Image() = background.copy();
        s.DrawInlay(s.Bitmap);
        return s.Bitmap.Image().copy();
    };
    const auto fresh = [&](const TincrustRec& rec, int32_t number) {
        Tsuperposer s;
        s.Bitmap.SetSize(1920, 1080);
        s.SetInlay(rec);
        s.SetImageNumber(number, 4);
        return frame(s);
    };

    Tsuperposer s;
    s.Bitmap.SetSize(1920, 1080);
    s.SetInlay(settings());
    s.SetImageNumber(12, 4);
    const QImage first = frame(s);
    ASSERT_NE(first, background);
    EXPECT_EQ(frame(s), first);
    EXPECT_EQ(frame(s), first);

    // The same pixels as the outlined text drawn straight into the picture,
    // within the rounding of one blend.
    {
        std::lock_guard lock(s.Bitmap);
        s.Bitmap.Image() = background.copy();
        s.DrawInlayLines(s.Bitmap, 1920 * 914 / 1000, 1080 * 914 / 1000, s.LineHeight(), QString(),
            QStringLiteral("0012"), settings().FontRec.Color, 0, settings().BorderSize,
            settings().Alignement);
        const QImage& direct = s.Bitmap.Image();
        int differentlyChanged = 0, worst = 0;
        for (int y = 0; y < 1080; ++y)
            for (int x = 0; x < 1920; ++x) {
                const QRgb a = direct.pixel(x, y), b = first.pixel(x, y), under = background.pixel(x, y);
                if ((a != under) != (b != under)) ++differentlyChanged;
                worst = std::max({ worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                    std::abs(qBlue(a) - qBlue(b)) });
            }
        EXPECT_EQ(differentlyChanged, 0);
        EXPECT_LE(worst, 2);
    }

    // A new text, at once; the old one again gives the old picture.
    s.SetImageNumber(13, 4);
    const QImage next = frame(s);
    EXPECT_NE(next, first);
    EXPECT_EQ(next, fresh(settings(), 13));
    s.SetImageNumber(12, 4);
    EXPECT_EQ(frame(s), first);

    // Each setting that shapes or places the line, at once.
    std::vector<TincrustRec> changes(6, settings());
    changes[0].FontRec.Color = 0x0000FF;
    changes[1].BorderSize = 4;
    changes[2].FontRec.Bold = true;
    changes[3].Autofontsize = false; // 21 points
    changes[4].Alignement = 0;
    changes[5].Ypos = 500;
    for (size_t i = 0; i < changes.size(); ++i) {
        s.SetInlay(changes[i]);
        const QImage changed = frame(s);
        EXPECT_NE(changed, first) << i;
        EXPECT_EQ(changed, fresh(changes[i], 12)) << i;
    }
    // Back to the first settings: drawn anew as well. (Not necessarily the
    // first picture: once the toolkit has drawn another size of the font,
    // its outlines of this size come out a little differently.)
    s.SetInlay(settings());
    const QImage back = frame(s);
    EXPECT_EQ(back, fresh(settings(), 12));
    EXPECT_EQ(frame(s), back);

    // The font resized without new settings: the picture's size changed.
    s.Bitmap.SetSize(1280, 720);
    s.AutoFontSize();
    background = background.copy(0, 0, 1280, 720);
    const QImage smaller = frame(s);
    Tsuperposer other;
    other.Bitmap.SetSize(1280, 720);
    other.SetInlay(settings());
    other.SetImageNumber(12, 4);
    EXPECT_EQ(smaller, frame(other));
}
