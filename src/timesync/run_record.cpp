// The record's lines, what is read from them, and the periodic run's schedule.
#include "timesync/run_record.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>

#include "common/split.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF", kCrLf = "\r\n";
constexpr int64_t kHourMs = 3600000, kDayMs = 24 * kHourMs, kRetryMs = 10 * 60000;
constexpr int kRetries = 3;
// A tick this late means the clock itself was not running meanwhile.
// Longer than any wait between two ticks of the clock (a minute, when the colon does not blink),
// with room for a loaded machine.
constexpr int64_t kPauseMs = 90000;

// The parts one after the other: one function for every text put together here, instead of a
// chain of operator+ inlined at each place.
std::string Joined(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) text += part;
    return text;
}

// "2026-12-08 06:40:00 +09:00"
std::string Stamp(const CivilTime& t, int offsetMinutes) {
    char text[48];
    const int magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d:%02d %c%02d:%02d", static_cast<long long>(t.year),
                  t.month, t.day, t.hour, t.minute, t.second, offsetMinutes < 0 ? '-' : '+', magnitude / 60 % 100,
                  magnitude % 60);
    return text;
}

// A field holds no TAB and no line break: each becomes one blank, a CR LF pair too.
std::string OnOneLine(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
    }
    return out;
}

std::string Head(Language language, const CivilTime& at, int offsetMinutes, SyncTrigger trigger,
                 std::string_view server, Text word) {
    return Joined({Stamp(at, offsetMinutes), "\t", TriggerWord(language, trigger), "\t", OnOneLine(server), "\t", Words(language, word), "\t"});
}

// The word of a line in either language.
bool IsWord(std::string_view field, Text word) {
    return field == TableText(Language::Japanese, word) || field == TableText(Language::English, word);
}

// "+0.153", "-1.204", "+0.000"
std::string Seconds3(int64_t ms) {
    char text[32];
    const unsigned long long magnitude = ms < 0 ? 0ull - static_cast<unsigned long long>(ms) : static_cast<unsigned long long>(ms);
    std::snprintf(text, sizeof text, "%c%llu.%03llu", ms < 0 ? '-' : '+', magnitude / 1000, magnitude % 1000);
    return text;
}

template <class Number>
bool ReadDigits(std::string_view text, Number& out) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    return std::from_chars(text.data(), text.data() + text.size(), out).ec == std::errc();
}

// " +09:00", " -07:00" after the time: its offset from UTC in minutes.
std::optional<int> ReadOffset(std::string_view text) {
    int hours = 0, minutes = 0;
    if (text.size() != 7 || text[0] != ' ' || (text[1] != '+' && text[1] != '-') || text[4] != ':' ||
        !ReadDigits(text.substr(2, 2), hours) || !ReadDigits(text.substr(5, 2), minutes) || hours > 23 || minutes > 59)
        return std::nullopt;
    return (text[1] == '-' ? -1 : 1) * (hours * 60 + minutes);
}

std::optional<CivilTime> ReadStamp(std::string_view text) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    CivilTime t{};
    if (!ReadDigits(text.substr(0, 4), t.year) || !ReadDigits(text.substr(5, 2), t.month) ||
        !ReadDigits(text.substr(8, 2), t.day) || !ReadDigits(text.substr(11, 2), t.hour) ||
        !ReadDigits(text.substr(14, 2), t.minute) || !ReadDigits(text.substr(17, 2), t.second))
        return std::nullopt;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 59)
        return std::nullopt;
    return t;
}

// "+0.153" as 153; "?" as unknown.
std::optional<int64_t> ReadCorrection(std::string_view text) {
    const size_t point = text.find('.');
    int64_t whole = 0, thousandths = 0;
    if (text.size() < 2 || (text[0] != '+' && text[0] != '-') || point == std::string_view::npos ||
        text.size() - point != 4 || !ReadDigits(text.substr(1, point - 1), whole) ||
        !ReadDigits(text.substr(point + 1), thousandths) || whole > (int64_t(1) << 40))
        return std::nullopt;
    const int64_t ms = whole * 1000 + thousandths;
    return text[0] == '-' ? -ms : ms;
}

// "2026/12/08 06:40"
std::string ShortStamp(const CivilTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04lld/%02d/%02d %02d:%02d", static_cast<long long>(t.year), t.month, t.day, t.hour,
                  t.minute);
    return text;
}

}  // namespace

