#include "settings/frmOption.h"

#include <windows.h>
#include <commctrl.h>

#include "app/frmMain.h"
#include "app/frmMenus.h"
#include "common/win32.h"
#include "resource.h"
#include "settings/desktop.h"
#include "settings/modINI.h"
#include "settings/modRegistry.h"
#include "timesync/modNTP.h"

namespace {

// The pages' controls, each page a plain panel at (240, 480) of the dialog; a page shows when
// its tab is selected.
constexpr int kPages[3][6] = {
    {IDC_OPT_LABEL1, IDC_CHK_TOPMOST, IDC_CHK_BLINK, IDC_CHK_WINDOWSIZE, IDC_CHK_FIXWINDOWPOSITION, IDC_CHK_EXITBYDBLCLICK},
    {IDC_OPT_LABEL2, IDC_OPT_FRAME2, IDC_CMB_SERVERS, IDC_CMD_TESTNTP, IDC_CHK_USENTP, IDC_CHK_USENTP2},
    {IDC_OPT_LABEL3, IDC_OPT_FRAME3, IDC_CHK_AUTORUN, IDC_OPT_FRAME4, IDC_CHK_CLEARRECENT, 0},
};
constexpr int kPageLeft = 240, kPageTop = 480;

int visiblePage = 1;

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void Check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

void ShowPage(HWND dialog, int page, bool show) {
    for (int id : kPages[page - 1])
        if (id) ShowWindow(GetDlgItem(dialog, id), show ? SW_SHOW : SW_HIDE);
}

std::string ServerText(HWND dialog) {
    wchar_t text[512] = L"";
    GetDlgItemTextW(dialog, IDC_CMB_SERVERS, text, int(std::size(text)));
    return WideToUtf8(text);
}

void Load(HWND dialog) {
    constexpr int x = kPageLeft, y = kPageTop;
    LayOutDialog(dialog, 5895, 5190,
                 {
                     {IDC_OPT_TAB, 120, 120, 5670, 4605},
                     {IDC_OPT_LABEL1, x + 120, y + 120, 5100, 300},
                     {IDC_CHK_TOPMOST, x + 120, y + 600, 2535, 300},
                     {IDC_CHK_BLINK, x + 120, y + 960, 2535, 300},
                     {IDC_CHK_WINDOWSIZE, x + 120, y + 1320, 2535, 300},
                     {IDC_CHK_FIXWINDOWPOSITION, x + 120, y + 1920, 3495, 300},
                     {IDC_CHK_EXITBYDBLCLICK, x + 120, y + 2280, 3135, 300},
                     {IDC_OPT_LABEL2, x + 120, y + 120, 5100, 660},
                     {IDC_OPT_FRAME2, x + 120, y + 720, 5175, 1215},
                     {IDC_CMB_SERVERS, x + 360, y + 1080, 4695, 300 + 1500},  // the list drops below
                     {IDC_CMD_TESTNTP, x + 360, y + 1440, 2055, 315},
                     {IDC_CHK_USENTP, x + 120, y + 2160, 3375, 300},
                     {IDC_CHK_USENTP2, x + 120, y + 2520, 5175, 315},
                     {IDC_OPT_LABEL3, x + 120, y + 120, 5100, 300},
                     {IDC_OPT_FRAME3, x + 120, y + 480, 5175, 855},
                     {IDC_CHK_AUTORUN, x + 120 + 240, y + 480 + 360, 3615, 300},
                     {IDC_OPT_FRAME4, x + 120, y + 1560, 5175, 855},
                     {IDC_CHK_CLEARRECENT, x + 120 + 240, y + 1560 + 360, 4695, 300},
                     {IDOK, 3060, 4785, 1320, 315},
                     {IDCANCEL, 4485, 4785, 1320, 315},
                 });
    const HWND tab = GetDlgItem(dialog, IDC_OPT_TAB);
    const wchar_t* tabs[] = {L"表示", L"時刻合わせ", L"その他"};
    for (int i = 0; i < 3; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(tabs[i]);
        SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    // The tab strip lies below the pages' controls, so that it never paints over them.
    SetWindowPos(tab, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    visiblePage = 1;
    ShowPage(dialog, 2, false);
    ShowPage(dialog, 3, false);

    const HWND servers = GetDlgItem(dialog, IDC_CMB_SERVERS);
    for (const char* host : kNtpServers) SendMessageW(servers, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(host).c_str()));
    if (!Settings.NTPServer.empty()) SetWindowTextW(servers, Utf8ToWide(Settings.NTPServer).c_str());
    else SendMessageW(servers, CB_SETCURSEL, 0, 0);

    Check(dialog, IDC_CHK_WINDOWSIZE, Settings.WindowSize == 2);
    Check(dialog, IDC_CHK_TOPMOST, Settings.TopMost);
    Check(dialog, IDC_CHK_BLINK, Settings.Blink);
    Check(dialog, IDC_CHK_EXITBYDBLCLICK, Settings.EXITbyDblClick);
    Check(dialog, IDC_CHK_FIXWINDOWPOSITION, Settings.FixWindowPosition);
    Check(dialog, IDC_CHK_USENTP, Settings.UseNTP);
    Check(dialog, IDC_CHK_USENTP2, Settings.UseNTP2);
    Check(dialog, IDC_CHK_CLEARRECENT, Settings.ClearRecent);
    QueryAutoRun();
    Check(dialog, IDC_CHK_AUTORUN, AutoRunRegistered);

    // Still hidden: it shows up in the topmost band.
    if (Settings.TopMost) SetTopMost(dialog);
}

void TabChanged(HWND dialog) {
    const int index = int(SendDlgItemMessageW(dialog, IDC_OPT_TAB, TCM_GETCURSEL, 0, 0)) + 1;
    if (index < 1 || index > 3 || index == visiblePage) return;
    ShowPage(dialog, index, true);
    ShowPage(dialog, visiblePage, false);
    visiblePage = index;
    // The tab strip's body under the old page's controls shows again.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Apply(HWND dialog) {
    Settings.WindowSize = Checked(dialog, IDC_CHK_WINDOWSIZE) ? 2 : 1;
    if (frmMain) {
        // The new face at once; the figures come with the next tick.
        frmMain->picBody.CopyPicture(frmMain->imgBody[Settings.WindowSize - 1]);
        frmMain->FitToFace();
        frmMain->RefreshFace();
    }
    Settings.TopMost = Checked(dialog, IDC_CHK_TOPMOST);
    if (frmMain) (Settings.TopMost ? SetTopMost : ClearTopMost)(frmMain->hwnd());
    Settings.Blink = Checked(dialog, IDC_CHK_BLINK);
    if (frmMenus) {
        frmMenus->SetChecked(mnuTopMost, Settings.TopMost);
        frmMenus->SetChecked(mnuBlink, Settings.Blink);
    }
    Settings.EXITbyDblClick = Checked(dialog, IDC_CHK_EXITBYDBLCLICK);
    Settings.FixWindowPosition = Checked(dialog, IDC_CHK_FIXWINDOWPOSITION);
    Settings.UseNTP = Checked(dialog, IDC_CHK_USENTP);
    Settings.UseNTP2 = Checked(dialog, IDC_CHK_USENTP2);
    Settings.ClearRecent = Checked(dialog, IDC_CHK_CLEARRECENT);
    Settings.NTPServer = ServerText(dialog);
    if (frmMain) SaveSettings();
    if (Checked(dialog, IDC_CHK_AUTORUN)) RegisterAutoRun();
    else UnregisterAutoRun();
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Load(dialog);
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        // Labels and boxes lie on the tab strip's body: they leave its colour showing.
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->idFrom == IDC_OPT_TAB && reinterpret_cast<NMHDR*>(lParam)->code == TCN_SELCHANGE)
            TabChanged(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            Apply(dialog);
            EndDialog(dialog, IDOK);
            break;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            break;
        case IDC_CMD_TESTNTP:
            if (HIWORD(wParam) == BN_CLICKED) SyncSystemTime(true, ServerText(dialog));  // the dialog stays open
            break;
        }
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void ShowOptionDialog() { RunModalDialog(IDD_OPTION, DialogProc, 0); }
