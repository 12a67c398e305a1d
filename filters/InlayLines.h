#pragma once
// The two lines of the inlay for one frame: what the settings ask for, made
// from the frame's DV datecode and timecode, the computer's clock, the image
// number and the position.

#include "filters/DateTimeFormat.h"
#include "inlay/TincrustRec.h"

#include <QString>
#include <array>
#include <cstdint>

struct TInlayValues {
    bool DatecodeValid = false;
    double Datecode = 0; // day-fraction time of the recording
    int32_t FrameInSecond = -1; // the frame's place in its recorded second (TDvFrameStamp)
    bool TimecodeValid = false;
    std::array<uint8_t, 4> Timecode {}; // hours, minutes, seconds, frames
    int64_t LastPosition = 0; // 100-ns units
    int64_t FrameDuration = 0; // 100-ns units; 0 gives frames 0
    int32_t ImageCounter = 0;
    int32_t Digits = 4;
    double Now = 0; // the local date and time, day-fraction
};

struct TInlayLines {
    QString Line1;
    QString Line2;
};

TInlayLines ComposeInlayLines(
    const TincrustRec& settings, const TInlayValues& values, const TFormatSettings& formats);

// "digits" zeros and the counter, of which the last "digits" characters
// remain (4 and 12 give "0012", 4 and 12345 "2345").
QString ImageNumberText(int32_t counter, int32_t digits);
