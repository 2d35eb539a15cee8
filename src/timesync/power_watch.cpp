// The resume watch on the main window, as a window subclass.
#include "timesync/power_watch.h"

#include "common/system_library.h"

namespace {

constexpr UINT_PTR kSubclassId = 1;

bool IsResume(UINT message, WPARAM wParam) {
    if (message == WM_POWER) return wParam == PWR_SUSPENDRESUME || wParam == PWR_CRITICALRESUME;
    if (message == WM_POWERBROADCAST)
        return wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMECRITICAL || wParam == PBT_APMRESUMESUSPEND;
    return false;
}

// The watch is a subclass rather than part of the form: it belongs to the synchronisation, and
// the window is handed only its handle.
LRESULT CALLBACK HookWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) noexcept {
    auto& watch = *reinterpret_cast<ResumeWatch*>(data);
    if (!watch.HookBusy) {
        watch.HookBusy = true;
        if (IsResume(message, wParam) && watch.OnResumeFromStandby) watch.OnResumeFromStandby();
        watch.HookBusy = false;
    }
    if (!IsWindow(window)) return 0;  // the program ended while the resume run waited
    return Comctl()->DefSubclassProc(window, message, wParam, lParam);  // there is a subclass: there is comctl32
}

}  // namespace

void HookWindow(HWND window, ResumeWatch& watch) {
    if (const ComctlFunctions* comctl = Comctl())
        comctl->SetWindowSubclass(window, HookWndProc, kSubclassId, reinterpret_cast<DWORD_PTR>(&watch));
}

void UnhookWindow(HWND window) {
    if (const ComctlFunctions* comctl = Comctl()) comctl->RemoveWindowSubclass(window, HookWndProc, kSubclassId);
}
