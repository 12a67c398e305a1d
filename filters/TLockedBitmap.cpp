#include "filters/TLockedBitmap.h"

#include <QColor>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace
{

// Enough for the grabs a run has in flight (the window's, those waiting to
// be written, the one being written) to leave a free buffer for the next
// frame; beyond that a buffer is made and the oldest spare let go.
constexpr size_t MaxSpares = 6;

// Far beyond any inlay, small enough that the font engine never has to
// rasterise absurd glyphs because of a bad stored preference.
constexpr int MaxFontHeight = 4096;

} // namespace

QColor ColourFromColorRef(uint32_t colour)
{
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

TLockedBitmap::TLockedBitmap()
    : m_metrics(m_font)
{
    refreshFont();
}

bool TLockedBitmap::SetSize(int width, int height)
{
    std::lock_guard lock(*this);
    if (width <= 0 || height <= 0) {
        m_image = QImage();
        m_spares.clear();
        return width >= 0 && height >= 0;
    }
    if (m_image.width() == width && m_image.height() == height) return true;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        m_image = QImage();
        return false;
    }
    image.fill(QColor(0, 0, 0));
    m_image = std::move(image);
    m_spares.clear();
    return true;
}

void TLockedBitmap::ShareTo(QImage& target) const
{
    std::lock_guard lock(m_mutex);
    target = m_image;
}

bool TLockedBitmap::PrepareOverwrite()
{
    std::lock_guard lock(*this);
    if (m_image.isNull() || m_image.isDetached()) return true;
    auto free = std::find_if(m_spares.begin(), m_spares.end(), [this](const QImage& spare) {
        return spare.isDetached() && spare.size() == m_image.size() && spare.format() == m_image.format();
    });
    QImage next;
    if (free != m_spares.end()) {
        next = std::move(*free);
        m_spares.erase(free);
    } else {
        next = QImage(m_image.size(), m_image.format());
        if (next.isNull()) return false;
    }
    // Spares of another size are of no more use.
    m_spares.erase(std::remove_if(m_spares.begin(), m_spares.end(),
                       [this](const QImage& spare) { return spare.size() != m_image.size(); }),
        m_spares.end());
    if (m_spares.size() >= MaxSpares) m_spares.erase(m_spares.begin());
    m_spares.push_back(std::exchange(m_image, std::move(next)));
    return true;
}

void TLockedBitmap::SetFontName(const QString& family)
{
    std::lock_guard lock(*this);
    m_fontName = family;
    refreshFont();
}

void TLockedBitmap::SetFontHeight(int height)
{
    std::lock_guard lock(*this);
    m_fontHeight = std::clamp(height, -MaxFontHeight, MaxFontHeight);
    refreshFont();
}

void TLockedBitmap::SetFontStyle(bool bold, bool italic, bool underline, bool strikeOut)
{
    std::lock_guard lock(*this);
    m_bold = bold;
    m_italic = italic;
    m_underline = underline;
    m_strikeOut = strikeOut;
    refreshFont();
}

void TLockedBitmap::refreshFont()
{
    QFont font;
    if (!m_fontName.isEmpty()) font.setFamily(m_fontName);
    font.setBold(m_bold);
    font.setItalic(m_italic);
    font.setUnderline(m_underline);
    font.setStrikeOut(m_strikeOut);
    if (m_fontHeight < 0) {
        // Qt's pixel size is the em height, which is what a negative
        // height asks for.
        font.setPixelSize(-m_fontHeight);
    } else if (m_fontHeight > 0) {
        // A cell height includes the internal leading, which Qt's pixel size
        // leaves out: take the largest pixel size whose line height
        // (ascent + descent) still fits the cell.
        const int cell = m_fontHeight;
        font.setPixelSize(cell);
        const int full = QFontMetrics(font).height();
        int pixels = full > cell ? std::max(1, int(int64_t(cell) * cell / full)) : cell;
        font.setPixelSize(pixels);
        while (pixels > 1 && QFontMetrics(font).height() > cell)
            font.setPixelSize(--pixels);
        while (pixels < cell) {
            font.setPixelSize(pixels + 1);
            if (QFontMetrics(font).height() > cell) {
                font.setPixelSize(pixels);
                break;
            }
            ++pixels;
        }
    }
    m_font = font;
    m_metrics = QFontMetrics(m_font);
}
