// A property that must hold for every input: a failure stops the fuzzer with the input saved.
#pragma once
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "settings/settings_file.h"

#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)

// Whatever a settings file holds, every loaded field lies within what the program accepts.
inline void CheckLoadedRecord(const SettingsRecord& r) {
    FUZZ_CHECK(r.WindowSize == 1 || r.WindowSize == 2);
    FUZZ_CHECK(r.BlinkDelay >= 1 && r.BlinkDelay <= 1000);
    FUZZ_CHECK(r.ResumeDelay >= 1 && r.ResumeDelay <= 60000);
    FUZZ_CHECK(!r.NTPServer.empty());
    FUZZ_CHECK(std::isfinite(r.XPosR) && std::isfinite(r.YPosR));
}
