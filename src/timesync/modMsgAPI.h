// Window messages of the time synchronisation: the time-change broadcast and the hook that
// watches the main window for a resume from standby.
#pragma once
#include <windows.h>

void BroadcastTimeChange();
void HookWindow(HWND window);
void UnhookWindow(HWND window);
LRESULT CALLBACK HookWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
