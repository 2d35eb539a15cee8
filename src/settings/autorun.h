// The start-with-Windows entry's place and data. Portable.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValueName = "Velkaro";
// Where Task Manager and Settings record a start-up entry switched off, under the entry's name.
inline constexpr const char* kStartupApprovedKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

// The data of the start-with-Windows entry: the folder, one backslash (added even after a
// drive root's own), and the file name without its extension; between double quotes when it
// contains a blank. No arguments.
std::string AutoRunData(std::string_view exeFolder, std::string_view exeFileName);

// Whether the StartupApproved data switches the entry off: 12 bytes whose first is odd (03, 07).
// Anything else (02, 06, another length, no value) leaves the entry on.
bool SwitchedOffAtStartup(const std::vector<uint8_t>& approved);
