// The settings record's reading and writing rules.
#include "settings/settings_file.h"

#include "common/numeric.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string SaveFailedReport(Language language, const std::string& filePath) {
    return Words(language, Text::SettingsNotSaved, {filePath});
}

std::string IntervalText(Language language, int hours) {
    if (hours == 0) return Words(language, Text::IntervalNever);
    if (hours == 1) return Words(language, Text::IntervalOneHour);
    return Words(language, Text::IntervalHours, {std::to_string(hours)});
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '\\') path += '\\';
    path += name;
    return path;
}

std::string IniValueOrDefault(std::string stored, std::string_view defaultText) {
    if (stored.empty() && !defaultText.empty()) return std::string(defaultText);
    return stored;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

double ReadRadixInteger(std::string_view digits, int radix) {
    double value = 0;
    for (char c : digits) {
        int d;
        if (IsDigit(c)) d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else break;
        if (d >= radix) break;
        value = value * radix + d;
    }
    return value;
}

}  // namespace

double ReadNumber(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s += c;

    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h') return ReadRadixInteger(std::string_view(s).substr(2), 16);
        if (s[1] == 'O' || s[1] == 'o') return ReadRadixInteger(std::string_view(s).substr(2), 8);
        return 0;
    }

    // Copy the longest leading decimal number into a form strtod takes.
    std::string number;
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    size_t mantissaDigits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i, ++mantissaDigits) number += s[i];
    if (i < s.size() && s[i] == '.') {
        number += s[i++];
        for (; i < s.size() && IsDigit(s[i]); ++i, ++mantissaDigits) number += s[i];
    }
    if (mantissaDigits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
        size_t expStart = j;
        for (; j < s.size() && IsDigit(s[j]); ++j) exponent += s[j];
        if (j > expStart) number += exponent;  // "1e" is just 1
    }
    // A number beyond a double's range comes back as infinity (or zero), which keeps the clamps
    // working; the text is in the C locale's form whatever the user's locale.
    const double value = std::strtod(number.c_str(), nullptr);
    return negative ? -value : value;
}

bool YesNoToBool(std::string_view word, bool defaultValue) {
    std::string lower(word);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (lower == "yes") return true;
    if (lower == "no") return false;
    return defaultValue;
}

std::string BoolToYesNo(bool value) { return value ? "Yes" : "No"; }

std::string FormatFraction(float value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.7f", double(value));
    return buffer;
}

namespace {

// An integer field: rounded half to even; anything outside [low, high] (numbers beyond the
// field's own range included) takes the fallback the caller names for that side.
template <typename T>
T ReadIntegerField(std::string_view text, double low, double high, T belowLow, T aboveHigh) {
    double value = RoundHalfEven(ReadNumber(text));
    if (value < low) return belowLow;
    if (value > high) return aboveHigh;
    return static_cast<T>(value);
}

float ReadFractionField(std::string_view text, float defaultValue) {
    double value = ReadNumber(text);
    if (!(std::fabs(value) <= FLT_MAX)) return defaultValue;  // beyond single precision
    return static_cast<float>(value);
}

}  // namespace

SettingsRecord ParseSettings(const IniReader& read) {
    SettingsRecord r;
    r.WindowSize = ReadIntegerField<int16_t>(read("WindowSize", ""), 1, 2, 1, 2);
    r.TopMost = YesNoToBool(read("TopMost", ""), true);
    r.Blink = YesNoToBool(read("Blink", ""), false);
    r.BlinkDelay = ReadIntegerField<int32_t>(read("BlinkDelay", ""), 1, 1000, 750, 750);
    r.FixWindowPosition = YesNoToBool(read("FixWindowPosition", ""), true);
    r.EXITbyDblClick = YesNoToBool(read("EXITbyDblClick", ""), false);
    r.UseNTP = YesNoToBool(read("UseNTP", ""), false);
    r.UseNTP2 = YesNoToBool(read("UseNTP2", ""), false);
    r.NTPServer = read("NTPServer", "");
    if (r.NTPServer.empty()) r.NTPServer = kDefaultNtpServer;
    r.ClearRecent = YesNoToBool(read("ClearRecent", ""), false);
    r.ResumeDelay = ReadIntegerField<int32_t>(read("ResumeDelay", ""), 1, 60000, 5000, 5000);
    r.XPosR = ReadFractionField(read("XPosR", "0.7"), 0.7f);
    r.YPosR = ReadFractionField(read("YPosR", "0.3"), 0.3f);
    r.NTPInterval = ReadIntegerField<int32_t>(read("NTPInterval", ""), 0, 168, 0, 168);
    r.Language = SettingOfLanguage(LanguageOfSetting(read("Language", "")));
    r.ShowSeconds = YesNoToBool(read("ShowSeconds", ""), false);
    // Clamped into 20..100; a value that holds no number at all keeps the face as it was.
    const std::string opacity = read("Opacity", "100");
    r.Opacity = opacity.find_first_of("0123456789") == std::string::npos ? 100
                                                                        : ReadIntegerField<int32_t>(opacity, 20, 100, 20, 100);
    r.TimeSignal = YesNoToBool(read("TimeSignal", ""), false);
    return r;
}

SettingsEntries SettingsToEntries(const SettingsRecord& r, float xFraction, float yFraction) {
    return {{
        {"XPosR", FormatFraction(xFraction)},
        {"YPosR", FormatFraction(yFraction)},
        {"ResumeDelay", std::to_string(r.ResumeDelay)},
        {"WindowSize", std::to_string(r.WindowSize)},
        {"TopMost", BoolToYesNo(r.TopMost)},
        {"Blink", BoolToYesNo(r.Blink)},
        {"BlinkDelay", std::to_string(r.BlinkDelay)},
        {"FixWindowPosition", BoolToYesNo(r.FixWindowPosition)},
        {"EXITbyDblClick", BoolToYesNo(r.EXITbyDblClick)},
        {"UseNTP", BoolToYesNo(r.UseNTP)},
        {"UseNTP2", BoolToYesNo(r.UseNTP2)},
        {"NTPServer", r.NTPServer},
        {"ClearRecent", BoolToYesNo(r.ClearRecent)},
    }};
}

std::array<OptionalEntry, 5> OptionalEntries(const SettingsRecord& r) {
    return {{
        {"NTPInterval", std::to_string(r.NTPInterval), r.NTPInterval == 0},
        {"Language", r.Language, r.Language.empty()},
        {"ShowSeconds", BoolToYesNo(r.ShowSeconds), !r.ShowSeconds},
        {"Opacity", std::to_string(r.Opacity), r.Opacity == 100},
        {"TimeSignal", BoolToYesNo(r.TimeSignal), !r.TimeSignal},
    }};
}

uint8_t AlphaOfOpacity(int percent) { return uint8_t((std::clamp(percent, 0, 100) * 255 + 50) / 100); }
