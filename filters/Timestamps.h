#pragma once
// The text form of a position that the whole program shows and accepts,
// "h:mm:ss:ff", and its arithmetic. Positions are 100-ns units.

#include <QString>
#include <cstdint>

struct TTimestampFields {
    int8_t Hours = 0;
    uint8_t Minutes = 0;
    uint8_t Seconds = 0;
    uint8_t Frames = 0;
};

// A frame duration of 0 or less counts as 25 frames per second. Positions
// past the last one a position can hold stay there.
TTimestampFields SplitTimestamp(int64_t position, int64_t frameDuration);
QString FormatTimestamp(int64_t position, int64_t frameDuration);
int64_t TimestampToPosition(const TTimestampFields& fields, int64_t frameDuration);
// Fields from the left, the last one always the frames: "0:01:30:12",
// "1:30" (one hour and 30 frames), "12" (frame 12). Each part is trimmed,
// read in decimal (0 when empty or not a number) and kept in 8 bits.
TTimestampFields ParseTimestamp(const QString& text);
