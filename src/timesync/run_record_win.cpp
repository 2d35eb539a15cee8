// Reading and writing Velkaro.log.
#include "timesync/run_record_win.h"

#include <algorithm>
#include <optional>

#include "common/handles.h"
#include "common/text_encoding.h"

namespace {

// Opens the record for reading, or for reading and appending (made when it is not there). The
// program's folder may be anybody's (Downloads) while the program runs elevated: a link planted
// under the record's name is not followed, and a file with a second name (a hard link to some
// other file) is not touched.
KernelHandle OpenRecord(const std::wstring& path, bool write) {
    // Another copy of the program may be writing its line: it is given a moment.
    for (int attempt = 0;; ++attempt) {
        const HANDLE file = CreateFileW(path.c_str(), write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, write ? OPEN_ALWAYS : OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            KernelHandle opened(file);
            BY_HANDLE_FILE_INFORMATION info{};
            FILE_ATTRIBUTE_TAG_INFO tag{};
            if (!GetFileInformationByHandle(file, &info) ||
                !GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag) ||
                !IsPlainRecordFile(tag.FileAttributes, tag.ReparseTag, info.nNumberOfLinks))
                return {};
            return opened;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION || attempt == 4) return {};
        Sleep(20);
    }
}

// Reads `length` bytes at `at`; false unless all of them were read.
bool ReadAt(HANDLE file, int64_t at, std::string& bytes, size_t length, RunRecordFile::ReadFunction read) {
    LARGE_INTEGER from{};
    from.QuadPart = at;
    bytes.assign(length, '\0');
    DWORD got = 0;
    return SetFilePointerEx(file, from, nullptr, FILE_BEGIN) && read(file, bytes.data(), DWORD(length), &got, nullptr) &&
           got == length;
}

// The record's last kMaxRecordBytes, from the start of a line, with the file's byte-order mark;
// none when any read failed.
std::optional<std::string> ReadOpened(HANDLE file, RunRecordFile::ReadFunction read) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) return std::nullopt;
    if (size.QuadPart <= LONGLONG(kMaxRecordBytes)) {
        std::string bytes;
        if (!ReadAt(file, 0, bytes, size_t(size.QuadPart), read)) return std::nullopt;
        return bytes;
    }
    // From the middle: the byte before the cut tells whether its first line is whole.
    std::string mark, bytes;
    if (!ReadAt(file, 0, mark, 3, read) || !ReadAt(file, size.QuadPart - kMaxRecordBytes - 1, bytes, kMaxRecordBytes + 1, read))
        return std::nullopt;
    bytes.erase(0, std::min(bytes.find('\n'), bytes.size() - 1) + 1);
    return (mark == "\xEF\xBB\xBF" ? mark : std::string()) + bytes;
}

}  // namespace

LocalMoment LocalNow() {
    SYSTEMTIME utc, local;
    GetSystemTime(&utc);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
    auto civil = [](const SYSTEMTIME& t) {
        return CivilTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, 0};
    };
    const int64_t utcMs = UnixMsFromCivil(civil(utc));
    return {civil(local), int((UnixMsFromCivil(civil(local)) - utcMs) / 60000), utcMs};
}

std::string ReadRunRecord(const std::string& path) {
    const KernelHandle file = OpenRecord(Utf8ToWide(path), false);
    return file ? ReadOpened(file.get(), ReadFile).value_or(std::string()) : std::string();
}

void RunRecordFile::RecordRun(Language language, SyncTrigger trigger, const std::string& server, const SyncOutcome& outcome) {
    if (outcome.kind == SyncOutcome::Kind::Abandoned) return;
    const LocalMoment now = LocalNow();
    Append(outcome.kind == SyncOutcome::Kind::Set
               ? SetLine(language, now.at, now.offsetMinutes, trigger, server, outcome.correctionMs, outcome.elapsedMs)
               : FailedLine(language, now.at, now.offsetMinutes, trigger, server, OutcomeReport(language, outcome, server)));
}

void RunRecordFile::RecordNotice(Text notice) {
    const LocalMoment now = LocalNow();
    Append(NoticeLine(now.at, now.offsetMinutes, notice));
}

void RunRecordFile::Append(std::string line) {
    if (path_.empty()) return;
    if (held_.size() == kMaxHeldLines) held_.erase(held_.begin());
    held_.push_back(std::move(line));
    KernelHandle file = OpenRecord(Utf8ToWide(path_), true);
    if (!file) return;
    LARGE_INTEGER size{}, end{};
    std::string last;
    if (!GetFileSizeEx(file.get(), &size)) return;
    if (size.QuadPart > 0 && !ReadAt(file.get(), size.QuadPart - 1, last, 1, read_)) last = "\n";  // unknown: as it ends
    const std::string bytes = BytesToAppend(uint64_t(size.QuadPart), last.empty() ? '\n' : last[0], held_);
    DWORD written = 0;
    if (!SetFilePointerEx(file.get(), end, nullptr, FILE_END) ||
        !WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) || written != bytes.size())
        return;  // a full disk: the lines are held for the next try
    held_.clear();
    Trim(file);
}

// Cuts the record back once it has grown long, through a new file beside it that replaces it in
// one step: a failed read, a crash, a full disk or a lock leaves the old record whole.
void RunRecordFile::Trim(KernelHandle& file) {
    const std::optional<std::string> bytes = ReadOpened(file.get(), read_);
    const std::optional<std::string> trimmed = bytes ? TrimmedRecord(*bytes) : std::nullopt;
    if (!trimmed) return;
    const std::wstring path = Utf8ToWide(path_), fresh = path + L".new";
    DeleteFileW(fresh.c_str());  // a crash's leftover; a link of that name goes, never its target
    const HANDLE created = CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE) return;
    KernelHandle out(created);
    DWORD written = 0;
    const bool whole = WriteFile(out.get(), trimmed->data(), DWORD(trimmed->size()), &written, nullptr) &&
                       written == trimmed->size() && FlushFileBuffers(out.get());
    out.reset();
    if (whole) {
        file.reset();  // replaced whole, and not while this program holds it
        if (MoveFileExW(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return;
    }
    DeleteFileW(fresh.c_str());
}
