// The result dialog, and the list of the reports that are open.
#include "timesync/result_dialog.h"

#include <commctrl.h>

#include <algorithm>

void FrmDialog::Form_Load() {
    // Left of OK: the report keeps its size; the English button's words take more room. The
    // English report's lines are longer too: its dialog is wider, OK still at its right.
    const bool japanese = language() == Language::Japanese;
    const int width = japanese ? 5055 : 6300;
    const TwipsRect elevatePlace = japanese ? TwipsRect{IDC_RESULT_ELEVATE, 990, 1200, 2250, 375}
                                            : TwipsRect{IDC_RESULT_ELEVATE, 120, 1200, 3120, 375};
    LayOut(width, 1695,
           {
               {IDC_RESULT_MESSAGE, 120, 120, width - 240, 975},  // lblMsg
               {IDOK, width - 1695, 1200, 1575, 375},              // cmdOK
               elevatePlace,
           });
    SetText(IDC_RESULT_MESSAGE, text_);
    KeepFiveLines();
    const HWND elevate = GetDlgItem(hwnd_, IDC_RESULT_ELEVATE);
    if (offerElevation_) Button_SetElevationRequiredState(elevate, TRUE);  // the shield
    else DestroyWindow(elevate);
}

// A report has up to five lines. Above 96 DPI the label's twips can come a pixel or two short of
// five lines of the font; it then reaches down towards the buttons, which have the room.
void FrmDialog::KeepFiveLines() const {
    const HWND label = GetDlgItem(hwnd_, IDC_RESULT_MESSAGE);
    TEXTMETRICW metrics{};
    {
        const WindowDC dc(label);
        const SelectedObject selected(dc.get(), font());
        GetTextMetricsW(dc.get(), &metrics);
    }
    RECT box;
    GetClientRect(label, &box);
    if (box.bottom < 5 * metrics.tmHeight)
        SetWindowPos(label, nullptr, 0, 0, box.right, 5 * metrics.tmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR FrmDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_DPICHANGED:  // laid out again at the new scale
        KeepFiveLines();
        return FALSE;
    case WM_INITDIALOG:
        open_.push_back(hwnd_);
        Form_Load();
        return TRUE;  // the focus goes to OK, the default button
    case WM_COMMAND:  // cmdOK_Click: OK, Enter and Esc close the report
        if (LOWORD(wParam) != IDC_RESULT_ELEVATE || !offerElevation_) return FALSE;
        EndModal(IDC_RESULT_ELEVATE);
        return TRUE;
    case WM_DESTROY:
        std::erase(open_, hwnd_);
        return FALSE;
    }
    return FALSE;
}

bool ResultReports::ShowResultDialog(Language language, const std::string& text, HWND mainWindow, bool topMost,
                                     bool offerElevation) {
    return FrmDialog(language, text, offerElevation, open_).Show(topMost, mainWindow);
}

void ResultReports::CloseResultDialog() {
    for (HWND dialog : open_) EndDialog(dialog, IDCANCEL);
}
