// Messages on the time service's pipe, each read and write with a time limit: neither end ever
// waits on the other without one.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct PipeMessage {
    enum class Status {
        Message,  // the whole message: bytes
        TooLong,  // longer than the limit: the first bytes only
        Failed,   // nothing within the time, or the other end gone
    };
    Status status = Status::Failed;
    std::vector<uint8_t> bytes;
};

// The pipe must have been opened for overlapped I/O, in message mode.
PipeMessage ReadPipeMessage(HANDLE pipe, size_t limit, DWORD timeoutMs);
bool WritePipeMessage(HANDLE pipe, const std::string& message, DWORD timeoutMs);
