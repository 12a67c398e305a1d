// Fitting a ratio into the video area, the ratio a stream is shown at, and
// the size label.

#include "app/VideoFitting.h"

#include <gtest/gtest.h>

TEST(VideoFitting, FitRectCentresTheRatioOnTheSideLeftOver)
{
    // A wide area: full height, centred horizontally.
    EXPECT_EQ(FitRect(4, 3, QRect(0, 0, 800, 300), false, 0), QRect(200, 0, 400, 300));
    // An area narrower than its height allows: the width less the margins,
    // centred vertically.
    const QRect area(10, 20, 400, 600);
    const QRect fitted = FitRect(16, 9, area, true, 12);
    EXPECT_EQ(fitted.width(), 400 - 24);
    EXPECT_EQ(fitted.height(), 376 * 9 / 16);
    EXPECT_EQ(fitted.top(), 12 + (576 - 211) / 2);
    EXPECT_EQ(fitted.left(), 12);
    // Absolute, a negative margin grows the rectangle, a 0 in the ratio fits nothing.
    EXPECT_EQ(FitRect(0, 9, QRect(5, 5, 100, 50), false, -4), QRect(1, 1, 108, 58));
    // Integer division and halves toward zero.
    EXPECT_EQ(FitRect(16, 9, QRect(0, 0, 101, 100), false, 0), QRect(0, 22, 101, 56));
}

TEST(VideoFitting, TheAspectTableAndTheLabel)
{
    struct Case {
        int preference, streamAspect, a, b, mode;
    };
    for (const Case& c : { Case { 1, 1, 4, 3, 1 }, Case { 2, 0, 16, 9, 2 }, Case { 3, 1, 720, 576, 3 },
             Case { 0, 0, 4, 3, 1 }, Case { 0, 1, 16, 9, 2 }, Case { 0, 7, 720, 576, 0 } }) {
        const TAspectChoice got = ApplyAspectPreference(c.preference, c.streamAspect, 720, 576);
        EXPECT_EQ(got.a, c.a) << c.preference << "/" << c.streamAspect;
        EXPECT_EQ(got.b, c.b);
        EXPECT_EQ(got.mode, c.mode);
    }
    EXPECT_EQ(RatioOfMode(0, 5, 0, 576).a, 4); // no size yet: 4:3
    EXPECT_EQ(RatioOfMode(3, 0, 720, 576).b, 576);

    // A 16:9 DV frame: the saved image keeps the source's width.
    const QRect out = FitRect(16, 9, QRect(0, 0, 720, 576), false, 0);
    EXPECT_EQ(SizeLabelText(720, 576, out.width(), out.height(), 2),
        QStringLiteral("720 x 576  =>  720 x 405 [16x9}"));
    EXPECT_EQ(SizeLabelText(720, 576, 720, 576, 3), QStringLiteral("720 x 576  =>  720 x 576 [natif]"));
    EXPECT_EQ(SizeLabelText(320, 240, 320, 240, 0), QStringLiteral("320 x 240  =>  320 x 240"));
    EXPECT_EQ(SizeLabelText(0, 576, 0, 0, 1), QString());
}
