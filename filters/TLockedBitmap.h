#pragma once
// The picture the bitmap filter keeps: a 32-bit image (bytes blue, green, red
// and an opaque fourth byte, top row first) with its own re-entrant lock and
// the font the inlay is drawn with. The streaming thread holds the lock from
// the copy of a frame to the end of its output copy; the main thread holds it
// while it takes a grab or changes the font. Every member except ShareTo and
// the lock itself expects the caller to hold the lock.
//
// A grab shares the picture rather than copying it (a 1080p frame is 8 MB,
// and a run takes every frame): the next frame then goes into another buffer
// (`PrepareOverwrite`), one of a few kept for that once nobody shares them.

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QRecursiveMutex>
#include <QString>
#include <cstdint>
#include <vector>

class TLockedBitmap
{
public:
    TLockedBitmap();
    TLockedBitmap(const TLockedBitmap&) = delete;
    TLockedBitmap& operator=(const TLockedBitmap&) = delete;

    // Re-entrant; usable with std::lock_guard and std::unique_lock.
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    bool try_lock() { return m_mutex.tryLock(); }

    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    bool IsEmpty() const { return m_image.isNull(); }

    // Reallocates only when the size changes; a new picture starts black so
    // that a grab before the first frame never shows stale memory. A size of
    // 0 (or one that cannot be allocated) leaves an empty bitmap and answers
    // false for the latter.
    bool SetSize(int width, int height);

    QImage& Image() { return m_image; }
    const QImage& Image() const { return m_image; }

    // Takes the lock and gives target the picture, shared: no pixel is
    // copied, and the picture target holds never changes afterwards (what
    // writes into the bitmap writes elsewhere, or copies first). An empty
    // bitmap gives an empty target.
    void ShareTo(QImage& target) const;

    // Before every pixel of the picture is written anew: when the picture is
    // shared, the bitmap takes a buffer of the same size that nobody else
    // holds (a spare, or a new one) instead of copying pixels about to be
    // overwritten. False when no buffer could be had; the picture is then
    // left as it is.
    bool PrepareOverwrite();

    // Font. The height follows the drawing toolkit's convention: positive is
    // the cell height (internal leading included), negative the character
    // height (the em size), 0 the default size.
    void SetFontName(const QString& family); // empty = the default face
    QString FontName() const { return m_fontName; }
    void SetFontHeight(int height);
    int FontHeight() const { return m_fontHeight; }
    void SetFontStyle(bool bold, bool italic, bool underline, bool strikeOut);
    // The font as it is drawn.
    const QFont& Font() const { return m_font; }
    const QFontMetrics& Metrics() const { return m_metrics; }
    int TextWidth(const QString& text) const { return m_metrics.horizontalAdvance(text); }

    // The colour the next text is drawn in, 0x00BBGGRR.
    uint32_t FontColour = 0;

private:
    void refreshFont();

    mutable QRecursiveMutex m_mutex;
    QImage m_image;
    // Buffers the picture left while shared, reused once they are free again.
    std::vector<QImage> m_spares;
    QString m_fontName;
    int m_fontHeight = 0;
    bool m_bold = false;
    bool m_italic = false;
    bool m_underline = false;
    bool m_strikeOut = false;
    QFont m_font;
    QFontMetrics m_metrics;
};

// 0x00BBGGRR as an opaque colour.
QColor ColourFromColorRef(uint32_t colour);
