// The start-with-Windows entry: the value under the current user's Run key.
#include "settings/autorun_win.h"

#include "common/executable.h"
#include "common/text_encoding.h"
#include "settings/autorun.h"
#include "settings/registry_win.h"

void RegisterAutoRun() {
    const std::wstring path = ExecutablePath();
    const std::string name = WideToUtf8(path.substr(path.find_last_of(L'\\') + 1));
    WriteRegistryValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, AutoRunData(ExeFolderUtf8(), name));
    // A switch-off recorded by Task Manager would keep Windows from starting the entry anyway.
    DeleteRegistryValue(HKEY_CURRENT_USER, kStartupApprovedKeyPath, kRunValueName);
}

void UnregisterAutoRun() {
    DeleteRegistryValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
    DeleteRegistryValue(HKEY_CURRENT_USER, kStartupApprovedKeyPath, kRunValueName);
}

bool QueryAutoRun() {
    if (RegistryValueText(ReadRegistryValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, std::string())).empty())
        return false;
    const RegistryValue approved =
        ReadRegistryValue(HKEY_CURRENT_USER, kStartupApprovedKeyPath, kRunValueName, std::vector<uint8_t>());
    const auto* bytes = std::get_if<std::vector<uint8_t>>(&approved);
    return !bytes || !SwitchedOffAtStartup(*bytes);
}
