// Aspect forcing of grabs: rows and columns are dropped or repeated, never blended.

#include "capture/ImageStretch.h"

#include <gtest/gtest.h>

TEST(ImageStretch, PicksSourcePixelsByIntegerScaling)
{
    QImage frame(720, 576, QImage::Format_RGB32);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            frame.setPixel(x, y, qRgb(y & 0xFF, y >> 8, x & 0xFF));

    QImage out;
    ASSERT_TRUE(StretchImage(frame, out, QSize(720, 405)));
    ASSERT_EQ(out.format(), QImage::Format_RGB32);
    ASSERT_EQ(out.size(), QSize(720, 405));
    for (int y : { 0, 1, 2, 3, 200, 403, 404 }) {
        const int sy = y * 576 / 405;
        for (int x : { 0, 255, 256, 719 })
            EXPECT_EQ(out.pixel(x, y), qRgb(sy & 0xFF, sy >> 8, x & 0xFF)) << x << "," << y;
    }

    // Same size and format again: the buffer is reused.
    const uchar* buffer = out.constBits();
    ASSERT_TRUE(StretchImage(frame, out, QSize(720, 405)));
    EXPECT_EQ(out.constBits(), buffer);
    // Unless the last output is still held (an image queued for writing):
    // that one keeps its pixels and the new output goes elsewhere.
    QImage queued = out;
    QImage other(720, 576, QImage::Format_RGB32);
    other.fill(qRgb(9, 9, 9));
    ASSERT_TRUE(StretchImage(other, out, QSize(720, 405)));
    EXPECT_NE(out.constBits(), buffer);
    EXPECT_EQ(queued.pixel(0, 1), qRgb(1, 0, 0));
    EXPECT_EQ(out.pixel(0, 1), qRgb(9, 9, 9));
    queued = QImage();
    ASSERT_TRUE(StretchImage(frame, out, QSize(720, 405)));
    buffer = out.constBits();

    // Nothing to stretch: the output stays as it is.
    EXPECT_FALSE(StretchImage(frame, out, QSize(0, 405)));
    EXPECT_FALSE(StretchImage(QImage(), out, QSize(720, 405)));
    EXPECT_EQ(out.size(), QSize(720, 405));
    EXPECT_EQ(out.constBits(), buffer);

    // 4x4 -> 2x2 keeps the even pixels, from any source format.
    QImage small(4, 4, QImage::Format_RGB888);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            small.setPixel(x, y, qRgb(x * 40, y * 40, 7));
    QImage half;
    ASSERT_TRUE(StretchImage(small, half, QSize(2, 2)));
    EXPECT_EQ(half.pixel(0, 0), qRgb(0, 0, 7));
    EXPECT_EQ(half.pixel(1, 0), qRgb(80, 0, 7));
    EXPECT_EQ(half.pixel(0, 1), qRgb(0, 80, 7));
    EXPECT_EQ(half.pixel(1, 1), qRgb(80, 80, 7));

    // Squeezed in height only, rows are copied whole, the last pixels of a
    // width that is not a multiple of four included, and made opaque.
    QImage odd(7, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            reinterpret_cast<QRgb*>(odd.scanLine(y))[x] = qRgb(x * 30, y * 60, 1) & 0x00FFFFFFu;
    QImage squeezed;
    ASSERT_TRUE(StretchImage(odd, squeezed, QSize(7, 2)));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(
                reinterpret_cast<const QRgb*>(squeezed.constScanLine(y))[x], qRgb(x * 30, y * 3 / 2 * 60, 1))
                << x << "," << y;

    // At the frame's own size the output is the frame, not a copy of it.
    QImage whole;
    ASSERT_TRUE(StretchImage(frame, whole, frame.size()));
    EXPECT_EQ(whole.constBits(), frame.constBits());
    // A stretched output written again does not write into a frame it once shared.
    ASSERT_TRUE(StretchImage(frame, whole, QSize(360, 288)));
    EXPECT_EQ(frame.pixel(5, 7), qRgb(7, 0, 5));

    // Source and output may be the same image.
    QImage same = small.convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(StretchImage(same, same, QSize(2, 2)));
    EXPECT_EQ(same.pixel(1, 1), qRgb(80, 80, 7));
}
