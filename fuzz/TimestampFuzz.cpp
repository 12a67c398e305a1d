// The timestamp text the user types and the one the program shows, with
// positions and frame durations as damaged files may state them.
//
// Properties: every position has a text that reads back as its fields; fields
// within their ranges give a position whose text reads back as them.

#include "filters/Timestamps.h"
#include "fuzz/FuzzCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace
{

bool Same(const TTimestampFields& a, const TTimestampFields& b)
{
    return a.Hours == b.Hours && a.Minutes == b.Minutes && a.Seconds == b.Seconds && a.Frames == b.Frames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const int64_t frameDuration = in.ConsumeIntegral<int64_t>();
    const int64_t position = in.ConsumeIntegral<int64_t>();
    const std::string typed = in.ConsumeRemainingBytesAsString();

    const QString shown = FormatTimestamp(position, frameDuration);
    FUZZ_CHECK(Same(ParseTimestamp(shown), SplitTimestamp(position, frameDuration)));

    const TTimestampFields fields = ParseTimestamp(QString::fromUtf8(typed.data(), qsizetype(typed.size())));
    const int64_t at = TimestampToPosition(fields, frameDuration);
    // A frame that exists: within its second, past the rounding margin.
    const int64_t frame = TimestampToPosition(TTimestampFields { 0, 0, 0, 1 }, frameDuration);
    const bool inRange = fields.Hours >= 0 && fields.Minutes < 60 && fields.Seconds < 60 && frame > 200
        && int64_t(fields.Frames) <= (10'000'000 - 201) / frame;
    if (inRange) FUZZ_CHECK(Same(ParseTimestamp(FormatTimestamp(at, frameDuration)), fields));
    return 0;
}
