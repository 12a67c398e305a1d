#include "filters/Tsuperposer.h"

#include "filters/TvData.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

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

TInlayLines Tsuperposer::Lines(const TInlayValues& values) const
{
    std::lock_guard lock(const_cast<TLockedBitmap&>(Bitmap));
    return ComposeInlayLines(m_settings, values, DateFormats());
}

void Tsuperposer::DrawInlay(TLockedBitmap& bitmap)
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
        if (FrameStartValid && FindDvFrame(FrameStart, tolerance, stamp)) {
            values.DatecodeValid = stamp.DatecodeValid;
            values.Datecode = stamp.Datecode;
            values.TimecodeValid = stamp.TimecodeValid;
            values.Timecode = stamp.Timecode;
        }
    }
    const std::atomic<int64_t>* position = m_position;
    values.LastPosition = position ? position->load() : 0;
    values.ImageCounter = m_imageCounter;
    values.Digits = m_digits;
    values.Now = DateTimeFromQt(QDateTime::currentDateTime());

    std::lock_guard lock(bitmap);
    const TInlayLines lines = ComposeInlayLines(m_settings, values, DateFormats());
    m_lastLines = lines;
    const int x = int(int64_t(m_x) * bitmap.Width() / 1000);
    const int y = int(int64_t(m_y) * bitmap.Height() / 1000);
    // The outline is black whatever the record's border colour says.
    DrawInlayLines(bitmap, x, y, m_lineHeight, lines.Line1, lines.Line2, m_settings.FontRec.Color, 0,
        m_settings.BorderSize, m_settings.Alignement);
}
