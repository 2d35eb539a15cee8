// The display's scale: the monitor's DPI, with newer Windows functions looked up at run time.
// Where one is missing the system DPI stands in, so the program starts on every Windows it
// supports.
#pragma once
#include <windows.h>

// The DPI of the monitor the window is on, or the system DPI where Windows cannot tell.
int DpiOf(HWND window);
// The system DPI: the one every window has where there is no per-monitor scale.
int SystemDpi();
// AdjustWindowRectEx at the given DPI.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);
// Keeps Windows from rescaling the dialog and its controls on a change of DPI, where it would:
// the dialog lays itself out again from twips.
void KeepDialogLayout(HWND dialog);
