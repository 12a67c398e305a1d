// The AVCHD recording-date readers on any bytes: as an MDPM payload and as an
// H.264 access unit.
//
// Properties: a refusal leaves the date as it was; a date read is a real
// date of the years 0 to 9999; bytes after a payload that gave a date change
// nothing (both tags lie within it, and the first of each is the one read);
// the access-unit reader finds the same date in a copy of the unit with a
// slice appended (nothing behind the SEI decides).

#include "filters/MdpmAnalysis.h"
#include "filters/TvData.h"
#include "fuzz/FuzzCheck.h"

#include <cmath>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    double datecode = -12345.5;
    if (!ReadMdpmDate(data, size, datecode)) {
        FUZZ_CHECK(datecode == -12345.5);
    } else {
        FUZZ_CHECK(std::isfinite(datecode));
        const QDateTime when = DatecodeToDateTime(datecode);
        FUZZ_CHECK(when.isValid() && when.time().msec() == 0);
        std::vector<uint8_t> longer(data, data + size);
        longer.insert(longer.end(), { 0x18, 0x00, 0x19, 0x99, 0x01, 0x19, 0x01, 0x01, 0x01, 0x01 });
        double again = 0;
        FUZZ_CHECK(ReadMdpmDate(longer.data(), longer.size(), again) && again == datecode);
    }

    double unit = -12345.5;
    const bool found = ReadH264RecordingDate(data, size, unit);
    if (!found) FUZZ_CHECK(unit == -12345.5);
    if (found) FUZZ_CHECK(DatecodeToDateTime(unit).isValid());
    std::vector<uint8_t> sliced(data, data + size);
    sliced.insert(sliced.end(), { 0x00, 0x00, 0x01, 0x65, 0x88 });
    double withSlice = -12345.5;
    FUZZ_CHECK(ReadH264RecordingDate(sliced.data(), sliced.size(), withSlice) == found);
    FUZZ_CHECK(withSlice == unit);
    return 0;
}
