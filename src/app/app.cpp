// The program's start, its two modes and its orderly end.
#include "app/app.h"

#include "common/desktop.h"
#include "common/executable.h"
#include "common/localized_resource.h"
#include "common/message_pump.h"
#include "resource.h"
#include "settings/placement.h"
#include "settings/settings_file_win.h"
#include "service/service_client.h"
#include "service/service_setup.h"
#include "timesync/run_record_win.h"
#include "timesync/sync_command.h"

namespace {

// The monotonic clock of the periodic run: milliseconds since the system started, standby
// included.
int64_t Monotonic() { return int64_t(GetTickCount64()); }

std::string RecordPathBesideExecutable() { return JoinPath(ExeFolderUtf8(), kRecordFileName); }

// True while the pop-up menu's own loop runs, which a run's wait would take the menu's keys from.
bool InMenuLoop() {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    return GetGUIThreadInfo(GetCurrentThreadId(), &gui) && (gui.flags & GUI_INMENUMODE);
}

}  // namespace

// True when an earlier copy is alive in this logon session. The handle stays open until the
// process ends, which keeps the name alive for the copies that start later.
bool App::AnotherCopyRunning() {
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\Velkaro.Running");
    const bool another = mutex && GetLastError() == ERROR_ALREADY_EXISTS;
    running_.reset(mutex);
    return another;
}

