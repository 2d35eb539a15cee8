// The values the registry layer hands over, and the text rules of the start-with-Windows
// entry. Portable.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// A registry value as the program handles it: a text (REG_SZ), bytes (REG_BINARY), or a
// number or boolean (REG_DWORD; read back always as an unsigned 32-bit number).
using RegistryValue = std::variant<std::string, std::vector<uint8_t>, int16_t, int32_t, bool, uint32_t>;

// The text up to its first NUL, or the whole text when it holds none.
std::string TrimAtNul(std::string_view text);

// A value as text: numbers in decimal digits, bytes as the text they spell.
std::string RegistryValueText(const RegistryValue& value);

// REG_DWORD data for a number or boolean: the value as a signed 32-bit integer (true is -1).
uint32_t RegistryDword(const RegistryValue& value);

inline constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValueName = "Velkaro";

// The data of the start-with-Windows entry: the folder, one backslash (added even after a
// drive root's own), and the file name without its extension; between double quotes when it
// contains a blank. No arguments.
std::string AutoRunData(std::string_view exeFolder, std::string_view exeFileName);
