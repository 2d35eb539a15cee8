// The settings file through the private-profile functions.
#include "settings/settings_file_win.h"

#include "common/executable.h"
#include "common/text_encoding.h"
#include "settings/placement.h"

std::string SettingsFilePathIn(std::string_view folder) { return Utf8ToAnsi(JoinPath(folder, kSettingsFileName)); }

std::string SettingsFilePath() { return SettingsFilePathIn(ExeFolderUtf8()); }

std::string ReadIniValueFrom(const std::string& filePath, std::string_view key, std::string_view defaultText) {
    char buffer[100] = "";
    GetPrivateProfileStringA(kSettingsSection, Utf8ToAnsi(key).c_str(), "", buffer, sizeof buffer, filePath.c_str());
    return IniValueOrDefault(AnsiToUtf8(buffer), defaultText);
}

void WriteIniValueTo(const std::string& filePath, std::string_view key, std::string_view value) {
    WritePrivateProfileStringA(kSettingsSection, Utf8ToAnsi(key).c_str(), Utf8ToAnsi(value).c_str(), filePath.c_str());
}

std::string ReadIniValue(std::string_view key, std::string_view defaultText) {
    return ReadIniValueFrom(SettingsFilePath(), key, defaultText);
}

void WriteIniValue(std::string_view key, std::string_view value) { WriteIniValueTo(SettingsFilePath(), key, value); }

SettingsRecord LoadSettings() { return ParseSettings(ReadIniValue); }

void SaveSettingsTo(const std::string& filePath, const SettingsRecord& record, int left, int top, int screenWidth,
                    int screenHeight) {
    const SettingsEntries entries =
        SettingsToEntries(record, PositionFraction(left, screenWidth), PositionFraction(top, screenHeight));
    for (const auto& [key, value] : entries) WriteIniValueTo(filePath, key, value);
}

void SaveSettings(const SettingsRecord& Settings, HWND mainWindow) {
    RECT r{};
    GetWindowRect(mainWindow, &r);
    SaveSettingsTo(SettingsFilePath(), Settings, r.left, r.top, GetSystemMetrics(SM_CXSCREEN),
                   GetSystemMetrics(SM_CYSCREEN));
}
