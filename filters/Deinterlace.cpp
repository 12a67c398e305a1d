#include "filters/Deinterlace.h"

#include <cstring>

namespace
{

// Above this the middle pixel is taken for a tooth of the other field. The
// weights follow the eye's sensitivity: green most, then red, blue least.
constexpr int CombThreshold = 2000;

inline int red(uint32_t p)
{
    return int((p >> 16) & 0xff);
}
inline int green(uint32_t p)
{
    return int((p >> 8) & 0xff);
}
inline int blue(uint32_t p)
{
    return int(p & 0xff);
}

// The formats whose pixels are one native 0xAARRGGBB word with straight
// colour. Other 32-bit layouts put the channels elsewhere and would be
// weighted wrongly; premultiplied colour could end up above its alpha.
bool isArgbWord(QImage::Format f)
{
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32;
}

// The result starts as the source, shared: the repair below detaches it
// (one copy) only when it finds a row to mend, and a result still held
// elsewhere (an image on its way to the disk) is never copied into first.
void copyInto(const QImage& source, QImage& result)
{
    if (&source == &result) return;
    result = source;
}

} // namespace

void TDeinterlacer::Resize(int width, int height)
{
    if (width == m_width && height == m_height) return;
    const size_t n = size_t(width) * size_t(height);
    Mask1.assign(n, 0);
    Mask2.assign(n, 0);
    m_width = width;
    m_height = height;
}

void TDeinterlacer::Deinterlace(const QImage& source, QImage& result)
{
    copyInto(source, result);
    if (!isArgbWord(source.format())) return;
    const int w = source.width();
    const int h = source.height();
    if (h < 3 || w < 1) return;
    Resize(w, h);

    // Only odd rows are read from the masks or written in the result, and
    // their neighbours are even rows, so reading the source after the result
    // was written is safe even when both are the same image.
    for (int r = 1; r + 1 < h; r += 2) {
        const auto* a = reinterpret_cast<const uint32_t*>(source.constScanLine(r - 1));
        const auto* c = reinterpret_cast<const uint32_t*>(source.constScanLine(r));
        const auto* b = reinterpret_cast<const uint32_t*>(source.constScanLine(r + 1));
        uint8_t* m1 = Mask1.data() + size_t(r) * size_t(w);
        for (int x = 0; x < w; ++x) {
            const uint32_t pa = a[x], pc = c[x], pb = b[x];
            const int comb = 3 * (red(pa) - red(pc)) * (red(pb) - red(pc))
                + 6 * (green(pa) - green(pc)) * (green(pb) - green(pc))
                + (blue(pa) - blue(pc)) * (blue(pb) - blue(pc));
            m1[x] = comb > CombThreshold ? 1 : 0;
        }
    }

    // An isolated hit is more likely fine detail or noise than combing.
    for (int r = 1; r + 1 < h; r += 2) {
        const uint8_t* m1 = Mask1.data() + size_t(r) * size_t(w);
        uint8_t* m2 = Mask2.data() + size_t(r) * size_t(w);
        for (int x = 0; x < w; ++x) {
            const bool left = x > 0 && m1[x - 1];
            const bool right = x + 1 < w && m1[x + 1];
            m2[x] = m1[x] && (left || right) ? 1 : 0;
        }
    }

    for (int r = 1; r + 1 < h; r += 2) {
        const auto* a = reinterpret_cast<const uint32_t*>(source.constScanLine(r - 1));
        const auto* b = reinterpret_cast<const uint32_t*>(source.constScanLine(r + 1));
        const uint8_t* m2 = Mask2.data() + size_t(r) * size_t(w);
        uint32_t* out = nullptr; // taken on the first repair: a shared result detaches only if needed
        for (int x = 0; x < w; ++x) {
            if (!m2[x]) continue;
            if (!out) out = reinterpret_cast<uint32_t*>(result.scanLine(r));
            const uint32_t pa = a[x], pb = b[x];
            const uint32_t rd = uint32_t((red(pa) + red(pb)) / 2);
            const uint32_t gn = uint32_t((green(pa) + green(pb)) / 2);
            const uint32_t bl = uint32_t((blue(pa) + blue(pb)) / 2);
            out[x] = (out[x] & 0xff000000u) | (rd << 16) | (gn << 8) | bl;
        }
    }
}

TDeinterlacer& Deinterlacer()
{
    static TDeinterlacer instance;
    return instance;
}

void Deinterlace(const QImage& source, QImage& result)
{
    Deinterlacer().Deinterlace(source, result);
}
