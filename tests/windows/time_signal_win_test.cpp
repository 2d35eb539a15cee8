// The hour signal's player against a stand-in for the sound device, which Wine here has none of:
// the moment each buffer is queued, and so where the hour's tone leaves the device.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "signal/time_signal_win.h"

namespace {

// A device whose stream begins to leave it `latencyUs` after the first buffer is queued, and
// which reports its position in steps of `periodUs`, as a real one does.
struct FakeDevice {
    UINT devices = 1;
    int64_t latencyUs = 0, periodUs = 10000;
    DWORD holdUpMs = 0;  // the player's thread held up this long at its first reading of a moving position
    struct Queued {
        int64_t atUs;
        size_t samples;
        const void* data;
    };
    std::vector<Queued> queued;
    HANDLE bufferDone = nullptr;
    bool closed = false;
} device;

UINT WINAPI NumDevs() { return device.devices; }
MMRESULT WINAPI Open(LPHWAVEOUT out, UINT, LPCWAVEFORMATEX format, DWORD_PTR event, DWORD_PTR, DWORD flags) {
    if (format->nSamplesPerSec != kSignalRate || format->nChannels != 1 || format->wBitsPerSample != 16 ||
        flags != CALLBACK_EVENT)
        return WAVERR_BADFORMAT;
    device.bufferDone = HANDLE(event);
    *out = reinterpret_cast<HWAVEOUT>(1);
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI Prepare(HWAVEOUT, LPWAVEHDR header, UINT) {
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI Unprepare(HWAVEOUT, LPWAVEHDR, UINT) { return MMSYSERR_NOERROR; }
// Each buffer counts as played at once: the test is about where it sits in the stream.
MMRESULT WINAPI Write(HWAVEOUT, LPWAVEHDR header, UINT) {
    device.queued.push_back({CounterUs(), header->dwBufferLength / 2, header->lpData});
    header->dwFlags |= WHDR_DONE;
    SetEvent(device.bufferDone);
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI Position(HWAVEOUT, LPMMTIME time, UINT) {
    const int64_t played = device.queued.empty() ? 0 : CounterUs() - device.queued[0].atUs - device.latencyUs;
    time->wType = TIME_SAMPLES;
    time->u.sample = played <= 0 ? 0 : DWORD(played / device.periodUs * device.periodUs * kSignalRate / 1000000);
    if (time->u.sample) Sleep(std::exchange(device.holdUpMs, 0));
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI Reset(HWAVEOUT) { return MMSYSERR_NOERROR; }
MMRESULT WINAPI Close(HWAVEOUT) {
    device.closed = true;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI Period(UINT) { return TIMERR_NOERROR; }
const WinmmFunctions kFake{NumDevs, Open, Prepare, Unprepare, Write, Position, Reset, Close, Period, Period};

TEST(HourSignalTest, TheHoursToneIsQueuedToLeaveTheDeviceOnTheHourAndALateOneIsNotPlayed) {
    const std::vector<int16_t> samples = SignalSamples();
    const struct {
        int64_t pipsInMs, latencyUs;
        DWORD holdUpMs = 0;
    } cases[] = {{1300, 80000}, {800, 30000}, {650, 30000}, {1300, 30000, 900}};  // the last: the stream ran dry
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pipsInMs) + " ms to the first pip");
        device = {};
        device.latencyUs = c.latencyUs;
        device.holdUpMs = c.holdUpMs;
        const int64_t utc = UtcUs(), counter = CounterUs();
        const int64_t hourMs = utc / 1000 + kPipsAheadMs + c.pipsInMs;
        const int64_t hourUs = counter + hourMs * 1000 - utc;  // on the counter
        SignalPlayer player(kFake);
        player.Play(samples, hourMs);
        for (const int64_t until = CounterUs() + 5000000; !device.closed && CounterUs() < until;) Sleep(10);
        player.Stop();
        ASSERT_TRUE(device.closed);
        ASSERT_FALSE(device.queued.empty());
        // Where the first pip could be at the earliest: after the opening silence.
        const int64_t began = device.queued[0].atUs + device.latencyUs;
        const int64_t latenessUs = began + int64_t(device.queued[0].samples) * 1000000 / kSignalRate - (hourUs - kPipsAheadMs * 1000);
        if (latenessUs > kLatestStartMs * 1000 || c.holdUpMs) {
            EXPECT_EQ(1u, device.queued.size()) << "late by " << latenessUs << " us";
            EXPECT_TRUE(c.pipsInMs < 1300 || c.holdUpMs);  // the signal with time to spare is never late
            continue;
        }
        ASSERT_GE(device.queued.size(), 2u);
        ASSERT_EQ(samples.data(), device.queued.back().data);
        size_t before = 0;
        for (size_t i = 0; i + 1 < device.queued.size(); ++i) before += device.queued[i].samples;
        const int64_t toneUs = began + int64_t(before + size_t(kPipsAheadMs * kSignalRate / 1000)) * 1000000 / kSignalRate;
        const int64_t errorUs = toneUs - hourUs;
        std::printf("[ figures  ] the hour's tone leaves %+.3f ms from the hour (device latency %lld ms, "
                    "queued %.1f ms before the first pip)\n",
                    double(errorUs) / 1000, static_cast<long long>(c.latencyUs / 1000),
                    double(hourUs - kPipsAheadMs * 1000 - device.queued.back().atUs) / 1000);
        EXPECT_NEAR(double(errorUs), double(std::max<int64_t>(latenessUs, 0)), 10000);
        EXPECT_LT(device.queued.back().atUs, began + int64_t(device.queued[0].samples) * 1000000 / kSignalRate)
            << "queued before the opening silence ran out";
    }
}

TEST(HourSignalTest, NoSoundDeviceIsToldOnceAndNothingIsOpened) {
    // The signal's quiet checks let it sound on an ordinary, unlocked desktop.
    const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 10, 10, 50, 20, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(SignalKeepsQuiet(window));
    DestroyWindow(window);
    for (const WinmmFunctions* winmm : {&kFake, static_cast<const WinmmFunctions*>(nullptr)}) {
        device = {};
        device.devices = 0;
        int told = 0;
        HourSignal signal(winmm, [&] { ++told; });
        EXPECT_EQ(INT64_MAX, signal.Tick(nullptr));  // off
        signal.Switch(true);
        EXPECT_EQ(1, told);
        EXPECT_LE(signal.Tick(nullptr), 3600000);
        signal.Switch(false);
        signal.Switch(true);
        EXPECT_EQ(1, told);
        EXPECT_TRUE(device.queued.empty());
    }
}

}  // namespace
