// Reads and writes on the pipe, each given up after its time limit.
#include "service/service_pipe.h"

#include "common/handles.h"

namespace {

// Waits for an overlapped operation that was started; one that is not done within the time is
// cancelled (and waited for, so that its buffer may go).
bool Finish(HANDLE pipe, OVERLAPPED& io, BOOL startedDone, DWORD timeoutMs, DWORD& bytes, DWORD& error) {
    error = startedDone ? ERROR_SUCCESS : GetLastError();
    if (!startedDone && error != ERROR_IO_PENDING) return false;
    if (!startedDone && WaitForSingleObject(io.hEvent, timeoutMs) != WAIT_OBJECT_0) {
        CancelIoEx(pipe, &io);
        GetOverlappedResult(pipe, &io, &bytes, TRUE);
        error = ERROR_TIMEOUT;
        return false;
    }
    const BOOL done = GetOverlappedResult(pipe, &io, &bytes, FALSE);
    error = done ? ERROR_SUCCESS : GetLastError();
    return done;
}

}  // namespace

PipeMessage ReadPipeMessage(HANDLE pipe, size_t limit, DWORD timeoutMs) {
    const KernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    PipeMessage message;
    if (!event) return message;
    OVERLAPPED io{};
    io.hEvent = event.get();
    message.bytes.resize(limit + 1);  // one byte more tells a message longer than the limit
    DWORD bytes = 0, error = 0;
    const bool read = Finish(pipe, io, ReadFile(pipe, message.bytes.data(), DWORD(message.bytes.size()), nullptr, &io),
                             timeoutMs, bytes, error);
    message.bytes.resize(read || error == ERROR_MORE_DATA ? bytes : 0);
    if (read && bytes <= limit) message.status = PipeMessage::Status::Message;
    else if (read || error == ERROR_MORE_DATA) message.status = PipeMessage::Status::TooLong;
    return message;
}

bool WritePipeMessage(HANDLE pipe, const std::string& message, DWORD timeoutMs) {
    const KernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) return false;
    OVERLAPPED io{};
    io.hEvent = event.get();
    DWORD bytes = 0, error = 0;
    return Finish(pipe, io, WriteFile(pipe, message.data(), DWORD(message.size()), nullptr, &io), timeoutMs, bytes,
                  error) &&
           bytes == message.size();
}
