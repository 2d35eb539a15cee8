// The start-with-Windows entry: the value "Velkaro" under HKEY_CURRENT_USER's Run key.
#pragma once

// Writes the entry: the running executable's folder and name (see AutoRunData), and takes away
// a switch-off that Task Manager recorded for it.
void RegisterAutoRun();
// Deletes the entry and its switch-off.
void UnregisterAutoRun();
// True when the entry exists with a non-empty value (AutoRunRegistered) and Task Manager has not
// switched it off.
bool QueryAutoRun();
