// The time service itself: the service manager's side, and the pipe it serves one request at a time.
#pragma once
#include <windows.h>

#include "timesync/sntp_win.h"
#include "timesync/sync_run.h"
#include "timesync/udp_socket.h"

class TimeService {
public:
    // The service's runs go through `run`, which exchanges on `socket` through `exchange`, the
    // same exchange, checks and setting of the clock as the clock's own runs.
    TimeService(SyncRun& run, UdpSocket& socket, SntpExchange& exchange) : run_(run), socket_(socket), exchange_(exchange) {}
    TimeService(const TimeService&) = delete;
    TimeService& operator=(const TimeService&) = delete;

    // The service's main (the service manager's thread calls it): reports the service running,
    // serves the pipe until the service is stopped or 60 s have passed since the last request,
    // and reports it stopped.
    void ServiceMain();

private:
    static DWORD WINAPI Control(DWORD control, DWORD, void*, void* self) noexcept;
    void ReportStatus(DWORD state, DWORD exitCode = NO_ERROR);
    bool AwaitClient(HANDLE pipe, HANDLE connected, double idleMs);
    void Serve(HANDLE pipe);
    bool Answer(HANDLE pipe);

    SyncRun& run_;
    UdpSocket& socket_;
    SntpExchange& exchange_;
    SERVICE_STATUS_HANDLE status_ = nullptr;
    HANDLE stop_ = nullptr;  // set by the service manager's stop
};

// Hands this thread to the service manager, which calls `serviceMain` on a thread of its own
// and returns once the service has stopped. False when the process was not started by the
// service manager.
bool RunServiceDispatcher(LPSERVICE_MAIN_FUNCTIONW serviceMain);
