// The settings file through the private-profile functions.
#include "settings/settings_file_win.h"

#include <iterator>

#include "common/executable.h"
#include "common/text_encoding.h"
#include "settings/placement.h"

namespace {

// A value as the file has always given it: its first kMaxValueBytes bytes in the ANSI code
// page, where a double-byte character is never cut in half.
std::string CutAsAnsi(const wchar_t* value) {
    const std::string ansi = Utf8ToAnsi(WideToUtf8(value));
    size_t keep = 0;
    for (size_t next; keep < ansi.size(); keep = next) {
        next = keep + (IsDBCSLeadByte(BYTE(ansi[keep])) ? 2 : 1);
        if (next > kMaxValueBytes || next > ansi.size()) break;
    }
    return AnsiToUtf8(ansi.substr(0, keep));
}

// True when the section has the key, an empty value included (the system gives the default only
// for a key that is not there).
bool IniHasKey(const std::string& filePath, std::string_view key) {
    wchar_t value[2] = L"";
    GetPrivateProfileStringW(Utf8ToWide(kSettingsSection).c_str(), Utf8ToWide(key).c_str(), L"\x01", value,
                             DWORD(std::size(value)), Utf8ToWide(filePath).c_str());
    return value[0] != L'\x01';
}

}  // namespace

std::string SettingsFilePathIn(std::string_view folder) { return JoinPath(folder, kSettingsFileName); }

std::string SettingsFilePath() { return SettingsFilePathIn(ExeFolderUtf8()); }

std::string ReadIniValueFrom(const std::string& filePath, std::string_view key, std::string_view defaultText) {
    // Each character takes at least one byte in the ANSI code page: this many are always enough.
    wchar_t buffer[kMaxValueBytes + 1] = L"";
    GetPrivateProfileStringW(Utf8ToWide(kSettingsSection).c_str(), Utf8ToWide(key).c_str(), L"", buffer,
                             DWORD(std::size(buffer)), Utf8ToWide(filePath).c_str());
    return IniValueOrDefault(CutAsAnsi(buffer), defaultText);
}

bool WriteIniValueTo(const std::string& filePath, std::string_view key, std::string_view value) {
    return WritePrivateProfileStringW(Utf8ToWide(kSettingsSection).c_str(), Utf8ToWide(key).c_str(),
                                      Utf8ToWide(value).c_str(), Utf8ToWide(filePath).c_str()) != FALSE;
}

std::string ReadIniValue(std::string_view key, std::string_view defaultText) {
    return ReadIniValueFrom(SettingsFilePath(), key, defaultText);
}

bool WriteIniValue(std::string_view key, std::string_view value) { return WriteIniValueTo(SettingsFilePath(), key, value); }

SettingsRecord LoadSettings() { return ParseSettings(ReadIniValue); }

bool SaveSettingsTo(const std::string& filePath, const SettingsRecord& record, int left, int top, int screenWidth,
                    int screenHeight) {
    const SettingsEntries entries =
        SettingsToEntries(record, PositionFraction(left, screenWidth), PositionFraction(top, screenHeight));
    bool saved = true;
    for (const auto& [key, value] : entries) saved = WriteIniValueTo(filePath, key, value) && saved;
    for (const OptionalEntry& e : OptionalEntries(record))
        if (e.Written(IniHasKey(filePath, e.key))) saved = WriteIniValueTo(filePath, e.key, e.value) && saved;
    return saved;
}

bool SaveSettings(const SettingsRecord& Settings, HWND mainWindow) {
    RECT r{};
    GetWindowRect(mainWindow, &r);
    return SaveSettingsTo(SettingsFilePath(), Settings, r.left, r.top, GetSystemMetrics(SM_CXSCREEN),
                          GetSystemMetrics(SM_CYSCREEN));
}

void ShowSaveFailure(Language language, const std::string& filePath, HWND owner) {
    MessageBoxW(owner, Utf8ToWide(SaveFailedReport(language, filePath)).c_str(), Utf8ToWide(kProgramTitle).c_str(),
                MB_OK | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND);
}
