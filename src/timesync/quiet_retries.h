// The quiet tries of a start-up or resume run that the network failed: at logon or just after
// standby the network is often not there yet. Portable.
#pragma once
#include <array>
#include <cstdint>
#include <optional>

#include "timesync/run_record.h"
#include "timesync/sync_outcome.h"

// The pauses before each further try; only the last try's failure is reported.
inline constexpr std::array<int64_t, 3> kQuietRetryPausesMs = {5000, 15000, 60000};

// A failure of the network (no answer, the name not found, no route, a socket that could not be
// opened or sent on), which may pass; any other failure (a refused reply, a refused time, the
// service's refusal) would only come again.
bool FailedForTheNetwork(const SyncOutcome& outcome);

class QuietRetries {
public:
    // A run begins with its first try: a start-up or resume run starts a sequence afresh, a run
    // the user waits for (the menu, the test, /sync) ends any that waits; the periodic run, which
    // has its own retries, leaves it alone.
    void Begin(SyncTrigger trigger);
    // A try of the trigger's ended at `now`: true when the failure is kept quiet and the run is
    // tried again (due at now plus the next pause); false when the run is over, and is reported
    // and recorded as today.
    bool TryAgain(SyncTrigger trigger, const SyncOutcome& outcome, int64_t now);
    // An automatic try (the periodic run's too) that the rules of sending held back sent nothing:
    // it is tried again at `at`, and does not count as a try.
    void Hold(SyncTrigger trigger, int64_t at);
    // When the next try is due; none when no try waits.
    std::optional<int64_t> DueAt() const { return dueAt_; }
    // The try that waits starts now: its trigger (the first try's).
    std::optional<SyncTrigger> Take();
    void Cancel();

private:
    std::optional<SyncTrigger> trigger_;  // of the sequence under way
    size_t pausesTaken_ = 0;
    std::optional<int64_t> dueAt_;
};
