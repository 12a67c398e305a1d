// The DV auxiliary-data readers on whatever a stream hands them as a frame.
//
// Properties: what is not a whole DIF sequence is never looked at (the same
// bytes cut to their whole sequences read the same); a refusal leaves the
// record as it was; what is read lies within what the packs can encode.

#include "filters/DvAnalysis.h"
#include "fuzz/FuzzCheck.h"

#include <cmath>
#include <cstring>

namespace
{

bool SameAux(const TDvVideoAux& a, const TDvVideoAux& b)
{
    return a.Standard == b.Standard && a.Wide == b.Wide && a.DatecodeState == b.DatecodeState
        && std::memcmp(&a.Datecode, &b.Datecode, sizeof a.Datecode) == 0 && a.TimecodeValid == b.TimecodeValid
        && a.Timecode == b.Timecode;
}

TDvVideoAux Sentinel()
{
    TDvVideoAux aux;
    aux.Standard = 0xEE;
    aux.Wide = true;
    aux.DatecodeState = TDvDatecode::Invalid;
    aux.Datecode = -12345.5;
    aux.TimecodeValid = true;
    aux.Timecode = { 0xEE, 0xEE, 0xEE, 0xEE };
    return aux;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool hasAux = DvHasAuxData(data, size);
    const size_t whole = size - size % DvSequenceSize;

    TDvVideoAux aux = Sentinel();
    const bool read = ReadDvVideoAux(data, size, aux);
    FUZZ_CHECK(read == hasAux);
    if (!read) {
        FUZZ_CHECK(SameAux(aux, Sentinel()));
    } else {
        FUZZ_CHECK(
            aux.Standard == StandardPal || aux.Standard == StandardNtsc || aux.Standard == StandardUnknown);
        // BCD fields: the tens take at most two bits for hours and frames,
        // three for minutes and seconds.
        FUZZ_CHECK(aux.Timecode[TimecodeHours] <= 39 && aux.Timecode[TimecodeMinutes] <= 79);
        FUZZ_CHECK(aux.Timecode[TimecodeSeconds] <= 79 && aux.Timecode[TimecodeFrames] <= 39);
        if (!aux.TimecodeValid) FUZZ_CHECK(aux.Timecode == (std::array<uint8_t, 4> {}));
        if (aux.DatecodeState == TDvDatecode::Valid) {
            // 1940-01-01 to 2039-12-31 23:59:59 in days since 1899-12-30.
            FUZZ_CHECK(std::isfinite(aux.Datecode) && aux.Datecode >= 14611 && aux.Datecode < 51136);
        } else {
            FUZZ_CHECK(aux.Datecode == 0);
        }
    }
    TDvVideoAux cut = Sentinel();
    FUZZ_CHECK(ReadDvVideoAux(data, whole, cut) == read);
    if (read) FUZZ_CHECK(SameAux(cut, aux));

    int32_t rate = 12345, bits = 678;
    const bool audio = ReadDvAudioAux(data, size, rate, bits);
    FUZZ_CHECK(audio == hasAux);
    if (!audio) {
        FUZZ_CHECK(rate == 12345 && bits == 678);
    } else {
        FUZZ_CHECK(rate == -1 || rate == 0 || rate == 32000 || rate == 44100 || rate == 48000);
        FUZZ_CHECK(bits == -1 || bits == 0 || bits == 12 || bits == 16);
        FUZZ_CHECK((rate == -1) == (bits == -1));
        int32_t cutRate = 0, cutBits = 0;
        FUZZ_CHECK(ReadDvAudioAux(data, whole, cutRate, cutBits) && cutRate == rate && cutBits == bits);
    }
    return 0;
}
