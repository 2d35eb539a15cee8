// The run: send, wait, set, tell every window, report; the resume run; the end of every run.
#include "timesync/sync_run.h"

#include <cstdlib>

#include "common/message_pump.h"
#include "timesync/elevation.h"
#include "timesync/name_lookup.h"
#include "timesync/sync_command.h"

namespace {

// The exchange serves the round until the run is over, however it ends.
struct RoundScope {
    RoundScope(SntpExchange& exchange, const AddressRound& round) : exchange_(exchange), round_(round) {}
    ~RoundScope() { exchange_.Release(round_); }
    RoundScope(const RoundScope&) = delete;
    RoundScope& operator=(const RoundScope&) = delete;

private:
    SntpExchange& exchange_;
    const AddressRound& round_;
};

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

CivilTime LocalTimeIn(int64_t milliseconds) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER then{{now.dwLowDateTime, now.dwHighDateTime}};
    then.QuadPart += uint64_t(milliseconds) * 10000;
    const FILETIME utc{then.LowPart, then.HighPart};
    SYSTEMTIME st, local;
    if (!FileTimeToSystemTime(&utc, &st) || !SystemTimeToTzSpecificLocalTime(nullptr, &st, &local)) return {};
    return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond, 0};
}

void SyncRun::Attach(HWND mainWindow, bool mayElevate) {
    mainWindow_ = mainWindow;
    mayElevate_ = mayElevate;
    attached_ = true;
}

void SyncRun::Detach() {
    exchange_.Close();
    attached_ = false;
    mainWindow_ = nullptr;
}

// True when the user asked to synchronise as administrator (only ever with offerElevation).
bool SyncRun::Report(const std::string& text, bool offerElevation) {
    return !Abandoned() && reports_.ShowResultDialog(language_, text, mainWindow_, topMost_, offerElevation);
}

// The clock was not allowed to set the time, or the time service would not. A clock the
// system started with a limited token offers to run the synchronisation again elevated, as a
// process of its own; a run without the clock (that very process) never does, so nothing can
// loop. The elevated run starts only when it was offered, whatever the report answers.
// The network's failures and replies without a usable time are reported as they are; a refused
// time and the service's refusals may offer the run as administrator.
void SyncRun::ReportOutcome(const SyncOutcome& outcome, const std::string& server) {
    using Kind = SyncOutcome::Kind;
    const std::string text = OutcomeReport(language_, outcome, server);
    const bool theServers = outcome.kind == Kind::Failed || outcome.kind == Kind::NoUsableTime ||
                            outcome.kind == Kind::Denied || outcome.kind == Kind::RateLimited;
    if (theServers) Report(text);
    else ReportOfferingElevation(text, server);
}

void SyncRun::ReportOfferingElevation(const std::string& text, const std::string& server) {
    const bool offer = mainWindow_ && mayElevate_ && IsSyncServer(server) && !ProcessIsElevated();
    if (Report(text, offer) && offer && StartElevatedSync(mainWindow_, server) == ElevatedStart::Failed)
        Report(FailureReport(language_, Text::RunAsAdministratorFailed));
}

bool SyncRun::SyncSystemTime(SyncTrigger trigger, const std::string& server) {
    retries_.Begin(trigger);
    return Try(trigger, server);
}

bool SyncRun::RetrySystemTime(const std::string& server) {
    const std::optional<SyncTrigger> trigger = retries_.Take();
    return trigger && Try(*trigger, server);
}

bool SyncRun::Try(SyncTrigger trigger, const std::string& server) {
    if (Abandoned()) return false;  // the program is ending: nothing more is sent
    const BusyScope scope(busy_);
    using Kind = SyncOutcome::Kind;
    const bool automatic = IsAutomatic(trigger);
    std::optional<SyncOutcome> routed;
    if (mainWindow_ && route_) routed = route_(server, automatic, [this] { return Abandoned(); });
    SyncOutcome outcome =
        routed ? std::move(*routed) : ExchangeAndSet(server, std::numeric_limits<int64_t>::max(), automatic);
    const int64_t now = SntpExchange::RulesNow();
    if (outcome.kind == Kind::Abandoned) return false;
    // Nothing was sent: the try waits, quietly, for the moment the rules let it ask.
    if (outcome.kind == Kind::Held) {
        if (!Abandoned()) retries_.Hold(trigger, now + outcome.waitMs);
        return false;
    }
    if (retries_.TryAgain(trigger, outcome, now)) return false;
    // Every address refused long ago, which was reported then: the schedule goes on, nothing else.
    if (outcome.kind == Kind::Skipped) {
        if (afterRun_) afterRun_(trigger, false);
        return false;
    }
    if (outcome.kind == Kind::RateLimited) outcome.restEnds = LocalTimeIn(outcome.waitMs);
    const bool set = outcome.kind == Kind::Set;
    if (set) BroadcastTimeChange();
    // Recorded before any report: an elevated run that the report starts writes its line after.
    record_.RecordRun(language_, trigger, server, outcome);
    if (afterRun_) afterRun_(trigger, set);
    if (set) {
        if (ReportsSuccess(trigger)) Report(SuccessReport(language_, server, outcome.reply, outcome.elapsedMs));
    } else if (ReportsFailure(trigger)) {
        ReportOutcome(outcome, server);
    }
    return set;
}

std::optional<std::vector<SocketAddress>> SyncRun::LookUp(const std::string& server) {
    const std::string host = HostForLookup(server);
    if (host.empty() || !exchange_.StartWinsock()) return std::vector<SocketAddress>{};
    const NameLookup lookup(host, kSntpPort);
    switch (WaitServingWindows(lookup.Event(), kLookupLimitMs, [this] { return Abandoned(); })) {
    case WaitEnd::Signalled: return lookup.Addresses();
    case WaitEnd::TimedOut: return std::vector<SocketAddress>{};  // as a name that is not found
    case WaitEnd::Abandoned: break;
    }
    return std::nullopt;
}

SyncOutcome SyncRun::ExchangeAndSet(const std::string& server, int64_t maxStepMs, bool automatic) {
    using Kind = SyncOutcome::Kind;
    AddressRound round;
    exchange_.Begin(round);
    const RoundScope scope(exchange_, round);
    std::optional<std::vector<SocketAddress>> addresses = LookUp(server);
    // Ended meanwhile, or a run started during the look-up took the exchange (and reports).
    if (!addresses || !exchange_.SendSntpRequest(server, std::move(*addresses), round, automatic))
        return SyncOutcome(Kind::Abandoned);

    // The wait: the next address is asked when it is due, every pending message is processed on
    // each turn, then the thread sleeps until the next message or the round's next moment, so
    // the face ticks and the window answers the mouse without the wait burning the processor.
    for (;;) {
        exchange_.Advance(round);
        PumpMessages();
        if (Abandoned()) return SyncOutcome(Kind::Abandoned);
        const double now = PerformanceMs();
        if (round.Over(now)) break;
        WaitForMessages(round.NextMomentMs() - now + 1);
    }
    if (!round.reply()) return round.Failed(automatic, SntpExchange::RulesNow());

    // The reply is to this run's request: any run started inside the wait took what it got.
    const SntpReply reply = round.reply()->reply;
    const int64_t sentAt = round.reply()->sentAt, takenAt = round.reply()->takenAt;
    const double elapsed = round.reply()->elapsedMs;
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
    retries_.Cancel();
    exchange_.Close();
    reports_.CloseResultDialog();
}
