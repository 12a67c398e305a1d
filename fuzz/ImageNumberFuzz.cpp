// The running number of grabbed images, with the counter and the digit count
// a settings file edited by hand may hold, and number fields as typed.
//
// Properties: the text has exactly the digits asked for, up to the panel's
// limit, and reads back as the counter's last digits; a field of digits
// reads as the number it shows.

#include "capture/ImageNaming.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const qint64 counter = in.ConsumeIntegral<qint64>();
    const int digits = in.ConsumeIntegral<int>();
    const std::string typed = in.ConsumeRemainingBytesAsString();

    const QString number = FormatImageNumber(counter, digits);
    FUZZ_CHECK(number.size() == std::clamp(digits, 0, MaxImageDigits));
    if (counter >= 0 && !number.isEmpty()) {
        FUZZ_CHECK(IsDigitsOnly(number));
        if (number.size() <= 18) {
            qint64 modulus = 1;
            for (qsizetype i = 0; i < number.size(); ++i)
                modulus *= 10;
            FUZZ_CHECK(NumberOfText(number) == counter % modulus);
        } else {
            FUZZ_CHECK(NumberOfText(number) == counter);
        }
    }

    const QString field = QString::fromUtf8(typed.data(), qsizetype(typed.size()));
    if (IsDigitsOnly(field)) {
        const QString digitsOnly = field.trimmed();
        const qint64 value = NumberOfText(field);
        // Up to 18 digits always fit; a longer field reads as 0 only when it
        // does not.
        if (digitsOnly.size() <= 18)
            FUZZ_CHECK(QString::number(value).rightJustified(digitsOnly.size(), u'0') == digitsOnly);
        else if (value != 0)
            FUZZ_CHECK(QString::number(value).rightJustified(digitsOnly.size(), u'0') == digitsOnly);
    }
    return 0;
}
