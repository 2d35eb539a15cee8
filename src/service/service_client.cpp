// The run through the time service, on a thread of its own while the clock ticks on.
#include "service/service_client.h"

#include <windows.h>

#include <limits>
#include <memory>
#include <optional>

#include "common/handles.h"
#include "common/message_pump.h"
#include "common/text_encoding.h"
#include "service/service_pipe.h"
#include "service/service_setup.h"
#include "timesync/elevation.h"

namespace {

constexpr double kPipeWaitMs = 5000;        // for a service just started to open its pipe
constexpr DWORD kRequestTimeoutMs = 2000;

// The pipe, opened for messages; the service is started when the pipe is not there.
KernelHandle ConnectToService(SC_HANDLE service) {
    const int64_t start = PerformanceNow();
    bool started = false;
    for (;;) {
        // Only what the pipe grants a user: reading, writing messages, the message mode. The
        // server may learn who the client is, but not act as the client.
        KernelHandle pipe(CreateFileW(kServicePipe, GENERIC_READ | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                      nullptr));
        if (pipe.get() != INVALID_HANDLE_VALUE) return pipe;
        pipe.release();
        const DWORD error = GetLastError();
        const double left = kPipeWaitMs - MillisecondsSince(start);
        if (left <= 0) return {};
        if (error == ERROR_PIPE_BUSY) {
            WaitNamedPipeW(kServicePipe, DWORD(left) + 1);
        } else if (error == ERROR_FILE_NOT_FOUND) {
            // Started once. A service that is still ending (its idle stop) is started again as
            // soon as it has; one that is starting is waited for.
            if (!started) {
                if (StartServiceW(service, 0, nullptr)) started = true;
                else if (GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) return {};
            }
            Sleep(20);
        } else {
            return {};
        }
    }
}

// The pipe's server process is the service's: no other program can stand in for it.
bool IsTheServicesPipe(HANDLE pipe, SC_HANDLE service) {
    ULONG serverProcess = 0;
    SERVICE_STATUS_PROCESS status{};
    DWORD size = 0;
    return GetNamedPipeServerProcessId(pipe, &serverProcess) &&
           QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status, &size) &&
           status.dwCurrentState == SERVICE_RUNNING && status.dwProcessId == serverProcess;
}

// One request on a pipe of its own: the service's answer, or none.
std::optional<std::string> AskService(SC_HANDLE service, const ServiceRequest& request) {
    const KernelHandle pipe = ConnectToService(service);
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!pipe || !IsTheServicesPipe(pipe.get(), service) || !SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr) ||
        !WritePipeMessage(pipe.get(), FormatServiceRequest(request), kRequestTimeoutMs))
        return std::nullopt;
    const PipeMessage answer = ReadPipeMessage(pipe.get(), kMaxServiceAnswer, DWORD(kServiceAnswerLimitMs));
    if (answer.status != PipeMessage::Status::Message) return std::nullopt;
    return std::string(answer.bytes.begin(), answer.bytes.end());
}

SyncOutcome CallService(const std::string& server, bool automatic) {
    const SyncOutcome unreachable(SyncOutcome::Kind::Unreachable);
    const ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const ServiceHandle service(manager ? OpenServiceW(manager.get(), kServiceName, SERVICE_START | SERVICE_QUERY_STATUS)
                                        : nullptr);
    if (!service) return unreachable;
    std::optional<std::string> answer = AskService(service.get(), {server, true, automatic});
    // A service of an earlier version (not installed anew since) knows only the earlier requests:
    // the one without the word for an automatic run, or only the first.
    if (answer == BadRequestAnswer() && automatic) answer = AskService(service.get(), {server, true, false});
    if (answer == BadRequestAnswer()) answer = AskService(service.get(), {server, false});
    const std::optional<SyncOutcome> outcome =
        answer ? ParseServiceAnswer({reinterpret_cast<const uint8_t*>(answer->data()), answer->size()}) : std::nullopt;
    if (!outcome) return unreachable;
    SyncOutcome worded = *outcome;  // the service gives a socket error's number, the clock its words
    if (worded.cause == SyncOutcome::Cause::SocketError) worded.detail = SystemMessage(DWORD(worded.socketError));
    return worded;
}

struct ServiceCall {
    std::string server;
    bool automatic;
    SyncOutcome outcome;
};

// The call holds its own share of the request: the clock may stop waiting for it (at its exit).
DWORD WINAPI RunCall(void* parameter) {
    const std::unique_ptr<std::shared_ptr<ServiceCall>> share(static_cast<std::shared_ptr<ServiceCall>*>(parameter));
    (*share)->outcome = CallService((*share)->server, (*share)->automatic);
    return 0;
}

}  // namespace

bool UseTimeService() { return !ProcessMaySetTime() && TimeServiceRegistered(); }

SyncOutcome SyncThroughService(const std::string& server, bool automatic, const std::function<bool()>& abandoned) {
    const SyncOutcome unreachable(SyncOutcome::Kind::Unreachable);
    const auto call = std::make_shared<ServiceCall>(ServiceCall{server, automatic, unreachable});
    auto share = std::make_unique<std::shared_ptr<ServiceCall>>(call);
    const KernelHandle thread(CreateThread(nullptr, 0, RunCall, share.get(), 0, nullptr));
    if (!thread) return unreachable;
    share.release();  // the thread's now
    if (WaitServingWindows(thread.get(), std::numeric_limits<double>::infinity(), abandoned) == WaitEnd::Signalled)
        return call->outcome;
    return SyncOutcome(SyncOutcome::Kind::Abandoned);
}
