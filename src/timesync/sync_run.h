// The synchronisation run: send, wait, set the clock, report; and the run after a resume.
// The wait lasts up to one second after the last request while the windows stay alive.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "timesync/quiet_retries.h"
#include "timesync/result_dialog.h"
#include "timesync/run_record_win.h"
#include "timesync/sntp_win.h"
#include "timesync/sync_outcome.h"

// Moments of the last run that set the clock (performance counter), for the benchmark.
struct SyncTimings {
    int64_t sentAt = 0, takenAt = 0, setAt = 0;
    int64_t setUnixMs = 0;  // the time handed to SetSystemTime
};

// The way of a process that may not set the time itself (the time service's client): the
// outcome of the run it made, or nullopt when this process sets the time itself. `automatic`: the
// rules of sending hold the run. Once `abandoned` says so, a run ends quietly.
using ServiceRoute = std::function<std::optional<SyncOutcome>(const std::string& server, bool automatic,
                                                              const std::function<bool()>& abandoned)>;

// The local time that many milliseconds from now (when a server's rest ends).
CivilTime LocalTimeIn(int64_t milliseconds);

class SyncRun {
public:
    // The run exchanges through `exchange`; its reports (and its record's lines) are in
    // `language` and come in the topmost band while topMost (the TopMost setting), each read at
    // each report.
    SyncRun(SntpExchange& exchange, const bool& topMost, const Language& language)
        : exchange_(exchange), topMost_(topMost), language_(language) {}
    SyncRun(const SyncRun&) = delete;
    SyncRun& operator=(const SyncRun&) = delete;

    // Runs may start once the socket's window is there: the clock's (whose handle the reports
    // put back on top, and which may offer the run as administrator) or none (the /sync run).
    // Detach closes the socket; a run still waiting then ends quietly.
    // A clock offers the run as administrator only where that is safe (mayElevate).
    void Attach(HWND mainWindow, bool mayElevate = false);
    bool MayElevate() const { return mayElevate_; }
    void Detach();

    // One complete synchronisation: ask the name's addresses, wait up to a second after the last
    // request while the windows stay alive,
    // set the clock, tell every window, record, report (as much as the trigger reports). True
    // when the clock was set. A clock whose route takes the run (see RouteThrough) has the time
    // service run it.
    // A start-up or resume run that the network failed is tried again quietly (see QuietRetries):
    // only its last try is recorded and reported; a run the user starts ends those tries.
    bool SyncSystemTime(SyncTrigger trigger, const std::string& server);
    // When the quiet try that waits is due (GetTickCount64 milliseconds), and that try, now.
    std::optional<int64_t> RetryDueAt() const { return retries_.DueAt(); }
    bool RetrySystemTime(const std::string& server);
    // Every run that ends (not abandoned) appends its line to the record at this path (none by
    // default), and then tells the function given here whether it set the time.
    void RecordInto(std::string path) { record_.SetPath(std::move(path)); }
    const std::string& RecordPath() const { return record_.Path(); }
    RunRecordFile& Record() { return record_; }
    void AfterEachRun(std::function<void(SyncTrigger trigger, bool set)> tell) { afterRun_ = std::move(tell); }
    // The clock's runs ask the route first (none by default: every run sets the time here).
    void RouteThrough(ServiceRoute route) { route_ = std::move(route); }
    // The exchange and, with a usable reply, the time set; nothing reported, nobody told. What
    // the time service runs for a client, and the clock for itself. A step larger than
    // maxStepMs either way is not taken (TooLarge, with no report: the caller words it). The name
    // is looked up first, the windows served meanwhile; an automatic run asks only the addresses
    // that the rules of sending let it ask (Held or Skipped when there are none).
    SyncOutcome ExchangeAndSet(const std::string& server, int64_t maxStepMs = std::numeric_limits<int64_t>::max(),
                               bool automatic = false);

    // After the computer wakes: waits resumeDelay (in steps of 50 ms), then synchronises with
    // the server as it is when the wait is over.
    void OnResumeFromStandby(int32_t resumeDelay, const std::string& server, SyncTrigger trigger);

    SyncTimings LastSyncTimings() const { return lastTimings_; }

    // True while a run waits, a report is shown or the resume delay runs: an exit must first let
    // them unwind. CancelTimeSync makes each of them end quietly at its next turn.
    bool TimeSyncBusy() const { return busy_ > 0; }
    void CancelTimeSync();
    // The program's end has begun (CancelTimeSync): no run starts any more.
    bool Ending() const { return cancelled_; }

private:
    bool Abandoned() const { return cancelled_ || !attached_; }
    bool Try(SyncTrigger trigger, const std::string& server);
    // The addresses of the server's name, the windows served while the name service answers;
    // none when abandoned meanwhile.
    std::optional<std::vector<SocketAddress>> LookUp(const std::string& server);
    bool Report(const std::string& text, bool offerElevation = false);
    void ReportOutcome(const SyncOutcome& outcome, const std::string& server);
    // A report that offers the run as administrator, where a clock may offer it.
    void ReportOfferingElevation(const std::string& text, const std::string& server);

    SntpExchange& exchange_;
    const bool& topMost_;
    const Language& language_;
    ServiceRoute route_;
    RunRecordFile record_;
    std::function<void(SyncTrigger, bool)> afterRun_;
    ResultReports reports_;
    QuietRetries retries_;
    HWND mainWindow_ = nullptr;
    bool attached_ = false;
    bool mayElevate_ = false;
    SyncTimings lastTimings_;
    int busy_ = 0;           // runs waiting, reports shown, resume delays running
    bool cancelled_ = false;  // the program is ending: everything on the stack unwinds quietly
};
