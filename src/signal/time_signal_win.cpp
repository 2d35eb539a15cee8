// The hour signal's time zone, its quiet moments, and its sound device.
#include "signal/time_signal_win.h"

#include <shellapi.h>

#include <optional>

#include "common/desktop.h"
#include "common/message_pump.h"

namespace {

constexpr int64_t kFrom1601To1970Ms = 11644473600000;
// The silence the stream begins with: long enough to read the device's position meanwhile, from
// its first move, for kMeasureUs, with room for a busy machine (and for a device that plays
// faster than it should, as a null one does). A device whose position has not moved within
// kStuckUs of the start is given up on.
constexpr size_t kPreludeSamples = kSignalRate * 800 / 1000;
constexpr int64_t kMeasureUs = 100000, kStuckUs = 1000000;
// The least of the opening silence still to play when the rest of the stream is queued.
constexpr int64_t kMarginUs = 20000;
// More silence than the wake ahead of the pips leaves room for: the system time moved meanwhile.
constexpr uint64_t kMostLeadSamples = uint64_t(kSignalRate) * (kWakeAheadMs + 1000) / 1000;

// The user looks at another desktop than the clock's: the session is locked (the logon
// desktop), or a prompt's secure desktop is up.
bool ElsewhereThanTheClock() {
    const HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (!input) return true;  // the logon desktop is not the user's to open
    wchar_t inputName[64] = L"", ownName[64] = L"";
    DWORD needed = 0;
    const bool same =
        GetUserObjectInformationW(input, UOI_NAME, inputName, sizeof inputName, &needed) &&
        GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, ownName, sizeof ownName, &needed) &&
        lstrcmpiW(inputName, ownName) == 0;
    CloseDesktop(input);
    return !same;
}

// The shell's word for a user who should not be disturbed.
bool UserBusy() {
    constexpr QUERY_USER_NOTIFICATION_STATE kQuietTime = QUERY_USER_NOTIFICATION_STATE(6);  // Windows 7 on
    QUERY_USER_NOTIFICATION_STATE state{};
    return SUCCEEDED(SHQueryUserNotificationState(&state)) &&
           (state == QUNS_BUSY || state == QUNS_RUNNING_D3D_FULL_SCREEN || state == QUNS_PRESENTATION_MODE ||
            state == kQuietTime);
}

// The device's stream of one signal: its buffers queued one after the other, so they play
// without a gap; all of it stopped, unprepared and closed when it goes.
class Stream {
public:
    Stream(const WinmmFunctions& device, HWAVEOUT out) : device_(device), out_(out) {}
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    ~Stream() {
        device_.waveOutReset(out_);
        for (size_t i = 0; i < queued_; ++i) device_.waveOutUnprepareHeader(out_, &headers_[i], sizeof(WAVEHDR));
        device_.waveOutClose(out_);
    }

    // The samples stay the caller's until the stream goes.
    bool Queue(const std::vector<int16_t>& samples) {
        if (queued_ == std::size(headers_)) return false;
        WAVEHDR& header = headers_[queued_];
        header = {};
        header.lpData = reinterpret_cast<LPSTR>(const_cast<int16_t*>(samples.data()));
        header.dwBufferLength = DWORD(samples.size() * sizeof(int16_t));
        if (device_.waveOutPrepareHeader(out_, &header, sizeof header) != MMSYSERR_NOERROR) return false;
        ++queued_;
        return device_.waveOutWrite(out_, &header, sizeof header) == MMSYSERR_NOERROR;
    }

    // When the stream began to leave the device, read from its position as it plays the first
    // buffer; none for a device that does not move, or when `stop` is set meanwhile.
    std::optional<int64_t> MeasureStart(HANDLE stop) {
        StreamStart start;
        std::optional<int64_t> movedAt;
        device_.timeBeginPeriod(1);  // a reading every millisecond, not every 15.6
        for (const int64_t opened = CounterUs();;) {
            MMTIME position{};
            position.wType = TIME_SAMPLES;
            if (device_.waveOutGetPosition(out_, &position, sizeof position) != MMSYSERR_NOERROR) break;
            const int64_t at = CounterUs();
            // A driver may answer in another unit than the one asked for.
            const uint64_t played = position.wType == TIME_SAMPLES ? position.u.sample
                                    : position.wType == TIME_BYTES ? position.u.cb / sizeof(int16_t)
                                    : position.wType == TIME_MS    ? uint64_t(position.u.ms) * kSignalRate / 1000
                                                                   : 0;
            start.Reading(at, played);
            if (played && !movedAt) movedAt = at;
            if (movedAt ? at - *movedAt >= kMeasureUs : at - opened >= kStuckUs) break;
            if (WaitForSingleObject(stop, 1) != WAIT_TIMEOUT) {
                movedAt.reset();
                break;
            }
        }
        device_.timeEndPeriod(1);
        return movedAt ? start.Us() : std::nullopt;
    }

    // Until every buffer has played, `stop` is set, or the device has taken far longer than the
    // samples last.
    void WaitUntilPlayed(HANDLE bufferDone, HANDLE stop, int64_t lastsUs) {
        const int64_t giveUpAt = CounterUs() + lastsUs + 2000000;
        const HANDLE either[] = {stop, bufferDone};
        while (!Played() && CounterUs() < giveUpAt)
            if (WaitForMultipleObjects(2, either, FALSE, 500) == WAIT_OBJECT_0) return;
    }

private:
    bool Played() const {
        for (size_t i = 0; i < queued_; ++i)
            if (!(static_cast<const volatile DWORD&>(headers_[i].dwFlags) & WHDR_DONE)) return false;
        return true;
    }

