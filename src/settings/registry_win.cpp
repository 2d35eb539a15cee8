// The registry layer: one named value of a key, read, written or deleted through the A functions.
#include "settings/registry_win.h"

#include <algorithm>

#include "common/handles.h"
#include "common/text_encoding.h"

RegistryValue ReadRegistryValue(HKEY root, const std::string& keyPath, const std::string& name, const RegistryValue& defaultValue) {
    OwnedKey key;
    if (RegOpenKeyExA(root, Utf8ToAnsi(keyPath).c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return defaultValue;
    const std::string ansiName = Utf8ToAnsi(name);
    RegistryValue result = defaultValue;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), ansiName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<uint8_t> data(size, 0);
        RegQueryValueExA(key.get(), ansiName.c_str(), nullptr, &type, data.data(), &size);
        data.resize(std::min<size_t>(size, data.size()));
        if (type == REG_SZ) {
            result = AnsiToUtf8(TrimAtNul(std::string(data.begin(), data.end())));
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
    char emptyClass[] = "";
    if (RegCreateKeyExA(root, Utf8ToAnsi(keyPath).c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        &security, key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    const std::string ansiName = Utf8ToAnsi(name);
    LONG stored;
    if (const auto* bytes = std::get_if<std::vector<uint8_t>>(&value)) {
        stored = RegSetValueExA(key.get(), ansiName.c_str(), 0, REG_BINARY, bytes->data(), DWORD(bytes->size()));
    } else if (std::holds_alternative<std::string>(value) || std::holds_alternative<uint32_t>(value)) {
        const std::string text = Utf8ToAnsi(RegistryValueText(value));
        stored = RegSetValueExA(key.get(), ansiName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                DWORD(text.size() + 1));
    } else {
        const uint32_t dword = RegistryDword(value);
        const BYTE data[4] = {BYTE(dword), BYTE(dword >> 8), BYTE(dword >> 16), BYTE(dword >> 24)};
        stored = RegSetValueExA(key.get(), ansiName.c_str(), 0, REG_DWORD, data, 4);
    }
    return stored == ERROR_SUCCESS;
}

bool DeleteRegistryValue(HKEY root, const std::string& keyPath, const std::string& name) {
    OwnedKey key;
    if (RegOpenKeyExA(root, Utf8ToAnsi(keyPath).c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return false;
    return RegDeleteValueA(key.get(), Utf8ToAnsi(name).c_str()) == ERROR_SUCCESS;
}
