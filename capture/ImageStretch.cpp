#include "capture/ImageStretch.h"

#include <vector>

bool StretchImage(const QImage& source, QImage& output, QSize size)
{
    if (size.isEmpty() || source.isNull()) return false;

    // A shallow copy keeps the frame alive should `source` and `output` be the
    // same object; it costs a reference count, not a copy of the pixels.
    QImage src = source;
    if (src.format() != QImage::Format_RGB32) {
        src = src.convertToFormat(QImage::Format_RGB32);
        if (src.isNull()) return false;
    }

    // At the frame's own size there is nothing to drop or repeat: the output
    // shares the frame's pixels.
    if (src.size() == size) {
        output = src;
        return true;
    }

    const int w = size.width();
    const int h = size.height();
    // Every pixel is written below: an output still held elsewhere (the
    // last image, on its way to the disk) is replaced, not copied first.
    if (output.size() != size || output.format() != QImage::Format_RGB32 || !output.isDetached()) {
        QImage fresh(size, QImage::Format_RGB32);
        if (fresh.isNull()) // too large to allocate
            return false;
        output = fresh;
    }

    const qint64 sw = src.width();
    const qint64 sh = src.height();
    std::vector<int> column(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x)
        column[static_cast<size_t>(x)] = static_cast<int>(x * sw / w);

    for (int y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(static_cast<int>(y * sh / h)));
        auto* out = reinterpret_cast<QRgb*>(output.scanLine(y));
        for (int x = 0; x < w; ++x)
            out[x] = in[column[static_cast<size_t>(x)]] | 0xFF000000u;
    }
    return true;
}