    const WinmmFunctions& device_;
    const HWAVEOUT out_;
    WAVEHDR headers_[3]{};  // the opening silence, the lead, the signal
    size_t queued_ = 0;
};

}  // namespace

int64_t CounterUs() { return int64_t(PerformanceMs() * 1000); }

using ReadTime = void(WINAPI*)(LPFILETIME);
// Windows 8 on; none before.
ReadTime PreciseTime() {
    static const ReadTime precise = reinterpret_cast<ReadTime>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    return precise;
}

int64_t UtcUs() {
    FILETIME now;
    (PreciseTime() ? PreciseTime() : GetSystemTimeAsFileTime)(&now);
    return int64_t((uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime) / 10) - kFrom1601To1970Ms * 1000;
}

int64_t CounterAtUtcUs(int64_t utcUs) {
    // A time that moves only with the timer's tick is exact just as it moves.
    if (!PreciseTime()) {
        const int64_t was = UtcUs(), giveUpAt = CounterUs() + 50000;
        while (UtcUs() == was && CounterUs() < giveUpAt) {
        }
    }
    const int64_t counter = CounterUs();
    return counter + (utcUs - UtcUs());
}

int OffsetMinutesAt(int64_t utcMs) {
    const uint64_t ticks = uint64_t(utcMs + kFrom1601To1970Ms) * 10000;
    const FILETIME utc{DWORD(ticks), DWORD(ticks >> 32)};
    SYSTEMTIME universal, local;
    FILETIME localTicks;
    if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local) ||
        !SystemTimeToFileTime(&local, &localTicks))
        return 0;
    const int64_t difference = int64_t(uint64_t(localTicks.dwHighDateTime) << 32 | localTicks.dwLowDateTime) - int64_t(ticks);
    return int(difference / 600000000);
}

bool SignalKeepsQuiet(HWND clock) {
    return ElsewhereThanTheClock() || UserBusy() || FullScreenForeground(MonitorRectOf(clock)) != nullptr;
}

struct SignalPlayer::Job {
    const WinmmFunctions& device;
    const std::vector<int16_t>& samples;
    int64_t hourUtcMs;
    KernelHandle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

SignalPlayer::SignalPlayer(const WinmmFunctions& device) : device_(device) {}
SignalPlayer::~SignalPlayer() { Stop(); }

void SignalPlayer::Play(const std::vector<int16_t>& samples, int64_t hourUtcMs) {
    if (thread_ && WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT) return;  // the last one still sounds
    Stop();
    job_.reset(new Job{device_, samples, hourUtcMs});
    if (job_->stop) thread_.reset(CreateThread(nullptr, 0, Run, job_.get(), 0, nullptr));
}

void SignalPlayer::Stop() {
    if (thread_) {
        SetEvent(job_->stop.get());
        WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }
    job_.reset();
}

DWORD WINAPI SignalPlayer::Run(void* context) {
    const Job& job = *static_cast<const Job*>(context);
    const KernelHandle bufferDone(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, kSignalRate, kSignalRate * sizeof(int16_t), sizeof(int16_t), 16, 0};
    HWAVEOUT out = nullptr;
    if (!bufferDone || job.device.waveOutOpen(&out, WAVE_MAPPER, &format, DWORD_PTR(bufferDone.get()), 0,
                                              CALLBACK_EVENT) != MMSYSERR_NOERROR)
        return 0;
    Stream stream(job.device, out);
    const std::vector<int16_t> prelude(kPreludeSamples);
    if (!stream.Queue(prelude)) return 0;
    const std::optional<int64_t> began = stream.MeasureStart(job.stop.get());
    if (!began) return 0;
    const int64_t pipsDueUs = CounterAtUtcUs((job.hourUtcMs - kPipsAheadMs) * 1000);
    // A thread held up past the opening silence found the stream run dry: its timing is lost.
    if (CounterUs() > *began + int64_t(prelude.size()) * 1000000 / kSignalRate - kMarginUs) return 0;
    const std::optional<uint64_t> lead = LeadSamples(*began, prelude.size(), pipsDueUs);
    if (!lead || *lead > kMostLeadSamples) return 0;  // too late: not played late
    const std::vector<int16_t> silence(*lead);
    if ((*lead && !stream.Queue(silence)) || !stream.Queue(job.samples)) return 0;
    stream.WaitUntilPlayed(bufferDone.get(), job.stop.get(),
                           int64_t(prelude.size() + silence.size() + job.samples.size()) * 1000000 / kSignalRate);
    return 0;
}

void HourSignal::Switch(bool on) {
    if (!on) {
        Stop();
        samples_ = {};
        return;
    }
    if (samples_.empty()) samples_ = SignalSamples();
    HasDevice();  // the record hears of a missing device as the signal is switched on
}

bool HourSignal::HasDevice() {
    if (device_ && device_->waveOutGetNumDevs() > 0) return true;
    if (!noDeviceTold_ && noDevice_) noDevice_();
    noDeviceTold_ = true;
    return false;
}

int64_t HourSignal::Tick(HWND clock) {
    if (samples_.empty()) return INT64_MAX;
    const SignalSchedule::Step step = schedule_.Tick(UtcUs() / 1000, OffsetMinutesAt);
    if (step.startHourUtcMs && HasDevice() && !SignalKeepsQuiet(clock)) {
        if (!player_) player_ = std::make_unique<SignalPlayer>(*device_);
        player_->Play(samples_, *step.startHourUtcMs);
    }
    return step.waitMs;
}

void HourSignal::Stop() {
    if (player_) player_->Stop();
}
