// The settings record and the rules for reading and writing its file. Portable.
// The private-profile calls live in settings_file_win.cpp and reach this code through a reader
// function.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "common/language.h"

struct SettingsRecord {
    int16_t WindowSize = 0;
    bool TopMost = false;
    bool Blink = false;
    int32_t BlinkDelay = 0;
    bool FixWindowPosition = false;
    bool EXITbyDblClick = false;
    bool UseNTP = false;
    bool UseNTP2 = false;
    std::string NTPServer;
    bool ClearRecent = false;
    int32_t ResumeDelay = 0;
    float XPosR = 0;
    float YPosR = 0;
    int32_t NTPInterval = 0;  // hours between periodic runs; 0: none
    std::string Language;     // "ja", "en", or "" for automatic (as Windows)
    bool ShowSeconds = false;  // HH:MM:SS on the face
    int32_t Opacity = 100;     // percent, 20 to 100; 100: not see-through at all
    bool TimeSignal = false;   // the hour signal: three pips and the hour's tone

    bool operator==(const SettingsRecord&) const = default;
};

inline constexpr const char* kSettingsFileName = "Velkaro.ini";
inline constexpr const char* kSettingsSection = "Velkaro 1.20";
// The longest value a read gives, in bytes of the ANSI code page; the server box takes no more.
inline constexpr size_t kMaxValueBytes = 99;
// The name the program shows its user.
inline constexpr const char* kProgramTitle = "Tarnvik";
// The server list of the options dialog; the first is also the host used when none is stored.
inline constexpr const char* kNtpServers[3] = {"ntp.nict.jp", "pool.ntp.org", "time.cloudflare.com"};
inline constexpr const char* kDefaultNtpServer = kNtpServers[0];

// The periodic run's choices on the options page, in hours (0: しない), and how each is named
// there; a stored value outside the list is named the same way.
inline constexpr int kIntervalChoices[] = {0, 1, 3, 6, 12, 24};
std::string IntervalText(Language language, int hours);

// The report of a settings file that would not take a write (UTF-8).
std::string SaveFailedReport(Language language, const std::string& filePath);

// A folder and a file name joined by one backslash; a folder that already ends with one
// (a drive root such as C:\) gets no second.
std::string JoinPath(std::string_view folder, std::string_view name);

// Reads a number the way the settings file has always been read: blanks, tabs and line
// feeds are ignored anywhere, the longest leading decimal number counts (sign, digits,
// point, fraction, exponent), &H and &O introduce hexadecimal and octal integers, and
// anything that does not start with a number reads as 0. The point is the only separator.
double ReadNumber(std::string_view text);

bool YesNoToBool(std::string_view word, bool defaultValue);
std::string BoolToYesNo(bool value);

// "0.0000000": a leading digit, a point and seven decimals; a minus sign when negative.
std::string FormatFraction(float value);

// What a read of one key yields: the stored value, or the caller's default when the value is
// empty or missing (an empty default leaves an empty value empty).
std::string IniValueOrDefault(std::string stored, std::string_view defaultText);

// Reads one key of the program's section, as IniValueOrDefault says.
using IniReader = std::function<std::string(std::string_view key, std::string_view defaultText)>;

// Fills a record key by key with the defaults, clamps and checks of the settings file.
SettingsRecord ParseSettings(const IniReader& readIniValue);

// The thirteen keys with their texts, in the order in which a save writes them. The window's
// position is passed as fractions of the screen, since the record's own XPosR and YPosR keep
// the values loaded at start-up.
using SettingsEntries = std::array<std::pair<const char*, std::string>, 13>;
SettingsEntries SettingsToEntries(const SettingsRecord& record, float xFraction, float yFraction);
// The keys after the thirteen, in this order: NTPInterval, Language, ShowSeconds, Opacity,
// TimeSignal. Each
// is written only once it is not its default or the file has it already, so a file that never
// had it keeps its keys.
struct OptionalEntry {
    const char* key;
    std::string value;
    bool isDefault;
    bool Written(bool fileHasIt) const { return !isDefault || fileHasIt; }
};
std::array<OptionalEntry, 5> OptionalEntries(const SettingsRecord& record);

// The opacity's choices on the options page, in percent; a stored value outside the list is
// listed too.
inline constexpr int kOpacityChoices[] = {100, 90, 80, 70, 60, 50, 40, 30};
// The layered window's alpha for an opacity in percent (255 at 100).
uint8_t AlphaOfOpacity(int percent);
