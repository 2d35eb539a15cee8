#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "signal/time_signal.h"
#include "timesync/sntp.h"

namespace {

constexpr int64_t kMinute = 60000, kHour = 60 * kMinute;

int64_t Utc(int64_t y, int mo, int d, int h, int mi, int s = 0) { return UnixMsFromCivil({y, mo, d, h, mi, s, 0}); }

// A zone whose offset changes once, at `changeUtc`.
OffsetAt Zone(int before, int64_t changeUtc = INT64_MAX, int after = 0) {
    return [=](int64_t utc) { return utc < changeUtc ? before : after; };
}

TEST(TimeSignal, SoundsOnTheLocalHourOncePerHourAndOnceAcrossADaylightSavingChange) {
    const int64_t spring = Utc(2026, 3, 29, 1, 0), autumn = Utc(2026, 10, 25, 1, 0);  // Central Europe
    const int64_t pacific = Utc(2026, 3, 8, 10, 0);                                    // 02:00 PST → 03:00 PDT
    const struct {
        const char* what;
        OffsetAt zone;
        int64_t after, hour;
    } cases[] = {
        {"Tokyo", Zone(540), Utc(2026, 12, 8, 6, 40), Utc(2026, 12, 8, 7, 0)},
        {"Tokyo, on the hour itself", Zone(540), Utc(2026, 12, 8, 7, 0), Utc(2026, 12, 8, 8, 0)},
        {"UTC, a millisecond before", Zone(0), Utc(2026, 12, 8, 6, 59, 59) + 999, Utc(2026, 12, 8, 7, 0)},
        {"India", Zone(330), Utc(2026, 12, 8, 6, 40), Utc(2026, 12, 8, 7, 30)},
        {"Nepal", Zone(345), Utc(2026, 12, 8, 6, 10), Utc(2026, 12, 8, 6, 15)},
        {"Newfoundland", Zone(-210), Utc(2026, 12, 8, 6, 31), Utc(2026, 12, 8, 7, 30)},
        {"before 1970", Zone(-300), Utc(1969, 7, 20, 20, 17), Utc(1969, 7, 20, 21, 0)},
        {"forward: 03:00 CEST, not 02:00 CET", Zone(60, spring, 120), spring - 30 * kMinute, spring},
        {"forward, from 01:00 CET", Zone(60, spring, 120), spring - kHour, spring},
        {"back: 02:00 CET, not 03:00 CEST", Zone(120, autumn, 60), autumn - 30 * kMinute, autumn},
        {"back: the hour after", Zone(120, autumn, 60), autumn, autumn + kHour},
        {"Pacific forward", Zone(-480, pacific, -420), pacific - 30 * kMinute, pacific},
        {"Lord Howe: half an hour forward", Zone(630, Utc(2026, 10, 3, 15, 30), 660), Utc(2026, 10, 3, 15, 0),
         Utc(2026, 10, 3, 16, 0)},
    };
    for (const auto& c : cases) EXPECT_EQ(NextLocalHour(c.after, c.zone), c.hour) << c.what;
}

TEST(TimeSignal, TheClockWakesAheadOfThePipsStartsEachHourOnceAndSkipsOneAlreadyTooLate) {
    const int64_t h = Utc(2026, 12, 8, 7, 0), wake = h - kPipsAheadMs - kWakeAheadMs;
    const struct {
        const char* what;
        int64_t now;
        std::optional<int64_t> starts;
        int64_t waitMs;
    } steps[] = {
        {"twenty minutes ahead", h - 20 * kMinute, std::nullopt, wake - (h - 20 * kMinute)},
        {"a timer a little early", wake - 10, std::nullopt, 10},
        {"the wake", wake, h, kHour},
        {"a second tick", wake + 5, std::nullopt, kHour - 5},
        {"the next hour, its first pip 50 ms past", h + kHour - kPipsAheadMs + 50, h + kHour, kHour - kWakeAheadMs - 50},
        // back from standby 2.85 s before the hour: the first pip 150 ms past, skipped
        {"resume too late", h + 2 * kHour - kPipsAheadMs + 150, std::nullopt, kHour - kWakeAheadMs - 150},
    };
    SignalSchedule schedule;
    for (const auto& s : steps) {
        const SignalSchedule::Step step = schedule.Tick(s.now, Zone(540));
        EXPECT_EQ(step.startHourUtcMs, s.starts) << s.what;
        EXPECT_EQ(step.waitMs, s.waitMs) << s.what;
    }
}

// Sign changes between non-zero samples.
int ZeroCrossings(const std::vector<int16_t>& s, size_t from, size_t to) {
    int crossings = 0, last = 0;
    for (size_t i = from; i < to; ++i)
        if (s[i] != 0) {
            if (last != 0 && (s[i] > 0) != (last > 0)) ++crossings;
            last = s[i];
        }
    return crossings;
}

TEST(TimeSignal, ThreePipsOf440HzThenTheHoursToneOf880HzEachFadingInAndOut) {
    const std::vector<int16_t> s = SignalSamples();
    constexpr size_t kMs = kSignalRate / 1000;  // 22.05 rounded down, close enough for the spans below
    ASSERT_EQ(s.size(), size_t(4 * kSignalRate));
    const struct {
        int64_t fromMs;
        int hz, lengthMs;
    } tones[] = {{0, kPipHz, kPipMs}, {1000, kPipHz, kPipMs}, {2000, kPipHz, kPipMs}, {3000, kToneHz, kToneMs}};
    for (const auto& t : tones) {
        SCOPED_TRACE(std::to_string(t.fromMs) + " ms");
        const size_t first = size_t(t.fromMs * kSignalRate / 1000), length = size_t(t.lengthMs * kSignalRate / 1000);
        // The frequency, from its zero crossings: two a period.
        EXPECT_NEAR(ZeroCrossings(s, first, first + length), 2.0 * t.hz * t.lengthMs / 1000, 2);
        // No click: silent at both ends, swelling over the fade, loud in the middle.
        for (size_t i = 0; i < kMs / 2; ++i)
            EXPECT_LT(std::max(std::abs(s[first + i]), std::abs(s[first + length - 1 - i])), i ? 800 : 1) << i;
        int loudest = 0;
        for (size_t i = first + length / 4; i < first + length / 2; ++i) loudest = std::max(loudest, std::abs(int(s[i])));
        EXPECT_GT(loudest, 16000);
        // Silent from the tone's end to the next one's start (or the end of the signal).
        const size_t next = t.fromMs < 3000 ? first + 1000 * kSignalRate / 1000 : s.size();
        for (size_t i = first + length; i < next; ++i) ASSERT_EQ(s[i], 0) << i;
    }
}

}  // namespace
