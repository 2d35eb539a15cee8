// The start-with-Windows entry's place and data. Portable.
#pragma once
#include <string>
#include <string_view>

inline constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValueName = "Velkaro";

// The data of the start-with-Windows entry: the folder, one backslash (added even after a
// drive root's own), and the file name without its extension; between double quotes when it
// contains a blank. No arguments.
std::string AutoRunData(std::string_view exeFolder, std::string_view exeFileName);
