// The hour signal's schedule, its sound, and its place in the device's stream.
#include "signal/time_signal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int64_t kMinuteMs = 60000, kHourMs = 60 * kMinuteMs, kDayMs = 24 * kHourMs;

// The first instant after `after` at which the local time under this offset is a whole `step`.
int64_t NextWhole(int64_t after, int64_t step, int offsetMinutes) {
    const int64_t local = after + offsetMinutes * kMinuteMs;
    const int64_t floored = local - ((local % step) + step) % step;
    return floored + step - offsetMinutes * kMinuteMs;
}

void AddTone(std::vector<int16_t>& samples, int64_t fromMs, int hz, int lengthMs) {
    constexpr double kAmplitude = 16384;  // half of full scale
    const size_t first = size_t(fromMs * kSignalRate / 1000), length = size_t(lengthMs * kSignalRate / 1000);
    const size_t fade = size_t(kFadeMs * kSignalRate / 1000);
    for (size_t i = 0; i < length; ++i) {
        // A raised cosine over the first and the last few milliseconds: 0 at both ends.
        const size_t edge = std::min(i, length - 1 - i);
        const double envelope = edge >= fade ? 1.0 : 0.5 - 0.5 * std::cos(std::numbers::pi * double(edge) / double(fade));
        const double phase = 2 * std::numbers::pi * hz * double(i) / kSignalRate;
        samples[first + i] = int16_t(std::lround(kAmplitude * envelope * std::sin(phase)));
    }
}

}  // namespace

std::optional<int64_t> NextLocalHour(int64_t afterUtcMs, const OffsetAt& offsetAt) {
    int64_t from = afterUtcMs;
    while (from - afterUtcMs < 2 * kDayMs) {
        const int offset = offsetAt(from);
        const int64_t hour = NextWhole(from, kHourMs, offset);
        if (offsetAt(hour) == offset) return hour;
        // The offset changes before that hour: the first whole minute whose own local time is a
        // whole hour.
        for (int64_t minute = NextWhole(from, kMinuteMs, 0); minute <= hour; minute += kMinuteMs)
            if (NextWhole(minute - 1, kHourMs, offsetAt(minute)) == minute) return minute;
        from = hour;
    }
    return std::nullopt;
}

SignalSchedule::Step SignalSchedule::Tick(int64_t nowUtcMs, const OffsetAt& offsetAt) {
    // The hours whose first pip can still start in time.
    std::optional<int64_t> hour = NextLocalHour(nowUtcMs + kPipsAheadMs - kLatestStartMs - 1, offsetAt);
    if (hour && *hour == startedHour_) hour = NextLocalHour(*hour, offsetAt);
    if (!hour) return {std::nullopt, kHourMs};
    const int64_t wakeAt = *hour - kPipsAheadMs - kWakeAheadMs;
    if (nowUtcMs < wakeAt) return {std::nullopt, wakeAt - nowUtcMs};
    startedHour_ = *hour;
    const std::optional<int64_t> next = NextLocalHour(*hour, offsetAt);
    return {hour, next ? *next - kPipsAheadMs - kWakeAheadMs - nowUtcMs : kHourMs};
}

std::vector<int16_t> SignalSamples() {
    std::vector<int16_t> samples(size_t((kPipsAheadMs + kToneMs) * kSignalRate / 1000));
    for (int64_t pip = 0; pip < kPipsAheadMs; pip += 1000) AddTone(samples, pip, kPipHz, kPipMs);
    AddTone(samples, kPipsAheadMs, kToneHz, kToneMs);
    return samples;
}

void StreamStart::Reading(int64_t atUs, uint64_t samplesPlayed) {
    if (samplesPlayed == 0) return;
    const int64_t start = atUs - int64_t(samplesPlayed * 1000000 / kSignalRate);
    startUs_ = startUs_ ? std::min(*startUs_, start) : start;
}

std::optional<uint64_t> LeadSamples(int64_t streamStartUs, uint64_t queuedSamples, int64_t pipsDueUs) {
    const int64_t due = (pipsDueUs - streamStartUs) * kSignalRate / 1000000;  // the pip's sample in the stream
    const int64_t lead = due - int64_t(queuedSamples);
    if (lead >= 0) return uint64_t(lead);
    if (-lead * 1000 > kLatestStartMs * kSignalRate) return std::nullopt;
    return 0;
}
