// One named value of a registry key, and the start-with-Windows entry built on it.
#pragma once
#include <windows.h>

#include <string>

#include "settings/registry_value.h"

// Texts are UTF-8 here and in the system ANSI code page in the registry. A value that cannot
// be read (no key, no value, an unexpected type) gives the default.
RegistryValue ReadRegistryValue(HKEY root, const std::string& keyPath, const std::string& name, const RegistryValue& defaultValue);
bool WriteRegistryValue(HKEY root, const std::string& keyPath, const std::string& name, const RegistryValue& value);
bool DeleteRegistryValue(HKEY root, const std::string& keyPath, const std::string& name);

// Set by QueryAutoRun: whether the entry exists with a non-empty value.
extern bool AutoRunRegistered;
void RegisterAutoRun();
void UnregisterAutoRun();
void QueryAutoRun();
