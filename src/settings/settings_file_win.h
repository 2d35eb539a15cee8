// The settings file beside the executable, through the private-profile functions.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "settings/settings_file.h"

// Full path of the settings file in the ANSI code page, worked out afresh on every call.
std::string SettingsFilePath();
// The same for a given folder (UTF-8).
std::string SettingsFilePathIn(std::string_view folder);

// One key of the program's section (texts in UTF-8; the file holds them in the ANSI code
// page). A value longer than 99 bytes arrives cut to its first 99 bytes.
std::string ReadIniValue(std::string_view key, std::string_view defaultText);
void WriteIniValue(std::string_view key, std::string_view value);
std::string ReadIniValueFrom(const std::string& filePath, std::string_view key, std::string_view defaultText);
void WriteIniValueTo(const std::string& filePath, std::string_view key, std::string_view value);

// The record as the file gives it.
SettingsRecord LoadSettings();
// Writes all thirteen keys of the record, with the main window's current place as fractions of
// the screen.
void SaveSettings(const SettingsRecord& Settings, HWND mainWindow);
// The same into a given file, with the place given in pixels of a given screen.
void SaveSettingsTo(const std::string& filePath, const SettingsRecord& record, int left, int top, int screenWidth,
                    int screenHeight);
