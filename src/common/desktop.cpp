// The topmost band and the shell's recent-documents list.
#include "common/desktop.h"

#include <shlobj.h>

#include <array>

void SetTopMost(HWND window, bool withoutActivation) {
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | (withoutActivation ? SWP_NOACTIVATE : 0));
}

void ClearTopMost(HWND window) { SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

void PutBehind(HWND window, HWND front) {
    SetWindowPos(window, front, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HWND FullScreenForeground(const RECT& monitor) {
    // Most checks end after the first two questions: the foreground window is smaller.
    const HWND front = GetForegroundWindow();
    RECT r;
    if (!front || !GetWindowRect(front, &r) || r.left > monitor.left || r.top > monitor.top || r.right < monitor.right ||
        r.bottom < monitor.bottom)
        return nullptr;
    DWORD process = 0;
    if (!GetWindowThreadProcessId(front, &process) || process == GetCurrentProcessId()) return nullptr;
    if (front == GetShellWindow() || front == GetDesktopWindow() || !IsWindowVisible(front) || IsIconic(front))
        return nullptr;
    wchar_t className[32] = L"";
    GetClassNameW(front, className, 32);
    // The desktop behind the icons and the taskbar cover their monitor too, but are no program.
    for (const wchar_t* shell : std::array{L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd"})
        if (lstrcmpW(className, shell) == 0) return nullptr;
    return front;
}

RECT MonitorRectOf(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) return RECT{};
    return info.rcMonitor;
}

void ClearRecentDocuments() { SHAddToRecentDocs(SHARD_PATHA, nullptr); }
