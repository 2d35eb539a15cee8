#include "timesync/frmDialog.h"

#include <windows.h>

#include "app/frmMain.h"
#include "common/win32.h"
#include "resource.h"
#include "settings/desktop.h"
#include "settings/settings_rules.h"

namespace {

HWND openDialog = nullptr;

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        openDialog = dialog;
        LayOutDialog(dialog, 5055, 1695,
                     {
                         {IDC_RESULT_MESSAGE, 120, 120, 4815, 975},  // lblMsg
                         {IDOK, 3360, 1200, 1575, 375},              // cmdOK
                     });
        SetDlgItemTextW(dialog, IDC_RESULT_MESSAGE, Utf8ToWide(*reinterpret_cast<const std::string*>(lParam)).c_str());
        // Still hidden here: it shows up in the topmost band, above the clock.
        if (Settings.TopMost) SetTopMost(dialog);
        return TRUE;  // the focus goes to OK, the default button
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    case WM_DESTROY:
        openDialog = nullptr;
        return FALSE;
    }
    return FALSE;
}

}  // namespace

void ShowResultDialog(const std::string& text) {
    RunModalDialog(IDD_RESULT, DialogProc, reinterpret_cast<LPARAM>(&text));
    if (frmMain && Settings.TopMost) SetTopMost(frmMain->hwnd());
}

void CloseResultDialog() {
    if (openDialog) EndDialog(openDialog, IDCANCEL);
}
