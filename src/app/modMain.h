// The program's start and its orderly end.
#pragma once
#include <string>

// Builds the windows, loads the settings, shows the clock and runs the start tasks.
// Returns false when the windows could not be made.
bool Main();
// The run that a clock without the right to set the time starts elevated: one synchronisation
// against the server with every report, and no clock. The exit code: 0 when the time was set,
// 1 after a failure report.
int SyncMain(const std::string& server);
// The face size, the topmost band and the menu's check marks, from Settings: at start-up and
// after the options dialog's OK.
void ApplyAppearance();
// Saves the settings and unloads both windows; reached only through the exit timer (and when
// Windows ends the session).
void ShutdownApp();
