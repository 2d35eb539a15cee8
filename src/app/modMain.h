// The program's start and its orderly end.
#pragma once

// Builds the windows, loads the settings, shows the clock and runs the start tasks.
// Returns false when the windows could not be made.
bool Main();
// The face size, the topmost band and the menu's check marks, from Settings: at start-up and
// after the options dialog's OK.
void ApplyAppearance();
// Saves the settings and unloads both windows; reached only through the exit timer (and when
// Windows ends the session).
void ShutdownApp();
