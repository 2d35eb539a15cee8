// The run: send, wait, set, tell every window, report; the resume run; the end of every run.
#include "timesync/sync_run.h"

#include <cstdlib>

#include "common/message_pump.h"
#include "timesync/elevation.h"
#include "timesync/run_record_win.h"
#include "timesync/sync_command.h"

namespace {

constexpr double kReplyTimeoutMs = 1000;

struct BusyScope {
    explicit BusyScope(int& busy) : busy_(busy) { ++busy_; }
    ~BusyScope() { --busy_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    int& busy_;
};

SYSTEMTIME ToSystemTime(const CivilTime& t) {
    SYSTEMTIME st{};
    // Years outside 1601..30827 cannot be set; such a value makes SetSystemTime refuse.
    st.wYear = WORD(t.year < 1 || t.year > 65535 ? 0 : t.year);
    st.wMonth = WORD(t.month);
    st.wDay = WORD(t.day);
    st.wHour = WORD(t.hour);
    st.wMinute = WORD(t.minute);
    st.wSecond = WORD(t.second);
    st.wMilliseconds = WORD(t.millisecond);
    return st;
}

// The system's time now, in milliseconds since 1970.
int64_t SystemUnixMs() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    constexpr int64_t kFrom1601To1970 = 11644473600000;  // milliseconds
    return int64_t((uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime) / 10000) - kFrom1601To1970;
}

void BroadcastTimeChange() {
    // Every top-level window is told; one that hangs is given up on after a short while
    // instead of holding up the clock.
    DWORD_PTR ignored;
    SendMessageTimeoutW(HWND_BROADCAST, WM_TIMECHANGE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, 200, &ignored);
}

}  // namespace

void SyncRun::Attach(HWND mainWindow) {
    mainWindow_ = mainWindow;
    attached_ = true;
}

void SyncRun::Detach() {
    exchange_.Close();
    attached_ = false;
    mainWindow_ = nullptr;
}

// True when the user asked to synchronise as administrator (only ever with offerElevation).
bool SyncRun::Report(const std::string& text, bool offerElevation) {
    return !Abandoned() && reports_.ShowResultDialog(text, mainWindow_, topMost_, offerElevation);
}

// The clock was not allowed to set the time, or the time service would not. A clock the
// system started with a limited token offers to run the synchronisation again elevated, as a
// process of its own; a run without the clock (that very process) never does, so nothing can
// loop. The elevated run starts only when it was offered, whatever the report answers.
void SyncRun::ReportOfferingElevation(const std::string& text, const std::string& server) {
    const bool offer = mainWindow_ && IsSyncServer(server) && !ProcessIsElevated();
    if (Report(text, offer) && offer && StartElevatedSync(mainWindow_, server) == ElevatedStart::Failed)
        Report(ElevationFailedReport());
}

bool SyncRun::SyncSystemTime(SyncTrigger trigger, const std::string& server) {
    const BusyScope scope(busy_);
    using Kind = SyncOutcome::Kind;
    std::optional<SyncOutcome> routed;
    if (mainWindow_ && route_) routed = route_(server, [this] { return Abandoned(); });
    SyncOutcome outcome = routed ? std::move(*routed) : ExchangeAndSet(server);
    if (outcome.kind == Kind::Abandoned) return false;
    const bool set = outcome.kind == Kind::Set;
    if (set) BroadcastTimeChange();
    if (outcome.kind == Kind::Refused) outcome.report = PermissionReport();
    // Recorded before any report: an elevated run that the report starts writes its line after.
    if (!recordPath_.empty()) RecordRun(recordPath_, trigger, server, outcome);
    if (afterRun_) afterRun_(trigger, set);
    if (set) {
        if (ReportsSuccess(trigger)) Report(SuccessReport(server, outcome.reply, outcome.elapsedMs));
    } else if (ReportsFailure(trigger)) {
        if (outcome.kind == Kind::Failed) Report(outcome.report);
        else ReportOfferingElevation(outcome.report, server);
    }
    return set;
}

