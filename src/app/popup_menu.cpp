// The pop-up menu and its commands.
#include "app/popup_menu.h"

#include <shellapi.h>

#include "about/about_box_win.h"
#include "common/localized_resource.h"
#include "common/text_encoding.h"
#include "resource.h"
#include "settings/options_dialog.h"
#include "settings/settings_file_win.h"
#include "service/service_setup.h"
#include "timesync/elevation.h"
#include "timesync/run_record_win.h"

bool FrmMenus::Load(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.lpszClassName = L"VelkaroMenus";
    if (!CreateBound(instance, wc, 0, L"Velkaro", WS_OVERLAPPED, 0, 0, 0, 0)) return false;

    ShowLanguage(Language::Japanese);
    return true;
}

void FrmMenus::ShowLanguage(Language language) {
    language_ = language;
    mnuMenus_.reset(LoadLocalizedMenu(language, IDR_POPUP));
    popup_ = GetSubMenu(mnuMenus_.get(), 0);
}

void FrmMenus::Unload() {
    if (hwnd_) DestroyWindow(hwnd_);
}

// At the cursor, or at the given point (the clock's bottom-left corner when the keyboard asks);
// the system keeps the menu on the screen either way.
void FrmMenus::PopupMenu(const POINT* where) {
    POINT at;
    if (where) at = *where;
    else GetCursorPos(&at);
    SetMenuDefaultItem(popup_, IDM_EXIT, FALSE);
    // The owner must be the foreground window for the menu to take keys and to close when
    // the user clicks elsewhere; the empty message afterwards lets it close cleanly.
    const bool clockWasActive = GetForegroundWindow() == frmMain.hwnd();
    SetForegroundWindow(hwnd_);
    TrackPopupMenu(popup_, 0, at.x, at.y, 0, hwnd_, nullptr);
    PostMessageW(hwnd_, WM_NULL, 0, 0);
    // The keys go back to the clock, so its menu keys work again; a command's dialog takes them
    // from there when it opens.
    if (clockWasActive && GetForegroundWindow() == hwnd_) SetForegroundWindow(frmMain.hwnd());
}

void FrmMenus::SetChecked(UINT item, bool checked) {
    CheckMenuItem(popup_, item, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void FrmMenus::mnuExit_Click() { frmMain.EnableExitTimer(); }

void FrmMenus::mnuBlink_Click() {
    Settings.Blink = !Settings.Blink;
    SetChecked(IDM_BLINK, Settings.Blink);
    frmMain.Redraw();
    owner_.StoreSettings();
}

void FrmMenus::mnuNTP_Click() { run_.SyncSystemTime(SyncTrigger::Menu, Settings.NTPServer); }

// Made topmost first when TopMost is set (inside, before it shows); the dialog applies and
// saves its own changes, and nothing follows when it closes.
void FrmMenus::mnuOption_Click() {
    FrmOption(Settings, language_, {[this] { owner_.StoreSettings(); }, [this] { owner_.ApplyAppearance(); },
                         [this](const std::string& server) { run_.SyncSystemTime(SyncTrigger::Test, server); }, TimeServiceRegistered,
                         ProcessMaySetTime,
                         [this](bool install, const std::string& server) {
                             ChangeTimeService(language_, install, server, frmMain.hwnd(), Settings.TopMost, run_.MayElevate());
                         },
                         [this] { return RecordLines(); }, [this] { OpenRecord(); }})
        .Show();
}

FrmOption::RecordLines FrmMenus::RecordLines() const {
    const std::string bytes = ReadRunRecord(run_.RecordPath());
    const std::vector<RecordEntry> entries = ReadRecordEntries(bytes);
    return {LastRunText(language_, entries), DriftText(language_, entries, LocalNow().offsetMinutes), !bytes.empty()};
}

void FrmMenus::OpenRecord() const {
    const std::wstring path = Utf8ToWide(run_.RecordPath());
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_CLASSNAME;  // as a text file, whatever program the system keeps for ".log"
    info.hwnd = GetActiveWindow();
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.lpClass = L".txt";
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&info);  // the system says so itself when nothing opens text files
}

// The clock goes back on top after the box has closed.
void FrmMenus::mnuInfo_Click() { FrmAbout().Show(language_, Settings.TopMost, frmMain.hwnd()); }

void FrmMenus::Form_Unload() {
    mnuMenus_.reset();  // takes the pop-up with it
    popup_ = nullptr;
    owner_.Form_Unload();
}

LRESULT FrmMenus::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) != 0) return 0;
        switch (LOWORD(wParam)) {
        case IDM_EXIT: mnuExit_Click(); break;
        case IDM_BLINK: mnuBlink_Click(); break;
        case IDM_NTP: mnuNTP_Click(); break;
        case IDM_OPTION: mnuOption_Click(); break;
        case IDM_INFO: mnuInfo_Click(); break;
        default: break;
        }
        return 0;
    case WM_CLOSE:
        return 0;  // only ShutdownApp unloads the menu owner
    case WM_NCDESTROY:
        Form_Unload();
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}
