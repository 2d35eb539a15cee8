// Reading and writing Velkaro.log.
#include "timesync/run_record_win.h"

#include <windows.h>

#include <algorithm>

#include "common/handles.h"
#include "common/text_encoding.h"

namespace {

// Opens the record for reading, or for reading and writing (made when it is not there). The
// program's folder may be anybody's (Downloads) while the program runs elevated: a link planted
// under the record's name is not followed, and a file with a second name (a hard link to some
// other file) is not touched.
KernelHandle OpenRecord(const std::string& path, bool write) {
    // Another copy of the program may be writing its line: it is given a moment.
    for (int attempt = 0;; ++attempt) {
        const HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                        FILE_SHARE_READ, nullptr, write ? OPEN_ALWAYS : OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            KernelHandle opened(file);
            BY_HANDLE_FILE_INFORMATION info{};
            if (!GetFileInformationByHandle(file, &info) || info.nNumberOfLinks != 1 ||
                (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
                return {};
            return opened;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION || attempt == 4) return {};
        Sleep(20);
    }
}

std::string ReadOpened(HANDLE file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) return {};
    const LONGLONG length = std::min<LONGLONG>(size.QuadPart, kMaxRecordBytes);
    LARGE_INTEGER from{};
    from.QuadPart = size.QuadPart - length;
    std::string bytes(size_t(length), '\0');
    DWORD read = 0;
    if (!SetFilePointerEx(file, from, nullptr, FILE_BEGIN) || !ReadFile(file, bytes.data(), DWORD(length), &read, nullptr))
        return {};
    bytes.resize(read);
    // Read from the middle, the first line is a piece of one.
    if (from.QuadPart > 0) bytes.erase(0, std::min(bytes.find('\n'), bytes.size() - 1) + 1);
    return bytes;
}

}  // namespace

std::string ReadRunRecord(const std::string& path) {
    const KernelHandle file = OpenRecord(path, false);
    return file ? ReadOpened(file.get()) : std::string();
}

void RecordRun(const std::string& path, SyncTrigger trigger, const std::string& server, const SyncOutcome& outcome) {
    if (outcome.kind == SyncOutcome::Kind::Abandoned) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const CivilTime at{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, 0};
    const std::string line = outcome.kind == SyncOutcome::Kind::Set
                                 ? SetLine(at, trigger, server, outcome.correctionMs, outcome.elapsedMs)
                                 : FailedLine(at, trigger, server, outcome.report);
    const KernelHandle file = OpenRecord(path, true);
    if (!file) return;
    const std::string bytes = RecordWithLine(ReadOpened(file.get()), line);
    DWORD written = 0;
    SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
    if (WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr)) SetEndOfFile(file.get());
}