SyncOutcome SyncRun::ExchangeAndSet(const std::string& server, int64_t maxStepMs) {
    using Kind = SyncOutcome::Kind;
    if (!exchange_.SendSntpRequest(server)) {
        exchange_.Forget();
        return SyncOutcome(Kind::Failed, exchange_.errorText());  // a copy: a run inside the report may send again
    }
    const int64_t sentAt = exchange_.sentAt();  // this run's own request, whatever runs inside its wait send

    // The wait: every pending message is processed on each turn, then the thread sleeps
    // until the next message or the end of the second, so the face ticks and the window
    // answers the mouse without the wait burning the processor.
    for (;;) {
        PumpMessages();
        if (Abandoned()) {
            exchange_.Close();
            return SyncOutcome(Kind::Abandoned);
        }
        if (exchange_.outcome() == SntpExchange::Outcome::Reply) break;
        if (exchange_.outcome() == SntpExchange::Outcome::Failed) {  // a socket error, or a reply without a usable time
            exchange_.Forget();
            return SyncOutcome(Kind::Failed, exchange_.errorText());
        }
        const double elapsed = MillisecondsSince(sentAt);
        if (elapsed > kReplyTimeoutMs) {
            exchange_.Close();  // a late reply must not be taken by a later run
            return SyncOutcome(Kind::Failed, TimeoutReport(server));
        }
        WaitForMessages(kReplyTimeoutMs - elapsed + 1);
    }

    // The reply is to this run's request: any run started inside the wait took what it got.
    exchange_.Forget();
    const SntpReply reply = exchange_.reply();
    const int64_t takenAt = exchange_.takenAt();
    const double elapsed = MillisecondsSince(sentAt, takenAt);
    // The time that passed since the reply was taken (message processing, this arithmetic)
    // is added too, so that the clock is set to the server's time of this very moment.
    // The system time takes whole milliseconds: the call waits (less than one) for the moment
    // at which the time to set is a whole millisecond, instead of rounding it by up to half.
    const int64_t waitFrom = PerformanceNow();
    const double wait = MillisecondsToWholeMillisecond(reply, elapsed, MillisecondsSince(takenAt, waitFrom));
    int64_t setAt;
    do setAt = PerformanceNow();
    while (MillisecondsSince(waitFrom, setAt) < wait);
    const int64_t setUnixMs = TimeToSetUnixMs(reply, elapsed, MillisecondsSince(takenAt, setAt));
    const SYSTEMTIME st = ToSystemTime(CivilFromUnixMs(setUnixMs));
    lastTimings_ = {sentAt, takenAt, setAt, setUnixMs};
    const int64_t correctionMs = setUnixMs - SystemUnixMs();
    if (std::abs(correctionMs) > maxStepMs) return SyncOutcome(Kind::TooLarge);
    if (!SetSystemTime(&st)) return SyncOutcome(Kind::Refused);
    SyncOutcome set(Kind::Set);
    set.reply = reply;
    set.elapsedMs = elapsed;
    set.correctionMs = correctionMs;
    return set;
}

void SyncRun::OnResumeFromStandby(int32_t resumeDelay, const std::string& server, SyncTrigger trigger) {
    const BusyScope scope(busy_);
    // (ResumeDelay div 50 + 1) steps of 50 ms, serving the window all the while.
    const double delay = (resumeDelay / 50 + 1) * 50.0;
    const int64_t start = PerformanceNow();
    for (double waited = 0; waited < delay; waited = MillisecondsSince(start)) {
        WaitForMessages(delay - waited);
        PumpMessages();
        if (Abandoned()) return;
    }
    SyncSystemTime(trigger, server);
}

void SyncRun::CancelTimeSync() {
    cancelled_ = true;
    exchange_.Close();
    reports_.CloseResultDialog();
}