void App::MoveToStoredPosition() {
    const HWND window = frmMain.hwnd();
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

void App::SpeakChosenLanguage() {
    language_ = ChooseLanguage(Settings.Language, GetUserDefaultUILanguage());
    SpeakLanguage(language_);
    if (frmMenus.hwnd()) frmMenus.ShowLanguage(language_);  // the check marks are the caller's
    frmMain.face.ShowLanguage(language_);
}

bool App::RefusesToRunElevated() {
    Settings.Language = LoadSettings().Language;  // the clock's language; nothing else is read
    SpeakChosenLanguage();
    if (mayElevate_) return false;
    ResultReports().ShowResultDialog(language_, Words(language_, Text::UnsafeDllSearch), nullptr, true);
    return true;
}

int App::SyncMain(const std::string& server) {
    if (RefusesToRunElevated()) return 1;
    // The reports come above every window, the clock's (which may be topmost) included. This
    // record is never saved: the run reads and writes no settings.
    Settings.TopMost = true;
    run.RecordInto(RecordPathBesideExecutable());
    SocketWindow window;
    if (!window.Load(GetModuleHandleW(nullptr), Winsock1, exchange)) {
        const SyncOutcome failed(SyncOutcome::Kind::Failed, SyncOutcome::Cause::SendFailed);
        run.Record().RecordRun(language_, SyncTrigger::Command, server, failed);
        ResultReports().ShowResultDialog(language_, OutcomeReport(language_, failed, server), nullptr, Settings.TopMost);
        return 1;
    }
    run.Attach(nullptr);
    return run.SyncSystemTime(SyncTrigger::Command, server) ? 0 : 1;
}

int App::InstallServiceMain(const std::string& server) {
    if (RefusesToRunElevated()) return 1;
    if (const DWORD error = InstallTimeService(ApprovedServers(server, kNtpServers), language_)) {
        ResultReports().ShowResultDialog(language_, ServiceChangeFailedReport(language_, true, ServiceErrorText(language_, error)),
                                         nullptr, true);
        return 1;
    }
    return 0;
}

int App::UninstallServiceMain() {
    if (RefusesToRunElevated()) return 1;
    if (const DWORD error = UninstallTimeService()) {
        ResultReports().ShowResultDialog(language_, ServiceChangeFailedReport(language_, false, ServiceErrorText(language_, error)),
                                         nullptr, true);
        return 1;
    }
    return 0;
}

int App::ServiceMain() {
    serviceApp_ = this;
    return RunServiceDispatcher(ServiceEntry) ? 0 : 2;
}

void WINAPI App::ServiceEntry(DWORD, LPWSTR*) { serviceApp_->timeService.ServiceMain(); }

int App::RunClock() {
    if (!Main()) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

bool App::Main() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const bool anotherCopy = AnotherCopyRunning();
    if (!frmMenus.Load(instance)) return false;
    Settings = LoadSettings();
    serverOfTheRules_ = Settings.NTPServer;
    run.RecordInto(RecordPathBesideExecutable());
    run.AfterEachRun([this](SyncTrigger trigger, bool set) { AfterRun(trigger, set); });
    if (!frmMain.Load(instance)) return false;
    const HWND window = frmMain.hwnd();
    Winsock1.Attach(window, kWinsock1Event);
    run.Attach(window, mayElevate_);
    run.RouteThrough([](const std::string& server, bool automatic,
                        const std::function<bool()>& abandoned) -> std::optional<SyncOutcome> {
        if (!UseTimeService()) return std::nullopt;
        return SyncThroughService(server, automatic, abandoned);
    });
    resumeWatch.OnResumeFromStandby = [this] { OnResume(); };
    HookWindow(window, resumeWatch);

    ApplyAppearance();
    if (Settings.FixWindowPosition && !anotherCopy) MoveToStoredPosition();
    ShowWindow(window, SW_SHOW);
    PumpMessages();
    if (Settings.ClearRecent) ClearRecentDocuments();
    // From here on the ticks look for a due periodic run. The start-up run takes the place of an
    // overdue one; without it, the first tick starts that one.
    StartSchedule();
    if (Settings.UseNTP) {
        run.SyncSystemTime(SyncTrigger::StartUp, Settings.NTPServer);
        frmMain.Redraw();  // the ticks planned for a quiet try to come
    }
    return true;
}

void App::StartSchedule() {
    int64_t lastSetAgoMs = 0;  // none recorded: counted from this start
    const LocalMoment now = LocalNow();
    if (const std::optional<int64_t> lastSet =
            LastSetUtcMs(ReadRecordEntries(ReadRunRecord(run.RecordPath())), now.offsetMinutes))
        lastSetAgoMs = now.utcMs - *lastSet;
    schedule_.emplace(Monotonic(), lastSetAgoMs, Settings.ResumeDelay);
    frmMain.Redraw();  // the next tick comes at once and plans for the schedule too
}

void App::AfterRun(SyncTrigger trigger, bool set) {
    if (!schedule_) return;  // a run from the menu before the clock has quite started
    const int64_t now = Monotonic();
    const bool inItsPlace = trigger == SyncTrigger::StartUp || trigger == SyncTrigger::Resume;
    const bool counts = trigger == SyncTrigger::Periodic || (inItsPlace && schedule_->Overdue(now, Settings.NTPInterval));
    schedule_->RunEnded(now, set, counts, Settings.NTPInterval);
}

// A due run waits for any other run, and for the menu to close: the tick a second later looks
// again. While a start-up or resume run waits for its next quiet try, that try comes first and
// the periodic run stays away.
int64_t App::Tick() {
    if (run.Ending()) return FrmMain::kNoTickNeeded;
    const int64_t signalWait = hourSignal_.Tick(frmMain.hwnd());
    if (!schedule_) return signalWait;
    const int64_t now = Monotonic();
    const bool periodicDue = schedule_->Due(now, Settings.NTPInterval);  // asked on every tick: it watches for pauses
    // A try that fell due during a standby waits for the hold after it, as the periodic run does.
    const std::optional<int64_t> retryAt = run.RetryDueAt();
    if (retryAt ? now >= std::max(*retryAt, schedule_->HeldUntil()) : periodicDue) {
        if (run.TimeSyncBusy() || InMenuLoop()) return std::min<int64_t>(1000, signalWait);
        if (retryAt) run.RetrySystemTime(Settings.NTPServer);
        else run.SyncSystemTime(SyncTrigger::Periodic, Settings.NTPServer);
    }
    const std::optional<int64_t> retryNext = run.RetryDueAt();
    const std::optional<int64_t> due =
        retryNext ? std::max(*retryNext, schedule_->HeldUntil()) : schedule_->DueAt(Settings.NTPInterval);
    return std::min(signalWait, due ? std::max<int64_t>(*due - Monotonic(), 0) : FrmMain::kNoTickNeeded);
}

void App::OnResume() {
    frmMain.Redraw();  // the time went on during the standby
    if (Settings.UseNTP2) run.OnResumeFromStandby(Settings.ResumeDelay, Settings.NTPServer, SyncTrigger::Resume);
    else if (schedule_ && schedule_->Overdue(Monotonic(), Settings.NTPInterval))
        run.OnResumeFromStandby(Settings.ResumeDelay, Settings.NTPServer, SyncTrigger::Periodic);
    frmMain.Redraw();  // the ticks planned for a quiet try to come
}

void App::ApplyAppearance() {
    const HWND window = frmMain.hwnd();
    if (!window) return;
    SpeakChosenLanguage();
    frmMain.face.ShowSize(Settings.WindowSize, Settings.ShowSeconds);
    SetWindowAlpha(window, AlphaOfOpacity(Settings.Opacity));
    hourSignal_.Switch(Settings.TimeSignal);
    frmMain.Redraw();  // the new face with its figures at once, the ticks planned for its settings
    if (Settings.TopMost) SetTopMost(window);
    else if (IsWindowVisible(window)) ClearTopMost(window);  // a window not yet shown was never in the band
    frmMenus.SetChecked(IDM_TOPMOST, Settings.TopMost);
    frmMenus.SetChecked(IDM_BLINK, Settings.Blink);
}

void App::StoreSettings() {
    // Another server: what the old one's addresses asked of this PC no longer holds.
    if (Settings.NTPServer != serverOfTheRules_) exchange.Rules().ForgetKisses();
    serverOfTheRules_ = Settings.NTPServer;
    const HWND window = frmMain.hwnd();
    if (!window || SaveSettings(Settings, window) || saveFailureReported_) return;
    saveFailureReported_ = true;
    // Over the dialog that saved (the options' OK), which takes no input meanwhile.
    const HWND active = GetActiveWindow();
    ShowSaveFailure(language_, SettingsFilePath(), active == window || active == frmMenus.hwnd() ? nullptr : active);
}

bool App::ReadyToEnd() {
    if (!run.TimeSyncBusy()) return true;
    run.CancelTimeSync();
    return false;
}

void App::ShutdownApp(bool sessionEnds) {
    const HWND window = frmMain.hwnd();
    if (!window) return;  // already ended (the session end and the exit timer can both ask)
    run.CancelTimeSync();  // no run starts from here on, not even while the settings box is up
    hourSignal_.Stop();
    Winsock1.Close();
    if (sessionEnds) saveFailureReported_ = true;  // a box would hold up the logoff until Windows kills the clock
    StoreSettings();
    UnhookWindow(window);
    frmMenus.Unload();
    frmMain.Unload();
}

void App::Form_Unload() {
    if (frmMain.hwnd()) return;  // the menu owner goes first; the clock window ends the program
    run.Detach();                // runs still on the stack end quietly
    if (!frmMenus.hwnd()) PostQuitMessage(0);
}
