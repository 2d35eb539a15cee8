// The registry layer: one named value of a registry key.
#pragma once
#include <windows.h>

#include <string>

#include "settings/registry.h"

// Texts are UTF-8 here and UTF-16 in the registry (what the A functions would have made of a
// text in the ANSI code page, and whole where that code page cannot spell it). A value that cannot
// be read (no key, no value, an unexpected type) gives the default.
RegistryValue ReadRegistryValue(HKEY root, const std::string& keyPath, const std::string& name, const RegistryValue& defaultValue);
bool WriteRegistryValue(HKEY root, const std::string& keyPath, const std::string& name, const RegistryValue& value);
bool DeleteRegistryValue(HKEY root, const std::string& keyPath, const std::string& name);
