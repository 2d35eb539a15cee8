// The record of runs as a file: Velkaro.log in the settings file's folder.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "common/handles.h"
#include "timesync/run_record.h"
#include "timesync/sync_outcome.h"

// Now: the local time (whole seconds), its offset from UTC in minutes, and the moment in UTC.
struct LocalMoment {
    CivilTime at;
    int offsetMinutes;
    int64_t utcMs;
};
LocalMoment LocalNow();

// The record's bytes (at most its last kMaxRecordBytes, the byte-order mark kept), empty when
// there is none or it cannot be read. Only a plain file counts (IsPlainRecordFile).
std::string ReadRunRecord(const std::string& path);

class RunRecordFile {
public:
    void SetPath(std::string path) { path_ = std::move(path); }
    const std::string& Path() const { return path_; }
    // Appends the line of a run that ended (an abandoned run has none), at the local time of now,
    // in the language.
    // A line is only ever appended: the file is rewritten only to cut it back, after a read
    // that took all it keeps, through a new file that replaces it in one step. A file that another
    // program holds keeps the line here, to be written before the next one (kMaxHeldLines at
    // most); nothing is shown either way: it is a record, not a setting. No path: nothing.
    void RecordRun(Language language, SyncTrigger trigger, const std::string& server, const SyncOutcome& outcome);
    // Appends a notice (NoticeLine) the same way, at the local time of now.
    void RecordNotice(Text notice);

    static constexpr size_t kMaxHeldLines = 20;
    // The function the record's bytes are read through (ReadFile; a test gives a failing one).
    using ReadFunction = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    void ReadThrough(ReadFunction read) { read_ = read; }

private:
    void Append(std::string line);
    void Trim(KernelHandle& file);

    std::string path_;
    std::vector<std::string> held_;
    ReadFunction read_ = ReadFile;
};
