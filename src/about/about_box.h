// The About box's texts. Portable.
#pragma once
#include <string>

// "バージョン 1.43.0086": major, minor in at least two digits, revision in at least four.
std::string VersionLine(unsigned major, unsigned minor, unsigned revision);
// The caption: the title and " のバージョン情報".
std::string AboutCaption(const std::string& title);

inline constexpr const char* kWebPage = "https://velkaro.example/";
inline constexpr const char* kMailAddress = "info@velkaro.example";
