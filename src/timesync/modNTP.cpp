#include "timesync/modNTP.h"

#include <random>
#include <vector>

#include "common/win32.h"
#include "settings/settings_rules.h"
#include "timesync/elevation.h"
#include "timesync/frmDialog.h"
#include "timesync/modMsgAPI.h"
#include "timesync/sync_command.h"
#include "timesync/udp_socket.h"

std::string NTPReplyUTC;
std::string NTPReplyLocal;
double NTPFractionMs = 0;
TenThousandths NTPHoldTime = 0;
int16_t NTPStratum = 0, NTPPoll = 0, NTPPrecision = 0;
std::string NTPErrorText;

namespace {

constexpr double kReplyTimeoutMs = 1000;

// The main window's socket and handle, while the window is there.
UdpSocket* winsock1 = nullptr;
HWND mainWindow = nullptr;

// The request in flight (the last one sent), and what its reply left beyond the classic state.
// A run keeps the moment of its own request: a run started inside its wait sends another.
struct Exchange {
    std::string server;
    uint64_t transmitValue = 0;
    int64_t sentAt = 0;   // performance counter just before the send
    int64_t takenAt = 0;  // when the reply datagram was taken from the socket
    SntpReply reply{};
};
Exchange exchange;

SyncTimings lastTimings;
int busy = 0;          // runs waiting, reports shown, resume delays running
bool cancelled = false;  // the program is ending: everything on the stack unwinds quietly

struct BusyScope {
    BusyScope() { ++busy; }
    ~BusyScope() { --busy; }
};

bool Abandoned() { return cancelled || !winsock1; }

uint64_t RandomRequestValue() {
    static std::random_device device;
    return uint64_t(device()) << 32 | device();
}

void CloseSocket() {
    if (winsock1) winsock1->Close();
}

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

// True when the user asked to synchronise as administrator (only offered with offerElevation).
bool Report(const std::string& text, bool offerElevation = false) {
    return !Abandoned() && ShowResultDialog(text, mainWindow, offerElevation);
}

// The clock was not allowed to set the time. A clock the system started with a limited token
// offers to run the synchronisation again elevated, as a process of its own; a run without the
// clock (that very process) never does, so nothing can loop.
void ReportPermission(const std::string& server) {
    const bool offer = mainWindow && IsSyncServer(server) && !ProcessIsElevated();
    if (Report(PermissionReport(), offer) && StartElevatedSync(mainWindow, server) == ElevatedStart::Failed)
        Report(ElevationFailedReport());
}

}  // namespace

void AttachWinsock1(HWND window, UdpSocket& socket) {
    mainWindow = window;
    winsock1 = &socket;
}

void DetachWinsock1() {
    CloseSocket();
    winsock1 = nullptr;
    mainWindow = nullptr;
}

bool SendSntpRequest(const std::string& server) {
    const SntpPacket request = BuildRequest(exchange.transmitValue = RandomRequestValue());
    exchange.server = server;
    if (winsock1 && winsock1->Open(server, kSntpPort)) {
        exchange.sentAt = PerformanceNow();
        if (winsock1->Send(request)) return true;
    }
    NTPErrorText = SendFailedReport(server);
    return false;
}

void Winsock1_DataArrival() {
    std::vector<uint8_t> datagram;
    if (!winsock1 || winsock1->Take(datagram) != UdpSocket::Received::Datagram) return;
    const int64_t takenAt = PerformanceNow();
    const ExaminedReply examined =
        ExamineReply(datagram, exchange.transmitValue, MillisecondsSince(exchange.sentAt, takenAt));
    switch (examined.verdict) {
    case ReplyVerdict::Ignore:
        return;  // not the answer to this request: keep waiting for it
    case ReplyVerdict::NoUsableTime:
        CloseSocket();
        NTPErrorText = NoUsableTimeReport(exchange.server);
        return;
    case ReplyVerdict::Accept:
        break;
    }
    const SntpReply& r = examined.reply;
    exchange.reply = r;
    exchange.takenAt = takenAt;
    NTPStratum = r.stratum;
    NTPPoll = r.poll;
    NTPPrecision = r.precision;
    NTPHoldTime = r.hold;
    NTPFractionMs = FractionMs(r);
    NTPReplyUTC = FormatReplyTime(CivilFromUnixMs(r.transmitUnixSeconds * 1000));
    NTPReplyLocal = FormatReplyTime(CivilFromUnixMs((r.transmitUnixSeconds + 9 * 3600) * 1000));
    CloseSocket();  // only the first reply to a request is taken
}

