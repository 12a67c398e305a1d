// Shortcut texts as a script, the command line or a hand-edited settings file
// give them, and key codes as any 16-bit value stored for a command.
//
// Properties: a text read as a key is written back as a text that reads as
// the same key; a code that has a text reads back from it, minus the bits
// that name no modifier; a code without a name has no text in either form.

#include "automation/KeyCodes.h"
#include "fuzz/FuzzCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const uint16_t code = in.ConsumeIntegral<uint16_t>();
    const std::string rest = in.ConsumeRemainingBytesAsString();

    const QString text = KeyCodes::ToText(code);
    const QString listed = KeyCodes::ToListText(code);
    FUZZ_CHECK(text.isEmpty() == listed.isEmpty());
    if (!text.isEmpty()) {
        FUZZ_CHECK(KeyCodes::FromText(text) == (code & (KeyCodes::ModifierMask | KeyCodes::KeyMask)));
        FUZZ_CHECK(KeyCodes::FromText(text.toLower()) == KeyCodes::FromText(text));
    }

    const uint16_t read = KeyCodes::FromText(QString::fromUtf8(rest.data(), qsizetype(rest.size())));
    if (read != 0) {
        FUZZ_CHECK((read & ~(KeyCodes::ModifierMask | KeyCodes::KeyMask)) == 0);
        const QString again = KeyCodes::ToText(read);
        FUZZ_CHECK(!again.isEmpty() && KeyCodes::FromText(again) == read);
    }
    return 0;
}
