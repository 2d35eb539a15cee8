// Registry values as text and as REG_DWORD data.
#include "settings/registry.h"

std::string TrimAtNul(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

std::string RegistryValueText(const RegistryValue& value) {
    struct {
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(const std::vector<uint8_t>& b) const { return std::string(b.begin(), b.end()); }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
        std::string operator()(int16_t n) const { return std::to_string(n); }
        std::string operator()(int32_t n) const { return std::to_string(n); }
        std::string operator()(uint32_t n) const { return std::to_string(n); }
    } text;
    return std::visit(text, value);
}

uint32_t RegistryDword(const RegistryValue& value) {
    if (const bool* b = std::get_if<bool>(&value)) return *b ? 0xFFFFFFFFu : 0u;
    if (const int16_t* n = std::get_if<int16_t>(&value)) return uint32_t(int32_t(*n));
    if (const int32_t* n = std::get_if<int32_t>(&value)) return uint32_t(*n);
    if (const uint32_t* n = std::get_if<uint32_t>(&value)) return *n;
    return 0;
}
