// The registry layer: one named value of a key, read, written or deleted. Texts reach the
// registry as UTF-16, so that a path no ANSI code page can spell is kept whole.
#include "settings/registry_win.h"

#include <algorithm>

#include "common/handles.h"
#include "common/text_encoding.h"

RegistryValue ReadRegistryValue(HKEY root, const std::string& keyPath, const std::string& name, const RegistryValue& defaultValue) {
    OwnedKey key;
    if (RegOpenKeyExW(root, Utf8ToWide(keyPath).c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return defaultValue;
    const std::wstring wideName = Utf8ToWide(name);
    RegistryValue result = defaultValue;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<uint8_t> data(size, 0);
        RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, data.data(), &size);
        data.resize(std::min<size_t>(size, data.size()));
        if (type == REG_SZ) {
            std::wstring text(data.size() / sizeof(wchar_t), L'\0');
            std::copy_n(data.data(), text.size() * sizeof(wchar_t), reinterpret_cast<uint8_t*>(text.data()));
            result = TrimAtNul(WideToUtf8(text));
        } else if (type == REG_BINARY) {
            result = data;
        } else if (type == REG_DWORD && data.size() >= 4) {
            result = uint32_t(data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24);
        }
    }
    return result;
}

bool WriteRegistryValue(HKEY root, const std::string& keyPath, const std::string& name, const RegistryValue& value) {
    OwnedKey key;
    SECURITY_ATTRIBUTES security{};
    wchar_t emptyClass[] = L"";
    if (RegCreateKeyExW(root, Utf8ToWide(keyPath).c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        &security, key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring wideName = Utf8ToWide(name);
    LONG stored;
    if (const auto* bytes = std::get_if<std::vector<uint8_t>>(&value)) {
        stored = RegSetValueExW(key.get(), wideName.c_str(), 0, REG_BINARY, bytes->data(), DWORD(bytes->size()));
    } else if (std::holds_alternative<std::string>(value) || std::holds_alternative<uint32_t>(value)) {
        const std::wstring text = Utf8ToWide(RegistryValueText(value));
        stored = RegSetValueExW(key.get(), wideName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                DWORD((text.size() + 1) * sizeof(wchar_t)));
    } else {
        const uint32_t dword = RegistryDword(value);
        const BYTE data[4] = {BYTE(dword), BYTE(dword >> 8), BYTE(dword >> 16), BYTE(dword >> 24)};
        stored = RegSetValueExW(key.get(), wideName.c_str(), 0, REG_DWORD, data, 4);
    }
    return stored == ERROR_SUCCESS;
}

bool DeleteRegistryValue(HKEY root, const std::string& keyPath, const std::string& name) {
    OwnedKey key;
    if (RegOpenKeyExW(root, Utf8ToWide(keyPath).c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return false;
    return RegDeleteValueW(key.get(), Utf8ToWide(name).c_str()) == ERROR_SUCCESS;
}
