// The program's one owner: settings, windows, socket and run; its start and its orderly end.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "app/main_window.h"
#include "app/popup_menu.h"
#include "common/handles.h"
#include "service/service_host.h"
#include "settings/settings_file.h"
#include "signal/time_signal_win.h"
#include "timesync/power_watch.h"
#include "timesync/sntp_win.h"
#include "timesync/sync_run.h"
#include "timesync/udp_socket.h"

class App final : FrmMain::Owner, FrmMenus::Owner {
public:
    // mayElevate: the DLL search leaves out the program's folder, so elevated runs are safe.
    explicit App(bool mayElevate) : mayElevate_(mayElevate) {}
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // The clock: builds the windows, loads the settings, shows the clock, runs the start tasks
    // and then the message loop. The exit code: 0, or 1 when the windows could not be made.
    int RunClock();
    // The run that a clock without the right to set the time starts elevated: one
    // synchronisation against the server with every report, and no clock. The exit code: 0 when
    // the time was set, 1 after a failure report.
    int SyncMain(const std::string& server);
    // The time service's command lines, run elevated: 0, or 1 after the failure's report.
    int InstallServiceMain(const std::string& server);
    int UninstallServiceMain();
    // The time service itself: 0 once it has stopped, 2 when the service manager did not start
    // this process.
    int ServiceMain();

private:
    bool Main();
    // The language of the settings file beside the executable (or Windows'), for every text from
    // now on; the clock's menu and face take it too.
    void SpeakChosenLanguage();
    // The elevated modes' start: the language of the settings file beside the executable, and,
    // where elevated runs are not safe, the report that says so (the mode then ends with 1).
    bool RefusesToRunElevated();
    // The face size, the topmost band and the menu's check marks, from Settings: at start-up
    // and after the options dialog's OK.
    void ApplyAppearance() override;
    // Writes the settings file; the first write of a run that fails is reported, no later one.
    void StoreSettings() override;
    // Saves the settings and unloads both windows; reached only through the exit timer (and
    // when Windows ends the session).
    void ShutdownApp(bool sessionEnds) override;
    bool ReadyToEnd() override;
    void PopupMenu(const POINT* at) override { frmMenus.PopupMenu(at); }
    void Winsock1_Event(WPARAM socket, LPARAM event) override { exchange.Winsock1_Event(socket, event); }
    void Form_Unload() override;  // of either window
    // The periodic run, when it is due and no other run waits; the wait until the next one is due.
    int64_t Tick() override;
    // The schedule from the record's last run that set the time (none until the clock has
    // started), and the runs that move it.
    void StartSchedule();
    void AfterRun(SyncTrigger trigger, bool set);
    // The run after a resume: the resume run when asked for, else the periodic run if it is due.
    void OnResume();
    bool AnotherCopyRunning();
    void MoveToStoredPosition();

    SettingsRecord Settings;
    // The language the program speaks: the setting's, or Windows' (see ChooseLanguage).
    Language language_ = Language::Japanese;
    UdpSocket Winsock1;
    SntpExchange exchange{Winsock1};
    SyncRun run{exchange, Settings.TopMost, language_};
    ResumeWatch resumeWatch;
    FrmMain frmMain{*this, Settings};
    FrmMenus frmMenus{*this, Settings, frmMain, run};
    KernelHandle running_;  // the mutex that tells later copies that this one runs
    bool saveFailureReported_ = false;
    const bool mayElevate_;
    std::optional<PeriodicSchedule> schedule_;
    std::string serverOfTheRules_;  // the server setting the rules of sending were kept for
    TimeService timeService{run, Winsock1, exchange};
    HourSignal hourSignal_{Winmm(), [this] { run.Record().RecordNotice(Text::NoSoundDevice); }};

    // The service manager calls the service's main without any context: the app that asked for
    // it is kept here meanwhile.
    static void WINAPI ServiceEntry(DWORD, LPWSTR*);
    static inline App* serviceApp_ = nullptr;
};
