#include "ini_text.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr size_t kValueBytes = 99;  // a read's buffer holds 100 bytes with the terminating NUL

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameText(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::string IniTextValue(std::string_view text, std::string_view section, std::string_view key) {
    bool inSection = false;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.starts_with('[')) {
            const size_t close = line.find(']');
            inSection = SameText(Trim(line.substr(1, close == line.npos ? line.npos : close - 1)), section);
            continue;
        }
        if (!inSection) continue;
        const size_t equals = line.find('=');
        if (!SameText(Trim(line.substr(0, equals)), key)) continue;
        std::string_view value = equals == line.npos ? std::string_view() : Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::string(value.substr(0, kValueBytes));
    }
    return {};
}

SettingsRecord LoadSettingsText(std::string_view fileText) {
    return ParseSettings([&](std::string_view key, std::string_view defaultText) {
        return IniValueOrDefault(IniTextValue(fileText, kSettingsSection, key), defaultText);
    });
}
