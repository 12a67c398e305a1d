#include "filters/Tsuperposer.h"

#include "filters/TvData.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{

double screenDotsPerInch()
{
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
        ? QGuiApplication::primaryScreen()
        : nullptr;
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

} // namespace

Tsuperposer::Tsuperposer()
    : TBitmapFilter(QStringLiteral("Kestrine fs_Superposer"), ClassId_Superposer)
    , m_settings(DefaultIncrustRec())
{
}

void Tsuperposer::SetInlay(const TincrustRec& rec)
{
    const double dpi = screenDotsPerInch();
    std::lock_guard lock(Bitmap);
    m_settings = rec;
    m_x = std::clamp(rec.Xpos, 0, 1000);
    m_y = std::clamp(rec.Ypos, 0, 1000);
    Bitmap.SetFontName(rec.FontRec.Name);
    // A character height (negative, as the toolkit has it) of the size in
    // points at the screen's resolution: 28 pixels for 21 points at 96 dpi.
    const double points = std::clamp(double(rec.FontRec.Size), -2000.0, 2000.0);
    Bitmap.SetFontHeight(-int(std::lround(points * dpi / 72.0)));
    if (rec.Autofontsize) AutoFontSize();
    m_lineHeight = std::abs(Bitmap.FontHeight());
    Bitmap.SetFontStyle(rec.FontRec.Bold, rec.FontRec.Italic, rec.FontRec.Underline, rec.FontRec.StrikeOut);
}

TincrustRec Tsuperposer::Settings() const
{
    std::lock_guard lock(const_cast<TLockedBitmap&>(Bitmap));
    return m_settings;
}

void Tsuperposer::SetImageNumber(int32_t counter, int32_t digits)
{
    m_imageCounter = counter;
    m_digits = digits;
}

TInlayLines Tsuperposer::LastLines() const
{
    std::lock_guard lock(const_cast<TLockedBitmap&>(Bitmap));
    return m_lastLines;
}

TInlayValues Tsuperposer::LastValues() const
{
    std::lock_guard lock(const_cast<TLockedBitmap&>(Bitmap));
    return m_lastValues;
}

TInlayLines Tsuperposer::Lines(const TInlayValues& values) const
{
    std::lock_guard lock(const_cast<TLockedBitmap&>(Bitmap));
    return ComposeInlayLines(m_settings, values, DateFormats());
}

TInlayValues Tsuperposer::frameValues() const
{
    TInlayValues values;
    {
        TSharedRecordLocker lock(&SharedRecordLock());
        const TvData& v = VData();
        values.DatecodeValid = v.DatecodeValid;
        values.Datecode = v.Datecode;
        values.TimecodeValid = v.TimecodeValid;
        values.Timecode = v.Timecode;
        values.FrameDuration = v.AvgTimePerFrame;
        // The DV values of this very frame: the record holds those of the
        // last frame read, which may be a few frames ahead.
        TDvFrameStamp stamp;
        const int64_t tolerance = std::max<int64_t>(v.AvgTimePerFrame / 2, 1);
        const bool found = StillStamp ? (stamp = *StillStamp, true)
                                      : FrameStartValid && FindDvFrame(FrameStart, tolerance, stamp);
        if (found) {
            values.DatecodeValid = stamp.DatecodeValid;
            values.Datecode = stamp.Datecode;
            values.FrameInSecond = stamp.FrameInSecond;
            values.TimecodeValid = stamp.TimecodeValid;
            values.Timecode = stamp.Timecode;
        }
    }
    const std::atomic<int64_t>* position = m_position;
    values.LastPosition = position ? position->load() : 0;
    values.ImageCounter = m_imageCounter;
    values.Digits = m_digits;
    return values;
}

TInlayValues Tsuperposer::ShownValues() const
{
    std::lock_guard lock(const_cast<TLockedBitmap&>(Bitmap));
    return frameValues();
}

