// The settings file beside the executable, through the private-profile functions.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "settings/settings_file.h"

// Full path of the settings file (UTF-8; the system is given it as UTF-16, never by a short
// name), worked out afresh on every call.
std::string SettingsFilePath();
// The same for a given folder.
std::string SettingsFilePathIn(std::string_view folder);

// One key of the program's section (texts in UTF-8; the file holds them in the ANSI code
// page). A value longer than 99 bytes in that code page arrives cut to its first 99 bytes.
// A write is true when the file took it.
std::string ReadIniValue(std::string_view key, std::string_view defaultText);
bool WriteIniValue(std::string_view key, std::string_view value);
std::string ReadIniValueFrom(const std::string& filePath, std::string_view key, std::string_view defaultText);
bool WriteIniValueTo(const std::string& filePath, std::string_view key, std::string_view value);

// The record as the file gives it.
SettingsRecord LoadSettings();
// Writes all thirteen keys of the record (and NTPInterval, see WritesInterval), with the main window's current place as fractions of
// the screen. True when every key was written.
bool SaveSettings(const SettingsRecord& Settings, HWND mainWindow);
// The same into a given file, with the place given in pixels of a given screen.
bool SaveSettingsTo(const std::string& filePath, const SettingsRecord& record, int left, int top, int screenWidth,
                    int screenHeight);
// Says, in a topmost message box (owned by owner, if any), that the settings could not be
// written to the file.
void ShowSaveFailure(Language language, const std::string& filePath, HWND owner);
