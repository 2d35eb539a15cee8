#include "timesync/modMsgAPI.h"

#include "timesync/modNTP.h"

namespace {
WNDPROC PreviousWndProc = nullptr;

bool IsResume(UINT message, WPARAM wParam) {
    if (message == WM_POWER) return wParam == PWR_SUSPENDRESUME || wParam == PWR_CRITICALRESUME;
    if (message == WM_POWERBROADCAST)
        return wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMECRITICAL || wParam == PBT_APMRESUMESUSPEND;
    return false;
}
}  // namespace

void BroadcastTimeChange() {
    // Every top-level window is told; one that hangs is given up on after a short while
    // instead of holding up the clock.
    DWORD_PTR ignored;
    SendMessageTimeoutW(HWND_BROADCAST, WM_TIMECHANGE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, 200, &ignored);
}

// The watch replaces the main window's procedure and calls the one it replaced, where every
// other window of the program is bound to its object through Window<Form>. Keep it so: the watch
// belongs to the synchronisation and the window must not know of it (it is handed only the
// handle); it stands in front of the window's own procedure from HookWindow (before the window
// shows) to UnhookWindow (after the settings are saved, before the window goes), so that the
// window's last messages reach the form without it; and a resume message reaches the form only
// after the whole delay and run are over, every message that comes in meanwhile passing through
// unexamined. Moved into the form's HandleMessage, the form would have to know the power watch
// and its reentrancy rule.
void HookWindow(HWND window) {
    PreviousWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HookWndProc)));
}

void UnhookWindow(HWND window) {
    if (PreviousWndProc) SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PreviousWndProc));
}

LRESULT CALLBACK HookWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    // While one message is examined (the resume delay and the run process messages), the
    // messages that come in meanwhile are passed on unexamined: a second resume starts nothing.
    static bool HookBusy = false;
    if (!HookBusy) {
        HookBusy = true;
        if (IsResume(message, wParam)) OnResumeFromStandby();
        HookBusy = false;
    }
    if (!IsWindow(window)) return 0;  // the program ended while the resume run waited
    return CallWindowProcW(PreviousWndProc, window, message, wParam, lParam);
}
