// The record as a file, against the real file functions: written where it may be, and left
// alone under a name that is another file's too.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "timesync/run_record_win.h"

namespace {

std::string Bytes(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

TEST(RunRecordFile, ALineIsAppendedOnlyToAPlainFileOfItsOwn) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string record = std::string(temp) + "velkaro-record.log", other = std::string(temp) + "velkaro-other.txt";
    DeleteFileA(record.c_str());
    const SyncOutcome failed(SyncOutcome::Kind::Failed, "x\r\n\r\nreason");
    RecordRun(record, SyncTrigger::Menu, "a", failed);
    RecordRun(record, SyncTrigger::Menu, "a", SyncOutcome(SyncOutcome::Kind::Abandoned));  // none
    const std::string written = ReadRunRecord(record);
    EXPECT_TRUE(written.starts_with("\xEF\xBB\xBF") && written.ends_with("\tメニュー\ta\t失敗\treason\r\n")) << written;
    EXPECT_EQ(written, Bytes(record));
    // Another program that holds the file for itself: the line is skipped.
    const HANDLE held = CreateFileA(record.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    RecordRun(record, SyncTrigger::Menu, "a", failed);
    CloseHandle(held);
    EXPECT_EQ(written, Bytes(record));
    // A name planted as a second name of another file: neither read nor written.
    std::ofstream(other, std::ios::binary) << "someone else's";
    ASSERT_TRUE(DeleteFileA(record.c_str()) && CreateHardLinkA(record.c_str(), other.c_str(), nullptr));
    RecordRun(record, SyncTrigger::Menu, "a", failed);
    EXPECT_EQ("", ReadRunRecord(record));
    EXPECT_EQ("someone else's", Bytes(other));
    DeleteFileA(record.c_str());
    DeleteFileA(other.c_str());
}

}  // namespace
