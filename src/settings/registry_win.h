// The registry layer: one named value of a registry key.
#pragma once
#include <windows.h>

#include <string>

#include "settings/registry.h"

// Texts are UTF-8 here and in the system ANSI code page in the registry. A value that cannot
// be read (no key, no value, an unexpected type) gives the default.
RegistryValue ReadRegistryValue(HKEY root, const std::string& keyPath, const std::string& name, const RegistryValue& defaultValue);
bool WriteRegistryValue(HKEY root, const std::string& keyPath, const std::string& name, const RegistryValue& value);
bool DeleteRegistryValue(HKEY root, const std::string& keyPath, const std::string& name);
