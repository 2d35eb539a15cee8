#include "timesync/frmDialog.h"

#include <windows.h>

#include "app/frmMain.h"
#include "common/win32.h"
#include "resource.h"
#include "settings/desktop.h"
#include "settings/settings_rules.h"

namespace {

HWND openDialog = nullptr;

struct Layout {
    int id, left, top, width, height;  // twips
};
constexpr int kClientWidth = 5055, kClientHeight = 1695;
constexpr Layout kControls[] = {
    {IDC_RESULT_MESSAGE, 120, 120, 4815, 975},  // lblMsg
    {IDOK, 3360, 1200, 1575, 375},              // cmdOK
};

void LayOut(HWND dialog) {
    auto px = [dialog](int twips) { return TwipsToPixels(dialog, twips); };
    RECT frame{0, 0, px(kClientWidth), px(kClientHeight)};
    AdjustWindowRectEx(&frame, DWORD(GetWindowLongW(dialog, GWL_STYLE)), FALSE, DWORD(GetWindowLongW(dialog, GWL_EXSTYLE)));
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(dialog, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    for (const Layout& c : kControls)
        SetWindowPos(GetDlgItem(dialog, c.id), nullptr, px(c.left), px(c.top), px(c.width), px(c.height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        openDialog = dialog;
        HFONT font = CreateDialogFont(dialog);
        SetPropW(dialog, L"VelkaroFont", font);
        for (const Layout& c : kControls) SendDlgItemMessageW(dialog, c.id, WM_SETFONT, WPARAM(font), FALSE);
        LayOut(dialog);
        SetDlgItemTextW(dialog, IDC_RESULT_MESSAGE, Utf8ToWide(*reinterpret_cast<const std::string*>(lParam)).c_str());
        // Still hidden here: it shows up in the topmost band, above the clock.
        if (Settings.TopMost) SetTopMost(dialog);
        return TRUE;  // the focus goes to OK, the default button
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    case WM_DESTROY:
        DeleteObject(RemovePropW(dialog, L"VelkaroFont"));
        openDialog = nullptr;
        return FALSE;
    }
    return FALSE;
}

}  // namespace

void ShowResultDialog(const std::string& text) {
    // Modal for the whole program: the clock takes no input while the report is open, but
    // its face keeps ticking.
    const HWND clock = frmMain ? frmMain->hwnd() : nullptr;
    if (clock) EnableWindow(clock, FALSE);
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_RESULT), nullptr, DialogProc,
                    reinterpret_cast<LPARAM>(&text));
    if (frmMain) {
        EnableWindow(frmMain->hwnd(), TRUE);
        if (Settings.TopMost) SetTopMost(frmMain->hwnd());
    }
}

void CloseResultDialog() {
    if (openDialog) EndDialog(openDialog, IDCANCEL);
}
