// The time service: its status for the service manager, and the pipe, served one request at a time.
#include "service/service_host.h"

#include <sddl.h>

#include "common/handles.h"
#include "common/message_pump.h"
#include "service/service_pipe.h"
#include "service/service_setup.h"
#include "service/time_service.h"

namespace {

// Nothing for Everyone, anonymous or network logons; a local interactive user may read and
// write messages (FILE_GENERIC_READ, FILE_WRITE_DATA, FILE_WRITE_ATTRIBUTES for the message
// mode), but not make instances of the pipe; the service's own account and SYSTEM everything.
constexpr const wchar_t* kPipeSecurity = L"D:P(D;;GA;;;NU)(D;;GA;;;AN)(A;;GA;;;SY)(A;;GA;;;LS)(A;;0x12018b;;;IU)";
constexpr double kIdleStopMs = 60000;      // the service ends this long after its last request
constexpr DWORD kClientTimeoutMs = 2000;  // for each read and write of a client
constexpr size_t kPipeBuffer = kMaxServiceAnswer;  // an answer always fits: writing it never waits

}  // namespace

bool RunServiceDispatcher(LPSERVICE_MAIN_FUNCTIONW serviceMain) {
    SERVICE_TABLE_ENTRYW table[] = {{const_cast<wchar_t*>(kServiceName), serviceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) != FALSE;
}

void TimeService::ReportStatus(DWORD state, DWORD exitCode) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = exitCode;
    status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 3000;
    SetServiceStatus(status_, &status);
}

DWORD WINAPI TimeService::Control(DWORD control, DWORD, void*, void* self) noexcept {
    auto* service = static_cast<TimeService*>(self);
    if (control == SERVICE_CONTROL_STOP) {
        // A request being answered is finished first (its exchange lasts at most a second).
        service->ReportStatus(SERVICE_STOP_PENDING);
        SetEvent(service->stop_);
        return NO_ERROR;
    }
    return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void TimeService::ServiceMain() {
    const KernelHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    stop_ = stop.get();
    status_ = RegisterServiceCtrlHandlerExW(kServiceName, Control, this);
    if (!status_ || !stop_) return;
    ReportStatus(SERVICE_START_PENDING);
    // The exchange's socket reports to a window of this thread, served while a run waits.
    SocketWindow window;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!window.Load(GetModuleHandleW(nullptr), socket_, exchange_) ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(kPipeSecurity, SDDL_REVISION_1, &descriptor, nullptr))
        return ReportStatus(SERVICE_STOPPED, GetLastError());
    const LocalMemory ownedDescriptor(descriptor);
    SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
    // RUNNING first: a client that finds the pipe may take the service for started, and checks
    // that the service runs in the process that serves it.
    run_.Attach(nullptr);
    ReportStatus(SERVICE_RUNNING);
    const KernelHandle pipe(CreateNamedPipeW(
        kServicePipe, PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, kPipeBuffer, kPipeBuffer,
        0, &security));
    const DWORD error = pipe.get() == INVALID_HANDLE_VALUE ? GetLastError() : NO_ERROR;
    if (!error) Serve(pipe.get());
    run_.Detach();
    ReportStatus(SERVICE_STOPPED, error);
}

// Waits for the next client; false at the stop or once `idleMs` have passed without one.
bool TimeService::AwaitClient(HANDLE pipe, HANDLE connected, double idleMs) {
    for (;;) {
        OVERLAPPED io{};
        io.hEvent = connected;
        ResetEvent(connected);
        DWORD unused = 0;
        if (ConnectNamedPipe(pipe, &io)) return true;
        switch (GetLastError()) {
        case ERROR_PIPE_CONNECTED: return true;
        case ERROR_NO_DATA:  // a client came and went before the wait began
            DisconnectNamedPipe(pipe);
            continue;
        case ERROR_IO_PENDING: break;
        default: return false;
        }
        const HANDLE events[2] = {stop_, connected};
        if (WaitForMultipleObjects(2, events, FALSE, DWORD(idleMs) + 1) != WAIT_OBJECT_0 + 1) {
            CancelIoEx(pipe, &io);
            GetOverlappedResult(pipe, &io, &unused, TRUE);
            return false;
        }
        if (GetOverlappedResult(pipe, &io, &unused, FALSE)) return true;
        DisconnectNamedPipe(pipe);  // connected and gone already
    }
}

// One client after the other, until the stop or 60 s without a request. A client that goes
// without a request costs nothing: the next one is listened for at once.
void TimeService::Serve(HANDLE pipe) {
    const KernelHandle connected(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!connected) return;
    for (int64_t lastRequest = PerformanceNow();;) {
        const double idle = kIdleStopMs - MillisecondsSince(lastRequest);
        if (idle <= 0) return;
        if (!AwaitClient(pipe, connected.get(), idle)) {
            // What the rules of sending hold (a request in the last hour, a rest not over) would
            // be forgotten with the process: the service stays while they hold anything.
            const bool idleOver = MillisecondsSince(lastRequest) >= kIdleStopMs;
            if (!idleOver || WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0 ||
                !exchange_.Rules().HoldsAnythingAfter(SntpExchange::RulesNow()))
                return;
            lastRequest = PerformanceNow();
            continue;
        }
        if (Answer(pipe)) lastRequest = PerformanceNow();
        DisconnectNamedPipe(pipe);
        if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) return;
    }
}

// Reads one request, answers it, and waits (within the limit) for the client to go, so that it
// has the answer before the pipe is disconnected. False when the client sent nothing.
bool TimeService::Answer(HANDLE pipe) {
    const PipeMessage request = ReadPipeMessage(pipe, kMaxServiceRequest, kClientTimeoutMs);
    if (request.status == PipeMessage::Status::Failed) return false;
    const std::optional<ServiceRequest> asked =
        request.status == PipeMessage::Status::Message ? ParseServiceRequest(request.bytes) : std::nullopt;
    std::string answer;
    if (!asked) answer = BadRequestAnswer();
    else if (!IsApprovedServer(asked->server, ReadApprovedServers()))
        answer = FormatServiceAnswer(SyncOutcome(SyncOutcome::Kind::NotApproved), *asked);
    else {
        SyncOutcome outcome = run_.ExchangeAndSet(asked->server, MaxStepMs(ReadMaxCorrection()), asked->automatic);
        // A clock of an earlier version reads the report, with the local time a rest ends.
        if (outcome.kind == SyncOutcome::Kind::RateLimited) outcome.restEnds = LocalTimeIn(outcome.waitMs);
        answer = FormatServiceAnswer(outcome, *asked);
    }
    if (WritePipeMessage(pipe, answer, kClientTimeoutMs)) {
        // A client that goes on talking is cut off when the time is up.
        const int64_t written = PerformanceNow();
        for (double left = kClientTimeoutMs; left > 0; left = kClientTimeoutMs - MillisecondsSince(written))
            if (ReadPipeMessage(pipe, kPipeBuffer, DWORD(left) + 1).status == PipeMessage::Status::Failed) break;
    }
    return true;
}
