#include "app/frmMenus.h"

#include "about/frmAbout.h"
#include "app/frmMain.h"
#include "settings/desktop.h"
#include "settings/frmOption.h"
#include "settings/modINI.h"
#include "timesync/modNTP.h"

FrmMenus* frmMenus = nullptr;

namespace {
constexpr wchar_t kClassName[] = L"VelkaroMenus";
}

bool FrmMenus::Load(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    hwnd_ = CreateWindowExW(0, kClassName, L"Velkaro", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, instance, this);
    if (!hwnd_) return false;

    popup_ = CreatePopupMenu();
    AppendMenuW(popup_, MF_STRING, mnuExit, L"終了(&X)");
    AppendMenuW(popup_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup_, MF_STRING, mnuBlink, L"点滅(&B)");
    // Shows the always-on-top setting; it is changed in the options dialog only.
    AppendMenuW(popup_, MF_STRING | MF_GRAYED, mnuTopMost, L"常に手前に表示(&T)");
    AppendMenuW(popup_, MF_STRING, mnuNTP, L"時刻合わせ(&N)");
    AppendMenuW(popup_, MF_STRING, mnuOption, L"オプション(&O)...");
    AppendMenuW(popup_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup_, MF_STRING, mnuInfo, L"バージョン情報(&A)");
    mnuMenus_ = CreateMenu();
    AppendMenuW(mnuMenus_, MF_POPUP, reinterpret_cast<UINT_PTR>(popup_), L"ショートカットメニュー");
    return true;
}

void FrmMenus::Unload() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void FrmMenus::PopupMenu() {
    POINT at;
    GetCursorPos(&at);
    SetMenuDefaultItem(popup_, mnuExit, FALSE);
    // The owner must be the foreground window for the menu to take keys and to close when
    // the user clicks elsewhere; the empty message afterwards lets it close cleanly.
    SetForegroundWindow(hwnd_);
    TrackPopupMenu(popup_, 0, at.x, at.y, 0, hwnd_, nullptr);
    PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void FrmMenus::SetChecked(MenuItem item, bool checked) {
    CheckMenuItem(popup_, item, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void FrmMenus::mnuExit_Click() {
    if (frmMain) frmMain->EnableExitTimer();
}

void FrmMenus::mnuBlink_Click() {
    Settings.Blink = !Settings.Blink;
    SetChecked(mnuBlink, Settings.Blink);
    SaveSettings();
}

void FrmMenus::mnuNTP_Click() { SyncSystemTime(true, Settings.NTPServer); }

// Made topmost first when TopMost is set (inside, before it shows); the dialog applies and
// saves its own changes, and nothing follows when it closes.
void FrmMenus::mnuOption_Click() { ShowOptionDialog(); }

// The clock goes back on top after the box has closed.
void FrmMenus::mnuInfo_Click() {
    ShowAboutDialog();
    if (Settings.TopMost && frmMain) SetTopMost(frmMain->hwnd());
}

void FrmMenus::Command(UINT item) {
    switch (item) {
    case mnuExit: mnuExit_Click(); break;
    case mnuBlink: mnuBlink_Click(); break;
    case mnuNTP: mnuNTP_Click(); break;
    case mnuOption: mnuOption_Click(); break;
    case mnuInfo: mnuInfo_Click(); break;
    default: break;
    }
}

LRESULT CALLBACK FrmMenus::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<FrmMenus*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == 0) self->Command(LOWORD(wParam));
        return 0;
    case WM_CLOSE:
        return 0;  // only ShutdownApp unloads the menu owner
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        DestroyMenu(self->mnuMenus_);  // takes the pop-up with it
        self->mnuMenus_ = self->popup_ = nullptr;
        self->hwnd_ = nullptr;
        frmMenus = nullptr;
        if (!frmMain) PostQuitMessage(0);  // no window left
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