std::string TriggerWord(Language language, SyncTrigger trigger) {
    switch (trigger) {
    case SyncTrigger::StartUp: return Words(language, Text::TriggerStartUp);
    case SyncTrigger::Menu: return Words(language, Text::TriggerMenu);
    case SyncTrigger::Test: return Words(language, Text::TriggerTest);
    case SyncTrigger::Resume: return Words(language, Text::TriggerResume);
    case SyncTrigger::Periodic: return Words(language, Text::TriggerPeriodic);
    case SyncTrigger::Command: return Words(language, Text::TriggerCommand);
    }
    return "";
}

bool IsAutomatic(SyncTrigger trigger) {
    return trigger == SyncTrigger::StartUp || trigger == SyncTrigger::Resume || trigger == SyncTrigger::Periodic;
}
bool ReportsSuccess(SyncTrigger trigger) { return !IsAutomatic(trigger); }
bool ReportsFailure(SyncTrigger trigger) { return trigger != SyncTrigger::Periodic; }

std::string SetLine(Language language, const CivilTime& at, int offsetMinutes, SyncTrigger trigger,
                    std::string_view server, std::optional<int64_t> correctionMs, double roundTripMs) {
    return Joined({Head(language, at, offsetMinutes, trigger, server, Text::RecordSet), correctionMs ? Seconds3(*correctionMs) : "?", "\t",
                   FormatOneDecimal(roundTripMs)});
}

std::string FailedLine(Language language, const CivilTime& at, int offsetMinutes, SyncTrigger trigger,
                       std::string_view server, std::string_view report) {
    const size_t body = report.find("\r\n\r\n");
    return Joined({Head(language, at, offsetMinutes, trigger, server, Text::RecordFailed),
                   OnOneLine(body == std::string_view::npos ? report : report.substr(body + 4))});
}

std::string NoticeLine(const CivilTime& at, int offsetMinutes, Text notice) {
    return Joined({Stamp(at, offsetMinutes), "\t", TableText(Language::Japanese, notice), "\t", TableText(Language::English, notice)});
}

std::string BytesToAppend(uint64_t fileSize, char lastByte, const std::vector<std::string>& lines) {
    std::string out(fileSize == 0 ? kBom : lastByte != '\n' ? kCrLf : "");
    for (const std::string& line : lines) (out += line) += kCrLf;
    return out;
}

std::optional<std::string> TrimmedRecord(std::string_view bytes) {
    const bool marked = bytes.starts_with(kBom);
    if (marked) bytes.remove_prefix(kBom.size());
    std::vector<std::string_view> lines;
    for (std::string_view l : SplitAt(bytes, '\n')) {
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        if (!l.empty()) lines.push_back(l);
    }
    if (lines.size() < kTrimRecordAtLines) return std::nullopt;
    std::string out(marked ? kBom : "");
    for (size_t i = lines.size() - kMaxRecordLines; i < lines.size(); ++i) (out += lines[i]) += kCrLf;
    return out;
}

bool IsPlainRecordFile(uint32_t attributes, uint32_t reparseTag, uint32_t links) {
    constexpr uint32_t kDirectory = 0x10, kReparsePoint = 0x400, kNameSurrogate = 0x20000000;
    if (links != 1 || (attributes & kDirectory)) return false;
    return !(attributes & kReparsePoint) || !(reparseTag & kNameSurrogate);
}

std::vector<RecordEntry> ReadRecordEntries(std::string_view bytes) {
    if (bytes.starts_with(kBom)) bytes.remove_prefix(kBom.size());
    std::vector<RecordEntry> entries;
    for (std::string_view line : SplitAt(bytes, '\n')) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::vector<std::string_view> f = SplitAt(line, '\t');
        // The time, and its offset from UTC in a line of this version.
        const std::string_view stamp = f.size() >= 5 ? f[0] : std::string_view();
        const std::optional<CivilTime> at = ReadStamp(stamp.substr(0, 19));
        const std::optional<int> offset = stamp.size() > 19 ? ReadOffset(stamp.substr(19)) : std::nullopt;
        if (!at || (stamp.size() > 19 && !offset)) continue;
        if (IsWord(f[3], Text::RecordFailed)) entries.push_back({*at, false, std::nullopt, std::string(f[4]), offset});
        else if (IsWord(f[3], Text::RecordSet) && f.size() == 6) entries.push_back({*at, true, ReadCorrection(f[4]), {}, offset});
    }
    return entries;
}

