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

void HookWindow(HWND window) {
    PreviousWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HookWndProc)));
}

void UnhookWindow(HWND window) {
    if (PreviousWndProc) SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PreviousWndProc));
}

LRESULT CALLBACK HookWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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
