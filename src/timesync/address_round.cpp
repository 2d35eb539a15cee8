// The order of a run's requests to the addresses of a name, its end and its report.
#include "timesync/address_round.h"

#include <algorithm>

void AddressRound::Start(size_t addresses) {
    *this = AddressRound();
    count_ = std::min(addresses, kMostAddresses);
}

std::optional<size_t> AddressRound::Due(double nowMs) const {
    if (reply_ || AllAsked()) return std::nullopt;
    if (asked_ == 0) return 0;
    const Address& last = addresses_[asked_ - 1];
    if (last.failure || nowMs - last.askedAt >= kNextAddressAfterMs) return asked_;
    return std::nullopt;
}

void AddressRound::Asked(size_t address, double nowMs) {
    if (address != asked_ || AllAsked()) return;
    addresses_[address].askedAt = nowMs;
    ++asked_;
}

void AddressRound::Fail(size_t address, Failure failure, int socketError, std::string detail) {
    if (address >= asked_ || addresses_[address].failure) return;
    addresses_[address].failure = failure;
    addresses_[address].socketError = socketError;
    addresses_[address].detail = std::move(detail);
}

void AddressRound::Cut() { count_ = asked_; }

bool AddressRound::Over(double nowMs) const {
    if (reply_) return true;
    if (asked_ == 0) return count_ == 0;
    if (!AllAsked()) return false;
    // An unreachable address is as silent as one that is not there: the run waits for a late
    // reply from the others all the same.
    const bool allFailed = std::all_of(addresses_.begin(), addresses_.begin() + asked_, [](const Address& a) {
        return a.failure && *a.failure != Failure::Unreachable;
    });
    return allFailed || nowMs - addresses_[asked_ - 1].askedAt > kReplyTimeoutMs;
}

double AddressRound::NextMomentMs() const {
    if (asked_ == 0) return 0;
    const Address& last = addresses_[asked_ - 1];
    if (AllAsked()) return last.askedAt + kReplyTimeoutMs;
    return last.failure ? last.askedAt : last.askedAt + kNextAddressAfterMs;
}

SyncOutcome AddressRound::Failed() const {
    using Cause = SyncOutcome::Cause;
    const Address& first = addresses_[0];
    if (first.failure == Failure::SendFailed) return SyncOutcome(SyncOutcome::Kind::Failed, Cause::SendFailed);
    if (first.failure == Failure::SocketError) {
        SyncOutcome failed(SyncOutcome::Kind::Failed, Cause::SocketError);
        failed.socketError = first.socketError;
        failed.detail = first.detail;
        return failed;
    }
    const bool noUsableTime = std::any_of(addresses_.begin(), addresses_.begin() + asked_,
                                          [](const Address& a) { return a.failure == Failure::NoUsableTime; });
    return SyncOutcome(noUsableTime ? SyncOutcome::Kind::NoUsableTime : SyncOutcome::Kind::Failed);
}
