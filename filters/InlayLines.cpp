#include "filters/InlayLines.h"

#include "filters/Timestamps.h"

#include <algorithm>
#include <climits>

namespace
{

QString replaceAll(QString text, const char* placeholder, const QString& value)
{
    return text.replace(QLatin1String(placeholder), value, Qt::CaseInsensitive);
}

QString custom(QString line, const QString& date, const QString& timecode, const QString& clock,
    const QString& number, const QString& timestamp)
{
    // In this order, each on the result of the one before.
    line = replaceAll(line, "%D", date);
    line = replaceAll(line, "%T", timecode);
    line = replaceAll(line, "%R", clock);
    line = replaceAll(line, "%N", number);
    line = replaceAll(line, "%S", timestamp);
    return line;
}

} // namespace

QString ImageNumberText(int32_t counter, int32_t digits)
{
    // The preference is a small count; a stored nonsense value must not
    // make a huge string on every frame.
    const int kept = std::clamp(digits, 0, 32);
    const QString text = QString(kept, QLatin1Char('0')) + QString::number(counter);
    return text.right(kept);
}

TInlayLines ComposeInlayLines(const TincrustRec& s, const TInlayValues& v, const TFormatSettings& formats)
{
    const QString na = QStringLiteral("N/A");
    QString d1 = na, d2 = na;
    if (v.DatecodeValid) {
        d1 = FormatDateTime(s.FormatDate1, v.Datecode + s.DecalageHoraire, formats);
        d2 = FormatDateTime(s.FormatDate2, v.Datecode + s.DecalageHoraire, formats);
    }
    const QString number = ImageNumberText(v.ImageCounter, v.Digits);
    const QString timecode = v.TimecodeValid
        ? QString::asprintf("%d:%.2d:%.2d:%.2d", v.Timecode[0], v.Timecode[1], v.Timecode[2], v.Timecode[3])
        : na;
    const QString r1 = FormatDateTime(s.FormatDate1, v.Now + s.DecalageHoraire, formats);
    const QString r2 = FormatDateTime(s.FormatDate2, v.Now + s.DecalageHoraire, formats);
    // Without a frame duration the frames are 0 (not the 25 fps the window
    // assumes).
    const QString stamp = FormatTimestamp(v.LastPosition, v.FrameDuration > 0 ? v.FrameDuration : INT64_MAX);

    switch (s.WhatIncrust) {
    case 0:
        return { d1, d2 };
    case 1:
        return { QString(), timecode };
    case 2:
        return { custom(s.Incrust1, d1, timecode, r1, number, stamp),
            custom(s.Incrust2, d2, timecode, r2, number, stamp) };
    case 3:
        return { r1, r2 };
    case 4:
        return {};
    case 5:
        return { v.DatecodeValid ? d1 : QString(), v.DatecodeValid ? d2 : stamp };
    case 6:
        return { QString(), number };
    case 7:
        return { QString(), stamp };
    default:
        return { r1, r2 };
    }
}
