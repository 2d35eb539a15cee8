// The record as a file, against the real file functions: written where it may be, and left
// alone under a name that another file has too.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "timesync/run_record_win.h"

namespace {

TEST(RunRecordFile, ALineIsAppendedOnlyToAPlainFileOfItsOwn) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string record = std::string(temp) + "velkaro-record.log", other = std::string(temp) + "velkaro-other.log";
    DeleteFileA(record.c_str());
    DeleteFileA(other.c_str());  // an earlier run's
    const SyncOutcome failed(SyncOutcome::Kind::Failed, "x\r\n\r\nreason");
    RecordRun(record, SyncTrigger::Menu, "a", failed);
    RecordRun(record, SyncTrigger::Menu, "a", SyncOutcome(SyncOutcome::Kind::Abandoned));  // no line
    const std::string written = ReadRunRecord(record);
    EXPECT_TRUE(written.starts_with("\xEF\xBB\xBF" "2") && written.ends_with("\tメニュー\ta\t失敗\treason\r\n")) << written;
    // A name planted as a second name of another file: neither read nor written.
    ASSERT_TRUE(MoveFileA(record.c_str(), other.c_str()) && CreateHardLinkA(record.c_str(), other.c_str(), nullptr));
    RecordRun(record, SyncTrigger::Menu, "a", failed);
    EXPECT_EQ("", ReadRunRecord(record));
    DeleteFileA(record.c_str());
    EXPECT_EQ(written, ReadRunRecord(other));
    DeleteFileA(other.c_str());
}

}  // namespace
