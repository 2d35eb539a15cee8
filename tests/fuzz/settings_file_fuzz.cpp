// Any bytes as the whole settings file, read as the private-profile functions read it.
#include <string_view>

#include "fuzz_check.h"
#include "ini_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const SettingsRecord r = LoadSettingsText(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckLoadedRecord(r);
    FUZZ_CHECK(r.NTPServer.size() <= 99);
    return 0;
}
