// The hour signal (時報): which hour it sounds for, when the clock wakes for it, what it sounds
// like, and where in the sound device's stream it goes. Portable.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The sound: 16-bit mono at this rate, three 440 Hz pips a second apart, the first 3 s before
// the hour, then the 880 Hz tone from the hour on. Each tone fades in and out, so it never
// clicks.
inline constexpr int kSignalRate = 22050;
inline constexpr int64_t kPipsAheadMs = 3000;
inline constexpr int kPipHz = 440, kPipMs = 100, kToneHz = 880, kToneMs = 1000, kFadeMs = 5;
// A signal whose first pip would leave the device later than this after its moment is not
// played at all: a late signal is a wrong one.
inline constexpr int64_t kLatestStartMs = 100;
// The clock wakes this long before the first pip: time to open the device and to measure it.
inline constexpr int64_t kWakeAheadMs = 1500;

// The offset from UTC in minutes (east positive) in force from the given UTC instant on.
using OffsetAt = std::function<int(int64_t utcMs)>;

// The first UTC instant (milliseconds since 1970) after `afterUtcMs` whose local time is a whole
// hour: in a zone half or a quarter of an hour off UTC, its own :00. Across a change to or from
// daylight saving time, the hour of the local time in force from then on, so the change sounds
// once. None within two days (offsets that never meet a whole hour).
std::optional<int64_t> NextLocalHour(int64_t afterUtcMs, const OffsetAt& offsetAt);

// The tick's side of the signal: for which hour to start now, if any, and how long until the
// clock must look again. An hour is started once; one whose first pip is already more than
// kLatestStartMs past (after a resume, a busy machine, a time set forward) is passed over
// silently for the next.
class SignalSchedule {
public:
    struct Step {
        std::optional<int64_t> startHourUtcMs;  // start the signal for this hour now
        int64_t waitMs;                         // until the next wake
    };
    Step Tick(int64_t nowUtcMs, const OffsetAt& offsetAt);

private:
    int64_t startedHour_ = INT64_MIN;
};

// The whole signal from its first pip to the tone's end.
std::vector<int16_t> SignalSamples();

// When the device's stream began to leave it, from readings of its position (samples played)
// taken against a microsecond counter. A device reports its position late, by up to one of its
// periods, never early: the earliest beginning that a reading allows is the truest.
class StreamStart {
public:
    void Reading(int64_t atUs, uint64_t samplesPlayed);
    // None until a reading has seen the stream move.
    std::optional<int64_t> Us() const { return startUs_; }

private:
    std::optional<int64_t> startUs_;
};

// How much silence to queue after `queuedSamples` so that the first pip leaves the device at
// `pipsDueUs`, for a stream that began at `streamStartUs` (both on the same counter): none to
// skip the signal, which would start more than kLatestStartMs late; 0 when it may start late
// within that.
std::optional<uint64_t> LeadSamples(int64_t streamStartUs, uint64_t queuedSamples, int64_t pipsDueUs);
