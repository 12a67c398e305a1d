#pragma once
// The aspect forcing of a grab: the whole frame onto the whole output image,
// dropping or repeating rows and columns, without filtering, so a grab keeps
// the sharpness of the frame.

#include <QImage>
#include <QSize>

// Makes `output` a 32-bit (Format_RGB32) image of `size` whose pixel (x, y)
// is the source pixel (x * sw / w, y * sh / h). At the source's own size the
// output shares the source's pixels; otherwise its buffer is reused when it
// already has that size and format and nothing else shares it. With an empty size or a null source
// nothing changes and the result is false.
bool StretchImage(const QImage& source, QImage& output, QSize size);
