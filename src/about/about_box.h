// The About box's texts. Portable.
#pragma once
#include <string>

#include "common/language.h"

// "バージョン 1.43.0086" ("Version 1.43.0086"): major, minor in at least two digits, revision in
// at least four.
std::string VersionLine(Language language, unsigned major, unsigned minor, unsigned revision);
// The caption: the title and " のバージョン情報" ("About " and the title).
std::string AboutCaption(Language language, const std::string& title);

inline constexpr const char* kWebPage = "https://velkaro.example/";
inline constexpr const char* kMailAddress = "info@velkaro.example";
