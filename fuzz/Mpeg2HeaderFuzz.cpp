// The MPEG-2 sequence-header reader on the first bytes of any sample.
//
// Properties: only the start code and length decide whether a header is
// read; a refusal leaves the record as it was; the fields read give back the
// exact bytes they came from, and the aspect and rate follow their codes.

#include "filters/DvAnalysis.h"
#include "fuzz/FuzzCheck.h"

#include <array>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMpeg2SequenceHeader header;
    header.Width = 0xDEAD;
    header.FramesPerSecond = -1;
    const bool startCode = size >= 8 && data[0] == 0 && data[1] == 0 && data[2] == 1 && data[3] == 0xB3;
    const bool read = ReadMpeg2SequenceHeader(data, size, header);
    FUZZ_CHECK(read == startCode);
    if (!read) {
        FUZZ_CHECK(header.Width == 0xDEAD && header.FramesPerSecond == -1);
        return 0;
    }
    FUZZ_CHECK(header.Width < 4096 && header.Height < 4096);
    FUZZ_CHECK(header.AspectCode >= 0 && header.AspectCode < 16);
    FUZZ_CHECK(header.FrameRateCode >= 0 && header.FrameRateCode < 16);
    const std::array<uint8_t, 4> packed { uint8_t(header.Width >> 4),
        uint8_t(((header.Width & 0x0F) << 4) | (header.Height >> 8)), uint8_t(header.Height & 0xFF),
        uint8_t((header.AspectCode << 4) | header.FrameRateCode) };
    for (size_t i = 0; i < packed.size(); ++i)
        FUZZ_CHECK(packed[i] == data[4 + i]);
    FUZZ_CHECK(header.Aspect
        == (header.AspectCode == 2       ? AspectNormal
                : header.AspectCode == 3 ? AspectWide
                                         : AspectUnknown));
    FUZZ_CHECK(header.FramesPerSecond == Mpeg2FrameRate(header.FrameRateCode));
    const bool knownRate = header.FrameRateCode >= 1 && header.FrameRateCode <= 8;
    FUZZ_CHECK(knownRate ? header.FramesPerSecond > 23 && header.FramesPerSecond <= 60
                         : header.FramesPerSecond == 0);
    return 0;
}
