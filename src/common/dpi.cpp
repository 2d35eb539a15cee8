// The display's scale: the monitor's DPI and the functions of newer Windows that follow it.
#include "common/dpi.h"

#include "common/handles.h"

namespace {

// A function of user32 that older Windows lack: nullptr there.
template <class Function>
Function User32Function(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

int SystemDpi() {
    const WindowDC screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSX);
}

int DpiOf(HWND window) {
    static const auto getDpiForWindow = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");  // Windows 10 1607
    const UINT dpi = getDpiForWindow ? getDpiForWindow(window) : 0;
    return dpi ? int(dpi) : SystemDpi();
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    static const auto adjust =
        User32Function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");  // Windows 10 1607
    if (!adjust || !adjust(&rect, style, FALSE, exStyle, UINT(dpi))) AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

void KeepDialogLayout(HWND dialog) {
    // Windows 10 1703; the enumerations are ints.
    static const auto dialogBehavior = User32Function<BOOL(WINAPI*)(HWND, int, int)>("SetDialogDpiChangeBehavior");
    static const auto controlBehavior = User32Function<BOOL(WINAPI*)(HWND, int, int)>("SetDialogControlDpiChangeBehavior");
    constexpr int kDisableAll = 1;                              // DDC_DISABLE_ALL
    constexpr int kNoFontUpdate = 1, kNoRelayout = 2;           // DCDC_DISABLE_FONTUPDATE, DCDC_DISABLE_RELAYOUT
    if (dialogBehavior) dialogBehavior(dialog, kDisableAll, kDisableAll);
    if (controlBehavior)
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            controlBehavior(child, kNoFontUpdate | kNoRelayout, kNoFontUpdate | kNoRelayout);
}
