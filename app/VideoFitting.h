#pragma once
// The arithmetic of the video display: the largest rectangle of a ratio
// inside another, the ratio a stream is shown at, and the size label.

#include <QRect>
#include <QString>
#include <cstdint>

// The largest a:b rectangle inside rect less `margin` on every side (a
// negative margin grows it), centred on the side that is left over; rect
// less the margin when a or b is 0. Relative to rect's top left when
// `relative`.
QRect FitRect(int a, int b, const QRect& rect, bool relative, int margin);

struct TAspectChoice {
    int a = 4;
    int b = 3;
    int mode = 0; // 0 the stream's own width:height, 1 4x3, 2 16x9, 3 native
};

// From the preference "Forcer Aspect Ratio" (0 normal, 1 4:3, 2 16:9,
// 3 native) and the stream's aspect flag (0 4:3, 1 16:9, other: none) and
// size.
TAspectChoice ApplyAspectPreference(int preference, int streamAspect, int width, int height);

// The ratio a mode shows at; 4:3 when either number would be 0.
TAspectChoice RatioOfMode(int mode, int streamAspect, int width, int height);

// "720 x 576  =>  720 x 405 [16x9}": the source size, the size of saved
// images and the mode's suffix; empty without a picture.
QString SizeLabelText(int sourceWidth, int sourceHeight, int outputWidth, int outputHeight, int mode);
