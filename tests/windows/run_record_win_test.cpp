// The record as a file, against the real file functions: written where it may be, left alone
// under a name that another file has too, and never losing a line when the file fails.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "timesync/run_record_win.h"

namespace {

std::string TempPath(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    DeleteFileA((std::string(temp) + name).c_str());  // an earlier run's
    return std::string(temp) + name;
}

void Write(const std::string& path, const std::string& bytes) {
    const HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(f);
}

// A failure worded by an earlier service: its report's detail is the line's reason.
SyncOutcome Failure() {
    SyncOutcome failed(SyncOutcome::Kind::Failed);
    failed.report = "x\r\n\r\nreason";
    return failed;
}
const SyncOutcome kFailed = Failure();

TEST(RunRecordFile, ALineIsAppendedOnlyToAPlainFileOfItsOwn) {
    const std::string record = TempPath("velkaro-record.log"), other = TempPath("velkaro-other.log");
    RunRecordFile file;
    file.SetPath(record);
    file.RecordRun(Language::Japanese, SyncTrigger::Menu, "a", kFailed);
    file.RecordRun(Language::Japanese, SyncTrigger::Menu, "a", SyncOutcome(SyncOutcome::Kind::Abandoned));  // no line
    const std::string written = ReadRunRecord(record);
    EXPECT_TRUE(written.starts_with("\xEF\xBB\xBF" "2") && written.ends_with("\tメニュー\ta\t失敗\treason\r\n")) << written;
    // A name planted as a second name of another file: neither read nor written.
    ASSERT_TRUE(MoveFileA(record.c_str(), other.c_str()) && CreateHardLinkA(record.c_str(), other.c_str(), nullptr));
    file.RecordRun(Language::Japanese, SyncTrigger::Menu, "a", kFailed);
    EXPECT_EQ("", ReadRunRecord(record));
    DeleteFileA(record.c_str());
    EXPECT_EQ(written, ReadRunRecord(other));
    DeleteFileA(other.c_str());
}

// Half of what was asked, then a failure, as a locked range or a failing drive gives it.
BOOL WINAPI ReadFailingPartWay(HANDLE file, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED overlapped) {
    ReadFile(file, buffer, length / 2, read, overlapped);
    SetLastError(ERROR_LOCK_VIOLATION);
    return FALSE;
}

// A read that fails part-way, a new file that cannot be made, a file another program holds: the
// record stays whole, every line lands, in order, and the trim comes once all could be read.
TEST(RunRecordFile, NothingIsLostWhenTheFileFails) {
    const std::string path = TempPath("velkaro-whole.log");
    std::string old = "\xEF\xBB\xBF";
    for (int i = 1; i < kTrimRecordAtLines; ++i) old += "2026-12-01 00:00:00\tメニュー\told\t同期\t+0.000\t1.0\r\n";
    Write(path, old);
    RunRecordFile file;
    file.SetPath(path);
    file.ReadThrough(ReadFailingPartWay);
    file.RecordRun(Language::Japanese, SyncTrigger::Menu, "first", kFailed);
    file.ReadThrough(ReadFile);
    ASSERT_TRUE(CreateDirectoryA((path + ".new").c_str(), nullptr));
    file.RecordRun(Language::Japanese, SyncTrigger::Menu, "second", kFailed);
    RemoveDirectoryA((path + ".new").c_str());
    std::string record = ReadRunRecord(path);
    EXPECT_TRUE(record.starts_with(old)) << "the record was rewritten";
    EXPECT_EQ(kTrimRecordAtLines + 1, size_t(std::count(record.begin(), record.end(), '\n')));

    const HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    file.RecordRun(Language::Japanese, SyncTrigger::Menu, "held", kFailed);
    CloseHandle(held);
    file.RecordRun(Language::Japanese, SyncTrigger::Menu, "next", kFailed);
    record = ReadRunRecord(path);
    EXPECT_EQ(kMaxRecordLines, size_t(std::count(record.begin(), record.end(), '\n')));
    const std::vector<RecordEntry> entries = ReadRecordEntries(record);
    ASSERT_EQ(kMaxRecordLines, entries.size());
    EXPECT_TRUE(record.starts_with("\xEF\xBB\xBF" "2026-12-01") && record.find("\tfirst\t") < record.find("\tsecond\t") &&
                record.find("\tsecond\t") < record.find("\theld\t") && record.find("\theld\t") < record.find("\tnext\t"))
        << record.substr(record.size() - 300);
    DeleteFileA(path.c_str());
}

// Beyond 1 MiB the end is read from a line's start, and the file's mark goes with it.
TEST(RunRecordFile, ALongRecordKeepsItsMarkAndTheLineAtTheCut) {
    const std::string path = TempPath("velkaro-long.log"), line = std::string(62, 'x') + "\r\n";  // 64 bytes
    std::string bytes = "\xEF\xBB\xBF";
    for (size_t i = 0; i < kMaxRecordBytes / 64 + 10; ++i) bytes += i == 10 ? "first kept" + line.substr(10) : line;
    Write(path, bytes);
    EXPECT_TRUE(ReadRunRecord(path).starts_with("\xEF\xBB\xBF" "first kept")) << ReadRunRecord(path).substr(0, 80);
    DeleteFileA(path.c_str());
}

}  // namespace