void Tsuperposer::DrawInlay(TLockedBitmap& bitmap)
{
    TInlayValues values = frameValues();
    values.Now = DateTimeFromQt(QDateTime::currentDateTime());

    std::lock_guard lock(bitmap);
    const TInlayLines lines = ComposeInlayLines(m_settings, values, DateFormats());
    m_lastLines = lines;
    m_lastValues = values;
    const int alignment = m_settings.Alignement;
    if (bitmap.IsEmpty() || alignment > 3) return;
    const int x = int(int64_t(m_x) * bitmap.Width() / 1000);
    const int y = int(int64_t(m_y) * bitmap.Height() / 1000);
    // Placed as DrawInlayLines places them: line 1 a line above y, line 2
    // at y, by alignment.
    const auto left = [&](const QString& line) { return InlayLineLeft(bitmap, line, x, alignment); };
    // The outline is black whatever the record's border colour says.
    const uint32_t colour = m_settings.FontRec.Color;
    const TRenderedLine& first = renderedLine(0, bitmap, lines.Line1,
        QPoint(left(lines.Line1), y - m_lineHeight), colour, 0, m_settings.BorderSize);
    const TRenderedLine& second = renderedLine(
        1, bitmap, lines.Line2, QPoint(left(lines.Line2), y), colour, 0, m_settings.BorderSize);
    bitmap.FontColour = colour;
    if (first.Image.isNull() && second.Image.isNull()) return;
    QPainter painter(&bitmap.Image());
    if (!painter.isActive()) return;
    for (const TRenderedLine* line : { &first, &second })
        if (!line->Image.isNull()) painter.drawImage(line->Offset, line->Image);
}

const Tsuperposer::TRenderedLine& Tsuperposer::renderedLine(size_t index, const TLockedBitmap& bitmap,
    const QString& text, QPoint at, uint32_t textColour, uint32_t outlineColour, int outlineSize)
{
    TRenderedLine& line = m_rendered[index];
    const int n = std::clamp(outlineSize, 0, MaxOutlineSize);
    const QSize picture(bitmap.Width(), bitmap.Height());
    if (line.Valid && line.Text == text && line.At == at && line.Picture == picture
        && line.TextColour == textColour && line.OutlineColour == outlineColour && line.OutlineSize == n
        && line.Font == bitmap.Font())
        return line;
    line = TRenderedLine { text, bitmap.Font(), textColour, outlineColour, n, at, picture, true, {}, {} };
    if (text.isEmpty()) return line;

    // Every pixel the glyphs may touch, with room for overhangs the metrics
    // leave out; only the part on the picture is kept, so that an absurd
    // font size never allocates more than a picture.
    const QFontMetrics& metrics = bitmap.Metrics();
    const int room = metrics.height() / 2 + 2;
    const QRect glyphs = (metrics.boundingRect(text).translated(at.x(), at.y() + metrics.ascent())
        | QRect(at, QSize(metrics.horizontalAdvance(text), metrics.height())))
                             .adjusted(-room, -room, room, room);
    const QRect area = glyphs.adjusted(-n, -n, n, n) & QRect(QPoint(0, 0), picture);
    if (area.isEmpty()) return line;
    // The glyphs are drawn once per colour and moved: at whole-pixel offsets
    // they cover the same pixels as drawing the text there would.
    const QRect source = area.adjusted(-n, -n, n, n);
    const auto drawnIn = [&](uint32_t colour) {
        QImage image(source.size(), QImage::Format_ARGB32_Premultiplied);
        if (image.isNull()) return image;
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setFont(line.Font);
        DrawTextAt(painter, at.x() - source.left(), at.y() - source.top(), text, colour);
        return image;
    };
    QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return line;
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        const QPoint origin = source.topLeft() - area.topLeft();
        // As DrawOutlinedText draws it: the text in the outline colour at the
        // offsets of the (2n+1) square outside its inscribed diamond, then the
        // text itself on top.
        if (n > 0) {
            const QImage outline = drawnIn(outlineColour);
            for (int dy = -n; dy <= n; ++dy)
                for (int dx = -n; dx <= n; ++dx)
                    if (std::abs(dx) + std::abs(dy) > n) painter.drawImage(origin + QPoint(dx, dy), outline);
        }
        painter.drawImage(origin, drawnIn(textColour));
    }

    // Cut to the pixels drawn: the blend into every frame costs their area.
    int top = image.height(), bottom = -1, leftmost = image.width(), rightmost = -1;
    for (int row = 0; row < image.height(); ++row) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(row));
        for (int column = 0; column < image.width(); ++column)
            if (qAlpha(pixels[column]) != 0) {
                top = std::min(top, row);
                bottom = row;
                leftmost = std::min(leftmost, column);
                rightmost = std::max(rightmost, column);
            }
    }
    if (bottom < 0) return line;
    const QRect drawn(QPoint(leftmost, top), QPoint(rightmost, bottom));
    line.Image = image.copy(drawn);
    line.Offset = area.topLeft() + drawn.topLeft();
    return line;
}
