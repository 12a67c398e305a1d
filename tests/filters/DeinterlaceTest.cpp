#include "filters/Deinterlace.h"

#include <cstring>
#include <gtest/gtest.h>
#include <utility>

namespace
{

constexpr QRgb Black = 0xff000000u;
constexpr QRgb White = 0xffffffffu;

QImage filled(int w, int h, QRgb colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

void setRow(QImage& img, int y, QRgb colour, int x0 = 0, int x1 = -1)
{
    if (x1 < 0) x1 = img.width();
    auto* p = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = x0; x < x1; ++x)
        p[x] = colour;
}

QImage run(const QImage& src)
{
    QImage out;
    Deinterlace(src, out);
    return out;
}

} // namespace

TEST(Deinterlace, RepairsCombRunsOnly)
{
    // Alternate white rows over black; a run of two columns from row 1.
    QImage src = filled(6, 6, Black);
    setRow(src, 1, White, 2, 4);
    setRow(src, 3, 0xff808080u, 0, 1); // single combed pixel, no combed neighbour
    setRow(src, 5, White); // last row: never examined
    setRow(src, 0, 0xff102030u, 5, 6); // row above a pixel with no comb
    const QImage before = src.copy();

    QImage out = run(src);
    EXPECT_EQ(src, before);
    EXPECT_EQ(out.format(), QImage::Format_RGB32);
    EXPECT_EQ(out.pixel(2, 1), Black);
    EXPECT_EQ(out.pixel(3, 1), Black);
    EXPECT_EQ(out.pixel(0, 3), 0xff808080u);
    for (int y : { 0, 2, 4, 5 })
        EXPECT_EQ(0, std::memcmp(out.constScanLine(y), src.constScanLine(y), 6 * 4)) << "row " << y;

    // Average per channel with the copied alpha kept.
    QImage argb(3, 3, QImage::Format_ARGB32);
    setRow(argb, 0, 0xff204060u);
    setRow(argb, 1, 0x80ffffffu);
    setRow(argb, 2, 0xff0a0b0cu);
    QImage repaired = run(argb);
    EXPECT_EQ(repaired.pixel(1, 1), 0x80152536u);

    // Weights 3/6/1 against the threshold: a tooth of d on one channel only
    // combs when weight * d * d exceeds 2000.
    struct Case {
        int shift, below, above;
    };
    for (Case c : { Case { 16, 25, 26 }, Case { 8, 18, 19 }, Case { 0, 44, 45 } }) {
        for (int d : { c.below, c.above }) {
            QImage tooth = filled(2, 3, 0xff646464u);
            setRow(tooth, 1, 0xff646464u + (QRgb(d) << c.shift));
            const bool repaired = run(tooth).pixel(0, 1) == 0xff646464u;
            EXPECT_EQ(repaired, d == c.above) << "shift " << c.shift << " d " << d;
        }
    }

    // In place gives the same result.
    QImage inPlace = src.copy();
    Deinterlace(inPlace, inPlace);
    EXPECT_EQ(inPlace, out);
}

TEST(Deinterlace, LeavesDetailAndSmallPicturesAlone)
{
    // Vertical gradient: the middle lies between its neighbours.
    QImage grad(4, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        setRow(grad, y, qRgb(40 * y, 50 * y, 30 * y));
    EXPECT_EQ(run(grad), grad);

    // Under 3 rows: nothing is examined, even a strong alternation.
    QImage two = filled(5, 2, Black);
    setRow(two, 1, White);
    EXPECT_EQ(run(two), two);

    // Not 0xAARRGGBB: plain copy.
    QImage rgb888 = filled(4, 3, Black).convertToFormat(QImage::Format_RGB888);
    setRow(rgb888, 1, White);
    EXPECT_EQ(run(rgb888), rgb888);
}

TEST(Deinterlace, MasksFollowThePictureSize)
{
    // A combed picture, then clean pictures of other sizes through the same
    // result image and the same process-wide masks.
    QImage big = filled(8, 7, Black);
    for (int y = 1; y < 7; y += 2)
        setRow(big, y, White);
    QImage out;
    Deinterlace(big, out);
    EXPECT_EQ(out, filled(8, 7, Black));

    for (auto [w, h] : { std::pair { 5, 9 }, std::pair { 8, 7 }, std::pair { 3, 3 } }) {
        QImage clean = filled(w, h, 0xff445566u);
        Deinterlace(clean, out);
        EXPECT_EQ(out, clean) << w << "x" << h;
    }

    // A picture with nothing to mend comes back as itself, not copied; one
    // that is mended is copied once and its source left as it was.
    QImage next = filled(3, 3, White);
    Deinterlace(next, out);
    EXPECT_EQ(out.constBits(), next.constBits());
    EXPECT_EQ(out, next);
    const QImage combed = big;
    Deinterlace(big, out);
    EXPECT_NE(out.constBits(), big.constBits());
    EXPECT_EQ(out, filled(8, 7, Black));
    EXPECT_EQ(big, combed);
}
