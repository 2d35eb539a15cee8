// Any bytes as the text of a number in the settings file (and a double to write as one). Blanks
// anywhere change nothing, nor does a letter after the number; what the C library writes reads
// back exactly; no text reads as NaN, and any text as every numeric key loads within range.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double value = ReadNumber(text);
    FUZZ_CHECK(!std::isnan(value));

    // A blank, a tab and a line feed put in at a place the text itself chooses.
    std::string blanked = text;
    blanked.insert(size ? data[0] % (size + 1) : 0, " \t\n");
    FUZZ_CHECK(ReadNumber(blanked) == value);
    // 'z' continues no number, decimal, hexadecimal or octal.
    FUZZ_CHECK(ReadNumber(text + "z") == value);

    if (size >= sizeof(double)) {
        double d;
        std::memcpy(&d, data, sizeof d);
        if (std::isfinite(d)) {
            char written[40];
            std::snprintf(written, sizeof written, "%.17g", d);
            FUZZ_CHECK(ReadNumber(written) == d);
        }
    }

    const SettingsRecord r = ParseSettings([&](std::string_view key, std::string_view defaultText) {
        return key == "NTPServer" ? std::string(defaultText) : IniValueOrDefault(text, defaultText);
    });
    CheckLoadedRecord(r);
    return 0;
}