void Winsock1_Error(int number, const std::string& description) {
    CloseSocket();
    NTPErrorText = SocketErrorReport(number, description);
}

void Winsock1_Event(WPARAM socket, LPARAM event) {
    if (!winsock1 || !winsock1->Owns(socket)) return;  // an event of a socket closed since
    if (const int error = WSAGETSELECTERROR(event)) Winsock1_Error(error, SocketErrorDescription(error));
    else if (WSAGETSELECTEVENT(event) == FD_READ) Winsock1_DataArrival();
}

bool SyncSystemTime(bool showSuccess, const std::string& server) {
    BusyScope scope;
    NTPReplyUTC.clear();  // a reply to an earlier request never sets the clock
    NTPErrorText.clear();
    if (!SendSntpRequest(server)) {
        const std::string text = std::move(NTPErrorText);
        NTPErrorText.clear();
        Report(text);
        return false;
    }
    const int64_t sentAt = exchange.sentAt;  // this run's own request, whatever runs inside its wait send

    // The wait: every pending message is processed on each turn, then the thread sleeps
    // until the next message or the end of the second, so the face ticks and the window
    // answers the mouse without the wait burning the processor.
    for (;;) {
        PumpMessages();
        if (Abandoned()) {
            CloseSocket();
            return false;
        }
        if (!NTPReplyUTC.empty()) break;
        if (!NTPErrorText.empty()) {  // a socket error, or a reply without a usable time
            const std::string text = std::move(NTPErrorText);
            NTPErrorText.clear();
            Report(text);
            return false;
        }
        const double elapsed = MillisecondsSince(sentAt);
        if (elapsed > kReplyTimeoutMs) {
            CloseSocket();  // a late reply must not be taken by a later run
            Report(TimeoutReport(server));
            return false;
        }
        WaitForMessages(kReplyTimeoutMs - elapsed + 1);
    }

    // The reply is to this run's request: any run started inside the wait cleared what it took.
    const SntpReply reply = exchange.reply;
    const double elapsed = MillisecondsSince(sentAt, exchange.takenAt);
    // The time that passed since the reply was taken (message processing, this arithmetic)
    // is added too, so that the clock is set to the server's time of this very moment.
    // The system time takes whole milliseconds: the call waits (less than one) for the moment
    // at which the time to set is a whole millisecond, instead of rounding it by up to half.
    const int64_t takenAt = exchange.takenAt, waitFrom = PerformanceNow();
    const double wait = MillisecondsToWholeMillisecond(reply, elapsed, MillisecondsSince(takenAt, waitFrom));
    int64_t setAt;
    do setAt = PerformanceNow();
    while (MillisecondsSince(waitFrom, setAt) < wait);
    const int64_t setUnixMs = TimeToSetUnixMs(reply, elapsed, MillisecondsSince(takenAt, setAt));
    const SYSTEMTIME st = ToSystemTime(CivilFromUnixMs(setUnixMs));
    lastTimings = {sentAt, takenAt, setAt, setUnixMs};
    if (!SetSystemTime(&st)) {
        NTPReplyUTC.clear();
        ReportPermission(server);
        return false;
    }
    BroadcastTimeChange();
    if (showSuccess) Report(SuccessReport(server, reply, elapsed));
    NTPReplyUTC.clear();
    return true;
}

void OnResumeFromStandby() {
    if (!Settings.UseNTP2) return;
    BusyScope scope;
    // (ResumeDelay div 50 + 1) steps of 50 ms, serving the window all the while.
    const double delay = (Settings.ResumeDelay / 50 + 1) * 50.0;
    const int64_t start = PerformanceNow();
    for (double waited = 0; waited < delay; waited = MillisecondsSince(start)) {
        WaitForMessages(delay - waited);
        PumpMessages();
        if (Abandoned()) return;
    }
    SyncSystemTime(false, Settings.NTPServer);
}

SyncTimings LastSyncTimings() { return lastTimings; }

bool TimeSyncBusy() { return busy > 0; }

void CancelTimeSync() {
    cancelled = true;
    CloseSocket();
    CloseResultDialog();
}
