// The start-with-Windows entry: the value "Velkaro" under HKEY_CURRENT_USER's Run key.
#pragma once

// Writes the entry: the running executable's folder and name (see AutoRunData).
void RegisterAutoRun();
void UnregisterAutoRun();
// True when the entry exists with a non-empty value (AutoRunRegistered).
bool QueryAutoRun();