std::string LastRunText(Language language, const std::vector<RecordEntry>& entries) {
    auto line = [&](Text text, std::initializer_list<std::string_view> arguments) {
        return Words(language, Text::LastRun, {Words(language, text, arguments)});
    };
    if (entries.empty()) return line(Text::LastRunNone, {});
    const RecordEntry& last = entries.back();
    const std::string at = ShortStamp(last.at);
    if (!last.set) return line(Text::LastRunFailed, {at, last.reason});
    if (!last.correctionMs) return Words(language, Text::LastRun, {at});
    return line(Text::LastRunSet, {at, Seconds3(*last.correctionMs)});
}

int64_t UtcMs(const RecordEntry& entry, int nowOffsetMinutes) {
    return UnixMsFromCivil(entry.at) - int64_t(entry.offsetMinutes.value_or(nowOffsetMinutes)) * 60000;
}

std::string DriftText(Language language, const std::vector<RecordEntry>& entries, int nowOffsetMinutes) {
    // A correction is the drift since the set just before it: the latest one found at least an
    // hour after that set says how fast the clock drifts.
    std::optional<double> perDay;
    for (auto e = entries.rbegin(); e != entries.rend() && !perDay; ++e) {
        if (!e->correctionMs) continue;
        const auto previous = std::find_if(e + 1, entries.rend(), [](const RecordEntry& p) { return p.set; });
        if (previous == entries.rend()) break;
        const int64_t spanMs = UtcMs(*e, nowOffsetMinutes) - UtcMs(*previous, nowOffsetMinutes);
        if (spanMs >= kHourMs) perDay = double(*e->correctionMs) / 1000.0 * double(kDayMs) / double(spanMs);
    }
    if (!perDay) return "";
    if (std::fabs(*perDay) < 0.05) return Words(language, Text::Drift, {Words(language, Text::DriftBelowATenth)});
    // A positive correction put the clock forward: it had fallen behind.
    const Text way = *perDay > 0 ? Text::DriftLoses : Text::DriftGains;
    return Words(language, Text::Drift, {Words(language, way, {FormatOneDecimal(std::fabs(*perDay))})});
}

std::optional<int64_t> LastSetUtcMs(const std::vector<RecordEntry>& entries, int nowOffsetMinutes) {
    const auto last = std::find_if(entries.rbegin(), entries.rend(), [](const RecordEntry& e) { return e.set; });
    if (last == entries.rend()) return std::nullopt;
    return UtcMs(*last, nowOffsetMinutes);
}

// A set after now counts as long enough ago for any interval (far from the type's limits, so the
// sums of the schedule stay exact).
PeriodicSchedule::PeriodicSchedule(int64_t now, int64_t lastSetAgoMs, int64_t holdAfterPauseMs)
    : lastSet_(lastSetAgoMs < 0 ? std::numeric_limits<int64_t>::min() / 4 : now - lastSetAgoMs), lastLook_(now),
      hold_(holdAfterPauseMs) {}

bool PeriodicSchedule::Due(int64_t now, int hours) {
    if (now - lastLook_ > kPauseMs) heldUntil_ = now + hold_;
    lastLook_ = now;
    return now >= heldUntil_ && Overdue(now, hours);
}

bool PeriodicSchedule::Overdue(int64_t now, int hours) const {
    return hours > 0 && now >= retryAt_.value_or(lastSet_ + hours * kHourMs);
}

std::optional<int64_t> PeriodicSchedule::DueAt(int hours) const {
    if (hours <= 0) return std::nullopt;
    return std::max(heldUntil_, retryAt_.value_or(lastSet_ + hours * kHourMs));
}

void PeriodicSchedule::RunEnded(int64_t now, bool set, bool counts, int hours) {
    lastLook_ = now;  // the run's own wait is no pause
    if (set) {
        lastSet_ = now;
        retryAt_.reset();
        failures_ = 0;
    } else if (counts) {
        if (++failures_ <= kRetries) {
            retryAt_ = now + kRetryMs;
        } else {
            retryAt_ = now + hours * kHourMs;
            failures_ = 0;
        }
    }
}
