// The quiet retries of the start-up and resume runs.
#include "timesync/quiet_retries.h"

bool FailedForTheNetwork(const SyncOutcome& outcome) { return outcome.kind == SyncOutcome::Kind::Failed; }

void QuietRetries::Begin(SyncTrigger trigger) {
    if (trigger == SyncTrigger::Periodic) return;
    Cancel();
    if (trigger == SyncTrigger::StartUp || trigger == SyncTrigger::Resume) trigger_ = trigger;
}

bool QuietRetries::TryAgain(SyncTrigger trigger, const SyncOutcome& outcome, int64_t now) {
    // A run begun inside this try's wait may have ended the sequence, or begun one of its own.
    if (trigger_ != trigger || dueAt_) return false;
    const bool retried = trigger == SyncTrigger::StartUp || trigger == SyncTrigger::Resume;
    if (retried && FailedForTheNetwork(outcome) && pausesTaken_ < kQuietRetryPausesMs.size()) {
        dueAt_ = now + kQuietRetryPausesMs[pausesTaken_++];
        return true;
    }
    Cancel();
    return false;
}

void QuietRetries::Hold(SyncTrigger trigger, int64_t at) {
    trigger_ = trigger;
    dueAt_ = at;
}

std::optional<SyncTrigger> QuietRetries::Take() {
    if (!dueAt_) return std::nullopt;
    dueAt_.reset();
    return trigger_;
}

void QuietRetries::Cancel() {
    trigger_.reset();
    pausesTaken_ = 0;
    dueAt_.reset();
}
