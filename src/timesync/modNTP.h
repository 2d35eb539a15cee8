// The synchronisation: the SNTP exchange on the main window's socket, the reply state, the
// run that sets the clock and reports, and the run after a resume from standby.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "timesync/sntp.h"

class UdpSocket;

// The main window hands the runs its socket (whose events it passes to Winsock1_Event) and its
// handle (the reports put it back on top) when it loads, and takes both back when it goes.
// Without a socket a run ends quietly. The run without a clock hands over its socket only.
void AttachWinsock1(HWND mainWindow, UdpSocket& socket);
void DetachWinsock1();

// The reply state. NTPReplyUTC non-empty means a reply to the request in flight was taken.
extern std::string NTPReplyUTC;
extern std::string NTPReplyLocal;
extern double NTPFractionMs;
extern TenThousandths NTPHoldTime;
extern int16_t NTPStratum, NTPPoll, NTPPrecision;
extern std::string NTPErrorText;

// Sends one request to UDP port 123 of the server; false with NTPErrorText set on failure.
bool SendSntpRequest(const std::string& server);
// Handlers of the socket's events. The socket's window (the clock's, or the one of the run
// without a clock) has them sent as kWinsock1Event (wParam the socket, lParam the WSAAsyncSelect
// reply) and passes that message to Winsock1_Event.
void Winsock1_DataArrival();
void Winsock1_Error(int number, const std::string& description);
void Winsock1_Event(WPARAM socket, LPARAM event);
constexpr UINT kWinsock1Event = WM_APP + 1;

// One complete synchronisation: send, wait up to one second while the window stays alive,
// set the clock, tell every window, report. Failures are always reported; a success only
// when showSuccess is true. True when the clock was set.
bool SyncSystemTime(bool showSuccess, const std::string& server);

// After the computer wakes: waits ResumeDelay (in steps of 50 ms) and synchronises, when
// UseNTP2 is set.
void OnResumeFromStandby();

// Moments of the last run that set the clock (performance counter), for the benchmark.
struct SyncTimings {
    int64_t sentAt = 0, takenAt = 0, setAt = 0;
    int64_t setUnixMs = 0;  // the time handed to SetSystemTime
};
SyncTimings LastSyncTimings();

// True while a run waits, a report is shown or the resume delay runs: an exit must first let
// them unwind. CancelTimeSync makes each of them end quietly at its next turn.
bool TimeSyncBusy();
void CancelTimeSync();
