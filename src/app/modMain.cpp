#include "app/modMain.h"

#include <windows.h>

#include "app/frmMain.h"
#include "app/frmMenus.h"
#include "common/win32.h"
#include "common/window.h"
#include "face/modClock.h"
#include "resource.h"
#include "settings/desktop.h"
#include "settings/modINI.h"
#include "settings/placement.h"
#include "settings/settings_rules.h"
#include "timesync/modMsgAPI.h"
#include "timesync/modNTP.h"
#include "timesync/udp_socket.h"

namespace {

FrmMain mainForm;
FrmMenus menuForm;

// True when an earlier copy is alive in this logon session. The handle stays open until the
// process ends, which keeps the name alive for the copies that start later.
bool AnotherCopyRunning() {
    static KernelHandle running;
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\Velkaro.Running");
    const bool another = mutex && GetLastError() == ERROR_ALREADY_EXISTS;
    running.reset(mutex);
    return another;
}

void MoveToStoredPosition(HWND window) {
    const ScreenPoint p = StoredPosition(Settings.XPosR, Settings.YPosR, GetSystemMetrics(SM_CXSCREEN),
                                         GetSystemMetrics(SM_CYSCREEN));
    RECT r;
    GetWindowRect(window, &r);
    const RECT stored{p.x, p.y, p.x + (r.right - r.left), p.y + (r.bottom - r.top)};
    // A place wholly off every monitor (saved on a larger desktop) would leave a clock that
    // can be neither seen nor right-clicked: it keeps the system's place instead.
    if (!MonitorFromRect(&stored, MONITOR_DEFAULTTONULL)) return;
    SetWindowPos(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The socket's window of the run without a clock: message-only, never seen.
class SyncWindow : public Window<SyncWindow> {
public:
    bool Load(HINSTANCE instance) {
        WNDCLASSEXW wc{};
        wc.lpszClassName = L"VelkaroSync";
        if (!CreateBound(instance, wc, 0, L"", 0, 0, 0, 0, 0, HWND_MESSAGE)) return false;
        socket_.Attach(hwnd_, kWinsock1Event);
        AttachWinsock1(nullptr, socket_);
        return true;
    }
    ~SyncWindow() {
        DetachWinsock1();
        if (hwnd_) DestroyWindow(hwnd_);
    }

private:
    friend Window;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != kWinsock1Event) return DefWindowProcW(hwnd_, message, wParam, lParam);
        Winsock1_Event(wParam, lParam);
        return 0;
    }
    UdpSocket socket_;
};

}  // namespace

int SyncMain(const std::string& server) {
    SyncWindow window;
    if (!window.Load(GetModuleHandleW(nullptr))) return 1;
    // The reports come above every window, the clock's (which may be topmost) included. This
    // record is never saved: the run reads and writes no settings.
    Settings.TopMost = true;
    return SyncSystemTime(true, server) ? 0 : 1;
}

bool Main() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const bool anotherCopy = AnotherCopyRunning();
    frmMain = &mainForm;
    frmMenus = &menuForm;
    if (!frmMenus->Load(instance)) return false;
    LoadSettings();
    if (!frmMain->Load(instance)) return false;
    const HWND window = frmMain->hwnd();
    HookWindow(window);

    ApplyAppearance();
    DrawClock(frmMain->face);
    if (Settings.FixWindowPosition && !anotherCopy) MoveToStoredPosition(window);
    ShowWindow(window, SW_SHOW);
    PumpMessages();
    if (Settings.ClearRecent) ClearRecentDocuments();
    if (Settings.UseNTP) SyncSystemTime(false, Settings.NTPServer);
    return true;
}

void ApplyAppearance() {
    if (!frmMain) return;
    const HWND window = frmMain->hwnd();
    frmMain->face.ShowSize(Settings.WindowSize);
    frmMain->face.Refresh();  // the new face at once; the figures come with the next tick
    if (Settings.TopMost) SetTopMost(window);
    else if (IsWindowVisible(window)) ClearTopMost(window);  // a window not yet shown was never in the band
    if (frmMenus) {
        frmMenus->SetChecked(IDM_TOPMOST, Settings.TopMost);
        frmMenus->SetChecked(IDM_BLINK, Settings.Blink);
    }
}

void ShutdownApp() {
    if (!frmMain) return;  // already ended (the session end and the exit timer can both ask)
    frmMain->Winsock1.Close();
    SaveSettings(frmMain->hwnd());
    UnhookWindow(frmMain->hwnd());
    if (frmMenus) frmMenus->Unload();
    frmMain->Unload();
}
