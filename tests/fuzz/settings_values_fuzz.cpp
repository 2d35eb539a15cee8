// Any bytes as the value of each of the thirteen keys. Whatever they hold, the loaded record is
// within range, and saving it and loading it again gives the same record.
#include <fuzzer/FuzzedDataProvider.h>

#include <map>
#include <string>

#include "fuzz_check.h"

namespace {

constexpr const char* kKeys[] = {"XPosR",   "YPosR",  "ResumeDelay",       "WindowSize",     "TopMost",
                                 "Blink",   "BlinkDelay", "FixWindowPosition", "EXITbyDblClick", "UseNTP",
                                 "UseNTP2", "NTPServer",  "ClearRecent"};

SettingsRecord Load(const std::map<std::string, std::string, std::less<>>& values) {
    return ParseSettings([&](std::string_view key, std::string_view defaultText) {
        const auto it = values.find(key);
        return IniValueOrDefault(it == values.end() ? std::string() : it->second, defaultText);
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::map<std::string, std::string, std::less<>> file;
    for (const char* key : kKeys)
        if (in.ConsumeBool()) file[key] = in.ConsumeRandomLengthString(100);
    const SettingsRecord loaded = Load(file);
    CheckLoadedRecord(loaded);

    std::map<std::string, std::string, std::less<>> saved;
    for (auto& [key, text] : SettingsToEntries(loaded, loaded.XPosR, loaded.YPosR)) saved[key] = text;
    SettingsRecord reloaded = Load(saved);
    CheckLoadedRecord(reloaded);
    // Fractions are written with seven decimals: within the screen they come back as written.
    for (auto [was, now] : {std::pair{loaded.XPosR, &reloaded.XPosR}, std::pair{loaded.YPosR, &reloaded.YPosR}}) {
        if (was >= -1 && was <= 1) FUZZ_CHECK(FormatFraction(*now) == FormatFraction(was));
        *now = was;
    }
    FUZZ_CHECK(reloaded == loaded);
    return 0;
}
