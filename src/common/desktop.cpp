// The topmost band and the shell's recent-documents list.
#include "common/desktop.h"

#include <shlobj.h>

#include <array>

#include "common/system_library.h"

void SetWindowAlpha(HWND window, unsigned char alpha) {
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_EXSTYLE);
    if (alpha == 255) {
        if (style & WS_EX_LAYERED) SetWindowLongPtrW(window, GWL_EXSTYLE, style & ~LONG_PTR(WS_EX_LAYERED));
        return;
    }
    if (!(style & WS_EX_LAYERED)) SetWindowLongPtrW(window, GWL_EXSTYLE, style | WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
}

void SetTopMost(HWND window, bool withoutActivation) {
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | (withoutActivation ? SWP_NOACTIVATE : 0));
}

void ClearTopMost(HWND window) { SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

void PutBehind(HWND window, HWND front) {
    SetWindowPos(window, front, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

namespace {

bool Covers(const RECT& r, const RECT& monitor) {
    return r.left <= monitor.left && r.top <= monitor.top && r.right >= monitor.right && r.bottom >= monitor.bottom;
}

// A full-screen program's client area covers the monitor; a window with a caption that does
// not (a maximised one, whose frame reaches past the work area) is an ordinary window.
bool FillsMonitor(HWND window, const RECT& monitor) {
    RECT r;
    if (!GetWindowRect(window, &r) || !Covers(r, monitor)) return false;
    if ((GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION) return true;
    if (!GetClientRect(window, &r)) return false;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);  // the client area on the screen
    return Covers(r, monitor);
}

// A window the desktop window manager keeps out of sight (on another virtual desktop, a
// suspended app) is not in front of anything.
bool Cloaked(HWND window) {
    const DwmFunctions* dwm = Dwm();
    DWORD cloaked = 0;
    return dwm && SUCCEEDED(dwm->DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) && cloaked;
}

}  // namespace

HWND FullScreenForeground(const RECT& monitor) {
    // Most checks end after the first two questions: the foreground window is smaller.
    const HWND front = GetForegroundWindow();
    if (!front || !FillsMonitor(front, monitor)) return nullptr;
    DWORD process = 0;
    if (!GetWindowThreadProcessId(front, &process) || process == GetCurrentProcessId()) return nullptr;
    if (front == GetShellWindow() || front == GetDesktopWindow() || !IsWindowVisible(front) || IsIconic(front) ||
        Cloaked(front))
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
