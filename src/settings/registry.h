// The values the registry layer hands over, as text and as REG_DWORD data. Portable.
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
