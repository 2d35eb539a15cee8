#include "timesync/frmDialog.h"

#include <commctrl.h>

#include <algorithm>

#include "settings/desktop.h"
#include "settings/settings_rules.h"

std::vector<HWND> FrmDialog::open_;

void FrmDialog::Form_Load() {
    LayOut(5055, 1695,
           {
               {IDC_RESULT_MESSAGE, 120, 120, 4815, 975},  // lblMsg
               {IDOK, 3360, 1200, 1575, 375},              // cmdOK
               {IDC_RESULT_ELEVATE, 990, 1200, 2250, 375}, // left of OK: the report keeps its size
           });
    SetDlgItemTextW(hwnd_, IDC_RESULT_MESSAGE, Utf8ToWide(text_).c_str());
    const HWND elevate = GetDlgItem(hwnd_, IDC_RESULT_ELEVATE);
    if (offerElevation_) Button_SetElevationRequiredState(elevate, TRUE);  // the shield
    else DestroyWindow(elevate);
    // Still hidden here: it shows up in the topmost band, above the clock.
    if (Settings.TopMost) SetTopMost(hwnd_);
}

INT_PTR FrmDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        open_.push_back(hwnd_);
        Form_Load();
        return TRUE;  // the focus goes to OK, the default button
    case WM_COMMAND:
        // cmdOK_Click; Esc closes as OK does
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDC_RESULT_ELEVATE)
            EndDialog(hwnd_, LOWORD(wParam));
        return TRUE;
    case WM_DESTROY:
        std::erase(open_, hwnd_);
        return FALSE;
    }
    return FALSE;
}

void FrmDialog::CloseAll() {
    for (HWND dialog : open_) EndDialog(dialog, IDCANCEL);
}

bool ShowResultDialog(const std::string& text, HWND mainWindow, bool offerElevation) {
    const bool elevate = FrmDialog(text, offerElevation).Show();
    if (mainWindow && Settings.TopMost) SetTopMost(mainWindow);
    return elevate;
}

void CloseResultDialog() { FrmDialog::CloseAll(); }
