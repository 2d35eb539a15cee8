// The hour signal on Windows: this PC's time zone, the moments the signal keeps quiet, and the
// sound device, which a thread of its own feeds so that the clock's window never waits for it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "common/handles.h"
#include "common/system_library.h"
#include "signal/time_signal.h"

// The performance counter (PerformanceMs) in whole microseconds; the system time in UTC, microseconds since 1970 (to
// the microsecond from Windows 8 on, to the timer's tick before).
int64_t CounterUs();
int64_t UtcUs();
// The performance counter at a moment of the system time (UTC microseconds). Before Windows 8,
// whose system time moves only with the timer's tick, it first waits for the next tick (16 ms
// at most), the moment that time is exact.
int64_t CounterAtUtcUs(int64_t utcUs);

// This PC's offset from UTC in minutes at a UTC instant (milliseconds since 1970), by the rules
// of its time zone.
int OffsetMinutesAt(int64_t utcMs);

// True while the signal keeps quiet: the session is locked, a full-screen program is in front on
// the clock's monitor, or the user is presenting, running a full-screen game or in quiet time.
bool SignalKeepsQuiet(HWND clock);

// Plays one signal at a time, on a thread of its own.
class SignalPlayer {
public:
    // The device's functions: winmm's, or a test's that stand in for a device.
    explicit SignalPlayer(const WinmmFunctions& device);
    SignalPlayer(const SignalPlayer&) = delete;
    SignalPlayer& operator=(const SignalPlayer&) = delete;
    ~SignalPlayer();

    // Plays the signal's samples (SignalSamples, kept by the caller until the player stops) so
    // that their hour's tone leaves the device at hourUtcMs. The stream begins with silence; its
    // position, read against the performance counter, tells when the stream began to leave the
    // device, and so how much more silence puts the first pip at its moment. A signal that would
    // start more than kLatestStartMs late is not played; nor is one while another still sounds.
    void Play(const std::vector<int16_t>& samples, int64_t hourUtcMs);
    // Ends a signal that sounds, at once, and its thread.
    void Stop();

private:
    struct Job;
    static DWORD WINAPI Run(void* job);

    const WinmmFunctions& device_;
    std::unique_ptr<Job> job_;
    KernelHandle thread_;
};

// The signal as the clock has it: on or off, the sound made in memory when it is switched on,
// started from the clock's tick.
class HourSignal {
public:
    // `device`: none where winmm cannot be loaded. `noDevice` is told, once in the program's run,
    // that there is no sound device to play on.
    HourSignal(const WinmmFunctions* device, std::function<void()> noDevice)
        : device_(device), noDevice_(std::move(noDevice)) {}

    void Switch(bool on);
    // Starts the signal when its hour's first pip is near, unless the signal keeps quiet or has
    // no device; the milliseconds until it needs the next tick (INT64_MAX while it is off).
    int64_t Tick(HWND clock);
    void Stop();

private:
    bool HasDevice();

    const WinmmFunctions* device_;
    std::function<void()> noDevice_;
    bool noDeviceTold_ = false;
    std::vector<int16_t> samples_;  // empty while off
    SignalSchedule schedule_;
    std::unique_ptr<SignalPlayer> player_;
};
