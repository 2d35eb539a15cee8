// The record of runs, Velkaro.log beside the executable: one line per run, what the options
// page makes of it, and when the next periodic run is due. Portable.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/language.h"
#include "timesync/sntp.h"

// What started a run, and so how much of it is reported: a success only to the user who asked
// for it, a failure to everyone but the periodic run, which nobody is sitting in front of.
enum class SyncTrigger { StartUp, Menu, Test, Resume, Periodic, Command };
// 起動時, メニュー, テスト, スタンバイ回復, 定期, コマンド; Start, Menu, Test, Resume, Periodic, Command
std::string TriggerWord(Language language, SyncTrigger trigger);
bool ReportsSuccess(SyncTrigger trigger);
// The runs nobody asked for just then (start-up, resume, periodic), which the rules of sending
// hold; the others the user started and waits for.
bool IsAutomatic(SyncTrigger trigger);
bool ReportsFailure(SyncTrigger trigger);

inline constexpr const char* kRecordFileName = "Velkaro.log";
// The record keeps about this many lines, the oldest dropped: once it holds kTrimRecordAtLines,
// it is cut back to kMaxRecordLines.
inline constexpr size_t kMaxRecordLines = 1000, kTrimRecordAtLines = 1100;
// The most of the file's end that is read: far more than 1,000 lines of this program's.
inline constexpr size_t kMaxRecordBytes = 1 << 20;

// One line, without its line break. `at` is the local time (after the set, for a run that set
// the time), written with the offset from UTC it was taken under ("2026-03-08 03:30:00 -07:00");
// the correction (the new time minus the one it replaced) is unknown (?) when a time service of an
// earlier version set the time. A failure's reason is its report after the first line and the
// empty line below it, on one line.
// The words (the trigger, 同期 or 失敗, Set or Failed) are the language's.
std::string SetLine(Language language, const CivilTime& at, int offsetMinutes, SyncTrigger trigger,
                    std::string_view server, std::optional<int64_t> correctionMs, double roundTripMs);
std::string FailedLine(Language language, const CivilTime& at, int offsetMinutes, SyncTrigger trigger,
                       std::string_view server, std::string_view report);
// A line that tells of something other than a run (no sound device for the hour signal): the
// time, then the notice in Japanese and in English, whichever language the program speaks. The
// options page and the schedule pass over it.
std::string NoticeLine(const CivilTime& at, int offsetMinutes, Text notice);

// The bytes that append lines to a record whose size and last byte are given: a byte-order mark
// first in a new file, a line break first after a torn last line, each line ended by CR LF.
std::string BytesToAppend(uint64_t fileSize, char lastByte, const std::vector<std::string>& lines);
// The record cut back to its last kMaxRecordLines lines (its mark kept) once it holds
// kTrimRecordAtLines; none while it holds fewer. `bytes` is all of the record, or all of it that
// is kept, with the mark when the file has one.
std::optional<std::string> TrimmedRecord(std::string_view bytes);

// A record file the program reads and writes: a plain file of its own. A link or junction (a
// reparse point that is a name surrogate) is not followed, since the program's folder may be
// anybody's while it runs elevated; a second name of another file (a hard link) is left alone;
// a file that a cloud store keeps (another kind of reparse point) is the user's own.
bool IsPlainRecordFile(uint32_t attributes, uint32_t reparseTag, uint32_t links);

// What the options page and the schedule read from a line, in either language's words; lines
// that do not read are skipped.
struct RecordEntry {
    CivilTime at{};  // local, seconds, the milliseconds 0
    bool set = false;
    std::optional<int64_t> correctionMs;  // set, and the correction known
    std::string reason = {};              // a failure's reason
    std::optional<int> offsetMinutes = {};  // from UTC, as written; none in a line of an earlier version
    bool operator==(const RecordEntry&) const = default;
};
std::vector<RecordEntry> ReadRecordEntries(std::string_view bytes);
// The entry's moment in UTC (milliseconds since 1970): at its own offset, or at the offset in
// force now for a line written without one.
int64_t UtcMs(const RecordEntry& entry, int nowOffsetMinutes);

// "前回の時刻合わせ: 2026/12/08 06:40 (+0.153 秒)", "… 失敗（reason）" when the last run failed
// (the reason cut to fit the options page), or "… 記録がありません".
std::string LastRunText(Language language, const std::vector<RecordEntry>& entries);
// "この PC の時計: 1 日に約 0.8 秒遅れます" (or 進みます, or "1 日のずれは 0.1 秒未満です"): the
// latest correction that was found at least an hour after the set before it, over that span (in
// UTC, so a change to or from daylight saving time between them does not count), per day. Empty
// without such a correction.
std::string DriftText(Language language, const std::vector<RecordEntry>& entries, int nowOffsetMinutes);
// When the time was last set, in UTC (milliseconds since 1970).
std::optional<int64_t> LastSetUtcMs(const std::vector<RecordEntry>& entries, int nowOffsetMinutes);

// When the periodic run is due, on a monotonic millisecond clock. A run is due the interval
// after the last run that set the time; a periodic run that failed is tried again after 10
// minutes, three times, then not before a whole interval after the last try. After a pause of
// the clock itself (standby, a stopped process) nothing is due before holdAfterPauseMs: the
// resume run comes first, the network needs its time.
class PeriodicSchedule {
public:
    // lastSetAgoMs: how long ago the time was last set (none: 0, counted from the program's
    // start); negative (a set after now: the clock is behind) makes the run due at once.
    PeriodicSchedule(int64_t now, int64_t lastSetAgoMs, int64_t holdAfterPauseMs);
    // Asked on every tick of the clock; hours 0 is never due.
    bool Due(int64_t now, int hours);
    // Due but for a hold after a pause: what a resume or a start-up run stands in for.
    bool Overdue(int64_t now, int hours) const;
    // Until when nothing is due after a pause (standby): the hold of the last Due.
    int64_t HeldUntil() const { return heldUntil_; }
    // When the next run falls due, the hold included; none with hours 0.
    std::optional<int64_t> DueAt(int hours) const;
    // A run ended. `counts`: it was the periodic run, or a start-up or resume run in its place.
    void RunEnded(int64_t now, bool set, bool counts, int hours);

private:
    int64_t lastSet_;
    std::optional<int64_t> retryAt_;
    int failures_ = 0;
    int64_t lastLook_;
    int64_t heldUntil_ = 0;
    int64_t hold_;
};
