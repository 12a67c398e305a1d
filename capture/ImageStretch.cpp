#include "capture/ImageStretch.h"

#include <cstring>
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

    // Squeezed in height only (576 rows shown as 540: 4:3 PAL), a row is the
    // source row as it is: four pixels at a time, on every grab of a run.
    const bool wholeRows = w == sw;
    using Quad = QRgb __attribute__((vector_size(16)));
    const Quad alpha = { 0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u };
    for (int y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(static_cast<int>(y * sh / h)));
        auto* out = reinterpret_cast<QRgb*>(output.scanLine(y));
        int x = 0;
        if (wholeRows)
            for (; x + 4 <= w; x += 4) {
                Quad q;
                std::memcpy(&q, in + x, sizeof q);
                q |= alpha;
                std::memcpy(out + x, &q, sizeof q);
            }
        for (; x < w; ++x)
            out[x] = in[column[static_cast<size_t>(x)]] | 0xFF000000u;
    }
    return true;
}
