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
}

void UnregisterAutoRun() { DeleteRegistryValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName); }

bool QueryAutoRun() {
    return !RegistryValueText(ReadRegistryValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, std::string())).empty();
}
