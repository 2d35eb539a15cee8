#include "common/dpi.h"

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

OwnedCursor EnlargedCursor(HINSTANCE instance, int resourceId, int scale) {
    // The resource's own size (the default size would already be stretched at a high DPI).
    const OwnedCursor original(
        static_cast<HCURSOR>(LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_CURSOR, 0, 0, 0)));
    ICONINFO info{};
    if (!original || !GetIconInfo(original.get(), &info)) return {};
    const OwnedBitmap mask(info.hbmMask), colour(info.hbmColor);
    auto enlarged = [scale](HBITMAP bitmap) {
        if (!bitmap) return OwnedBitmap();
        BITMAP size{};
        GetObjectW(bitmap, sizeof size, &size);
        const MemoryDC dc(CreateCompatibleDC(nullptr));
        const SelectedObject selected(dc.get(), bitmap);
        return EnlargedCopy(dc.get(), size.bmWidth, size.bmHeight, scale, size.bmBitsPixel == 1);
    };
    const OwnedBitmap bigMask = enlarged(mask.get()), bigColour = enlarged(colour.get());
    ICONINFO big{FALSE, info.xHotspot * DWORD(scale), info.yHotspot * DWORD(scale), bigMask.get(), bigColour.get()};
    return OwnedCursor(CreateIconIndirect(&big));
}
