#pragma once
// The bitmap filter that the media system puts in the video chain, under the
// name "Superposer": it draws the inlay (recording date, timecode, clock,
// image number, position, custom text) into every frame, before the
// renderer and the grabs see it, so that both carry the same inlay.

#include "filters/InlayLines.h"
#include "filters/TBitmapFilter.h"
#include "inlay/TincrustRec.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <array>
#include <atomic>

class Tsuperposer : public TBitmapFilter
{
public:
    static constexpr GUID ClassId_Superposer { 0xE97F14A9, 0x9EB5, 0x486F,
        { 0x82, 0x35, 0xB2, 0x9F, 0x93, 0x98, 0x34, 0x33 } };

    Tsuperposer();

    // New settings, from the main thread: positions in per mille clamped to
    // 0..1000, the font (points at the screen's resolution, or sized from
    // the picture), its style and colour. Frames drawn from now on use them.
    void SetInlay(const TincrustRec& rec);
    TincrustRec Settings() const;
    int32_t LineHeight() const { return m_lineHeight; }
    int32_t XPermille() const { return m_x; }
    int32_t YPermille() const { return m_y; }

    // Where the position of the frame on screen is kept (the media system's
    // LastPosition); read for every frame. Null: position 0.
    void SetPositionSource(const std::atomic<int64_t>* position) { m_position = position; }
    // The image number the next grab will take, and its digit count.
    void SetImageNumber(int32_t counter, int32_t digits);

    // The lines the current settings give for these values.
    TInlayLines Lines(const TInlayValues& values) const;
    // The lines drawn into the last frame.
    TInlayLines LastLines() const;
    // The values the last frame was drawn with (its DV date and timecode).
    TInlayValues LastValues() const;
    // The values of the frame in the bitmap now (its recording date and
    // place in its second, the position), whether an inlay is drawn or not:
    // what a grab of that frame records.
    TInlayValues ShownValues() const;

    void DrawInlay(TLockedBitmap& bitmap) override;

private:
    // The values of the frame being drawn or last drawn, without the clock;
    // the bitmap's lock held.
    TInlayValues frameValues() const;
    // One line of the inlay as it was last drawn: the outlined text on a
    // transparent image. At the sizes of high-definition pictures the toolkit
    // draws glyphs as paths, and the outline draws the text many times over:
    // drawing it again for every frame took a quarter of a 25 fps frame
    // period. The image stays while everything that shapes it stays.
    struct TRenderedLine {
        QString Text;
        QFont Font;
        uint32_t TextColour = 0;
        uint32_t OutlineColour = 0;
        int OutlineSize = 0;
        QPoint At; // the text's top-left corner in the picture
        QSize Picture;
        bool Valid = false;
        QImage Image; // premultiplied, cut to the picture; null when nothing shows
        QPoint Offset; // the image's top-left corner in the picture
    };
    // The entry for a line of text with its top-left corner at `at`, drawn
    // anew when anything that shapes or places it changed.
    const TRenderedLine& renderedLine(size_t index, const TLockedBitmap& bitmap, const QString& text,
        QPoint at, uint32_t textColour, uint32_t outlineColour, int outlineSize);
    // Only DrawInlay uses them, under the bitmap's lock.
    std::array<TRenderedLine, 2> m_rendered;

    // Settings are replaced and read under the bitmap's lock.
    TincrustRec m_settings;
    int32_t m_x = 900;
    int32_t m_y = 900;
    int32_t m_lineHeight = 0;
    TInlayLines m_lastLines;
    TInlayValues m_lastValues;
    std::atomic<const std::atomic<int64_t>*> m_position { nullptr };
    std::atomic<int32_t> m_imageCounter { 0 };
    std::atomic<int32_t> m_digits { 4 };
};
