#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "timesync/run_record.h"

namespace {

constexpr CivilTime kAt{2026, 12, 8, 6, 40, 5, 0};
constexpr int kJapan = 540;  // +09:00
// A line as this version writes it, and as earlier versions did (no offset).
const std::string kBom = "\xEF\xBB\xBF", kStamped = "2026-12-08 06:40:05 +09:00\t", kStamp = "2026-12-08 06:40:05\t";

TEST(RunRecord, LinesAreTabSeparatedAndReadBackForTheOptionsPage) {
    const struct {
        std::string line, expected;
        RecordEntry entry;
    } cases[] = {
        {SetLine(Language::Japanese, kAt, kJapan, SyncTrigger::Menu, "ntp.nict.jp", 153, 12.34), "メニュー\tntp.nict.jp\t同期\t+0.153\t12.3", {kAt, true, 153, {}, kJapan}},
        {SetLine(Language::Japanese, kAt, kJapan, SyncTrigger::Periodic, "a", -1204, 0.05), "定期\ta\t同期\t-1.204\t0.1", {kAt, true, -1204, {}, kJapan}},
        {SetLine(Language::Japanese, kAt, kJapan, SyncTrigger::StartUp, "a", 0, 3), "起動時\ta\t同期\t+0.000\t3.0", {kAt, true, 0, {}, kJapan}},
        {SetLine(Language::Japanese, kAt, kJapan, SyncTrigger::Resume, "a", -3723456, 3), "スタンバイ回復\ta\t同期\t-3723.456\t3.0", {kAt, true, -3723456, {}, kJapan}},
        {SetLine(Language::English, kAt, kJapan, SyncTrigger::Resume, "a", 5, 3), "Resume\ta\tSet\t+0.005\t3.0", {kAt, true, 5, {}, kJapan}},
        {FailedLine(Language::English, kAt, kJapan, SyncTrigger::StartUp, "a", "x\r\n\r\ny"), "Startup\ta\tFailed\ty", {kAt, false, {}, "y", kJapan}},
        // a service of an earlier version does not say by how much
        {SetLine(Language::Japanese, kAt, kJapan, SyncTrigger::Test, "a", std::nullopt, 9.96), "テスト\ta\t同期\t?\t10.0", {kAt, true, {}, {}, kJapan}},
        // the reason on one line: tabs (a stored server's too) and line breaks become blanks
        {FailedLine(Language::Japanese, kAt, kJapan, SyncTrigger::Command, "a\tb", "x\r\n\r\nError 10065\r\nno route\n\tto host"),
         "コマンド\ta b\t失敗\tError 10065 no route  to host", {kAt, false, {}, "Error 10065 no route  to host", kJapan}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kStamped + c.expected, c.line);
        EXPECT_EQ(std::vector<RecordEntry>{c.entry}, ReadRecordEntries(kBom + c.line + "\r\n")) << c.line;
    }
    // What another program left there is skipped line by line, and so is a notice; a correction
    // without its sign is unknown; a line of an earlier version has no offset.
    EXPECT_EQ(std::vector<RecordEntry>{(RecordEntry{kAt, true, {}})},
              ReadRecordEntries(NoticeLine(kAt, kJapan, Text::NoSoundDevice) + "\r\nx\r\n2026-13-08 06:40:05\tメニュー\ta\t同期\t+0.153\t1.0\r\n" + kStamp + "メニュー\ta\t同期\t0.153\t1.0\n" +
                                kStamp + "メニュー\ta\t同期\t+0.153\r\n" + kStamp + "メニュー\ta\t成功\t+0.153\t1.0\r\n" + kStamp +
                                "2026-12-08 06:40:05 +24:00\tメニュー\ta\t同期\t+0.1\t1.0\r\n2026-12-08 06:40:05 +0900\tメニュー\ta\t同期\t+0.1\t1.0"));
}

// A line's time with the offset it was written under: spans in UTC across daylight saving time.
TEST(RunRecord, SpansAreTakenInUtcFromEachLinesOffsetOrTheOffsetNow) {
    auto two = [](const char* first, const char* second) {
        return ReadRecordEntries(std::string(first) + "\tメニュー\ta\t同期\t+9.000\t1.0\r\n" + second +
                                 "\tメニュー\ta\t同期\t+0.100\t1.0\r\n");
    };
    const struct {
        const char *first, *second;
        int nowOffset;
        const char* drift;
    } cases[] = {
        // the clocks go forward: 01:30 and 03:30 are one real hour apart
        {"2026-03-08 01:30:00 -08:00", "2026-03-08 03:30:00 -07:00", -420, "1 日に約 2.4 秒遅れます"},
        // and back: 01:50 in the repeated hour is 1 h 20 after 01:30 in the first
        {"2026-11-01 01:30:00 -07:00", "2026-11-01 01:50:00 -08:00", -480, "1 日に約 1.8 秒遅れます"},
        {"2026-11-01 01:30:00 -07:00", "2026-11-01 01:50:00 -07:00", -480, ""},  // 20 minutes: too short
        // lines of an earlier version are read at the offset in force now
        {"2026-12-07 06:40:00", "2026-12-08 06:40:00", 540, "1 日に約 0.1 秒遅れます"},
        {"2026-12-07 21:40:00", "2026-12-08 06:40:00 +00:00", 540, "1 日に約 0.1 秒遅れます"},  // 06:40 UTC, a day later
    };
    for (const auto& c : cases) {
        const std::vector<RecordEntry> entries = two(c.first, c.second);
        ASSERT_EQ(2u, entries.size()) << c.first;
        const std::string drift = DriftText(Language::Japanese, entries, c.nowOffset);
        EXPECT_EQ(*c.drift ? std::string("この PC の時計: ") + c.drift : "", drift) << c.second;
    }
    // The last set's moment: a set in the hour that repeats is not after the hour before it.
    EXPECT_EQ(UnixMsFromCivil({2026, 11, 1, 9, 50, 0, 0}), LastSetUtcMs(two("2026-11-01 01:30:00 -07:00", "2026-11-01 01:50:00 -08:00"), 0));
    EXPECT_EQ(UnixMsFromCivil({2026, 12, 7, 21, 40, 5, 0}), LastSetUtcMs(ReadRecordEntries(kStamp + "メニュー\ta\t同期\t+0.1\t1.0"), 540));
}

TEST(RunRecord, LinesAreAppendedAndTheRecordIsCutBackToAThousandOnceItHoldsElevenHundred) {
    EXPECT_EQ(kBom + "one\r\n", BytesToAppend(0, 0, {"one"}));  // a mark only for a new file
    EXPECT_EQ("one\r\ntwo\r\n", BytesToAppend(9, '\n', {"one", "two"}));  // the held line first
    EXPECT_EQ("\r\none\r\n", BytesToAppend(9, 'x', {"one"}));  // after a torn last line
    std::string record = kBom;  // grown by another program's lines too
    for (int i = 1; i < 1100; ++i) record += std::to_string(i) + (i > 1000 ? "\n" : "\r\n");
    EXPECT_EQ(std::nullopt, TrimmedRecord(record));
    const std::optional<std::string> trimmed = TrimmedRecord(record + "1100\r\n");
    ASSERT_TRUE(trimmed);
    EXPECT_EQ(1000, std::count(trimmed->begin(), trimmed->end(), '\n'));
    EXPECT_TRUE(trimmed->starts_with(kBom + "101\r\n") && trimmed->ends_with("\r\n1099\r\n1100\r\n"));
    EXPECT_TRUE(TrimmedRecord(record.substr(3) + "1100")->starts_with("101\r\n"));  // no mark: none added
}

TEST(RunRecord, OnlyAPlainFileOfItsOwnIsARecordAndACloudFileIsOne) {
    constexpr uint32_t kReparse = 0x400, kDirectory = 0x10, kArchive = 0x20;
    const struct {
        uint32_t attributes, tag, links;
        bool plain;
    } cases[] = {
        {kArchive, 0, 1, true},
        {kArchive | kReparse, 0x9000001A, 1, true},    // a OneDrive file (IO_REPARSE_TAG_CLOUD_6)
        {kArchive | kReparse, 0xA000000C, 1, false},   // a symbolic link
        {kDirectory | kReparse, 0xA0000003, 1, false},  // a junction
        {kArchive, 0, 2, false},                       // a second name of another file
        {kDirectory, 0, 1, false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.plain, IsPlainRecordFile(c.attributes, c.tag, c.links)) << std::hex << c.tag;
}

TEST(RunRecord, TheOptionsPageShowsTheLastRunAndTheDriftPerDay) {
    // Runs that set the time, each "day hh:mm correction" of December 2026.
    auto sets = [](std::initializer_list<const char*> runs) {
        std::string record;
        for (std::string run : runs)
            record += "2026-12-0" + run.substr(0, 7) + ":00\tメニュー\ta\t同期\t" + run.substr(8) + "\t1.0\r\n";
        return ReadRecordEntries(record);
    };
    const struct {
        std::vector<RecordEntry> entries;
        const char *lastRun, *drift;
    } cases[] = {
        {{}, "記録がありません", ""},
        {sets({"7 06:40 -5.000", "8 06:40 +0.800"}), "2026/12/08 06:40 (+0.800 秒)", "1 日に約 0.8 秒遅れます"},
        // two days for 1.3 s: 0.65 a day, the half away from zero
        {sets({"6 06:40 +0.100", "8 06:40 -1.300"}), "2026/12/08 06:40 (-1.300 秒)", "1 日に約 0.7 秒進みます"},
        // the last correction came half an hour after its set: the one before, 11.5 hours after its own, counts
        {sets({"7 18:40 +9.000", "8 06:10 +9.000", "8 06:40 +0.300"}), "2026/12/08 06:40 (+0.300 秒)", "1 日に約 18.8 秒遅れます"},
        {sets({"8 05:41 +9.000", "8 06:40 +0.300"}), "2026/12/08 06:40 (+0.300 秒)", ""},
        {sets({"8 05:40 +9.000", "8 06:40 -0.003"}), "2026/12/08 06:40 (-0.003 秒)", "1 日に約 0.1 秒進みます"},  // exactly an hour
        {sets({"1 06:40 +9.000", "8 06:40 -0.349"}), "2026/12/08 06:40 (-0.349 秒)", "1 日のずれは 0.1 秒未満です"},
        // the last amount unknown: the run before it is the later of the two
        {sets({"6 06:40 +0.000", "7 06:40 +0.100", "8 06:40 ?"}), "2026/12/08 06:40", "1 日に約 0.1 秒遅れます"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::string("前回の時刻合わせ: ") + c.lastRun, LastRunText(Language::Japanese, c.entries));
        EXPECT_EQ(*c.drift ? std::string("この PC の時計: ") + c.drift : "", DriftText(Language::Japanese, c.entries, kJapan)) << c.lastRun;
    }
    EXPECT_EQ("前回の時刻合わせ: 2026/12/08 06:40 失敗（x y）", LastRunText(Language::Japanese, ReadRecordEntries(kStamp + "定期\ta\t失敗\tx y")));
    // The English page, from a record that holds lines of both languages.
    const std::vector<RecordEntry> both = ReadRecordEntries("2026-12-07 06:40:00\tメニュー\ta\t同期\t+0.000\t1.0\r\n"
                                                            "2026-12-08 06:40:00\tPeriodic\ta\tSet\t+0.800\t1.0\r\n");
    EXPECT_EQ("Last synchronization: 2026/12/08 06:40 (+0.800 s)", LastRunText(Language::English, both));
    EXPECT_EQ("This PC's clock: loses about 0.8 s a day", DriftText(Language::English, both, kJapan));
}

TEST(RunRecord, ThePeriodicRunIsDueAnIntervalAfterTheLastSetAndRetriesThreeTimes) {
    constexpr int64_t kMin = 60000, kHour = 60 * kMin;
    enum Ends { None, Set, Failed, UsersOwnFailed };
    struct Step {
        int64_t at;
        bool due;
        Ends ends = None;
    };
    const struct {
        int64_t lastSetAgo;
        int hours;
        std::vector<Step> steps;  // the clock ticks once a minute in between, which is no pause
    } cases[] = {
        {100 * kHour, 0, {{0, false}, {kHour, false}}},
        {10 * kMin, 1, {{50 * kMin - 1000, false}, {50 * kMin, true, Set}, {50 * kMin + 1000, false}, {110 * kMin, true}}},
        {2 * kHour, 1, {{0, true, UsersOwnFailed}, {1000, true}}},
        {-5 * kHour, 168, {{0, true}}},  // a set in the future: the clock is behind, a run is needed at once
        {3 * kHour, 3, {{0, true, Failed}, {10 * kMin - 1000, false}, {10 * kMin, true, Failed}, {20 * kMin, true, Failed},
                        {30 * kMin, true, Failed}, {40 * kMin, false}, {30 * kMin + 3 * kHour - 1000, false},
                        {30 * kMin + 3 * kHour, true, Failed}, {40 * kMin + 3 * kHour, true, Set}, {50 * kMin + 3 * kHour, false}}},
    };
    for (const auto& c : cases) {
        PeriodicSchedule schedule(0, c.lastSetAgo, 5000);
        for (int64_t now = 0; const Step& step : c.steps) {
            for (; now < step.at; now += kMin) schedule.Due(now, c.hours);
            const std::optional<int64_t> dueAt = schedule.DueAt(c.hours);  // what the clock sets its timer for
            EXPECT_EQ(step.due, dueAt && *dueAt <= step.at) << c.lastSetAgo << " ago, at " << step.at / 1000 << " s";
            EXPECT_EQ(step.due, schedule.Due(step.at, c.hours)) << c.lastSetAgo << " ago, at " << step.at / 1000 << " s";
            if (step.ends != None) schedule.RunEnded(step.at, step.ends == Set, step.ends != UsersOwnFailed, c.hours);
        }
    }
    // After a pause of the clock (standby) the resume delay passes before anything is due.
    PeriodicSchedule schedule(0, 0, 5000);
    EXPECT_FALSE(schedule.Due(2 * kHour, 1));
    EXPECT_TRUE(schedule.Overdue(2 * kHour, 1));
    EXPECT_FALSE(schedule.Due(2 * kHour + 4000, 1));
    EXPECT_EQ(2 * kHour + 5000, schedule.DueAt(1));
    EXPECT_TRUE(schedule.Due(2 * kHour + 5000, 1));
}

}  // namespace
