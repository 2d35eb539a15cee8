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

void AddressRound::Fail(size_t address, Failure failure, std::string report) {
    if (address >= asked_ || addresses_[address].failure) return;
    addresses_[address].failure = failure;
    addresses_[address].report = std::move(report);
}

void AddressRound::Cut() { count_ = asked_; }

bool AddressRound::Over(double nowMs) const {
    if (reply_) return true;
    if (asked_ == 0) return count_ == 0;
    if (!AllAsked()) return false;
    // An unreachable address is as silent as one that is not there: the run waits for a late
    // reply from the others all the same.
    const bool allReported = std::all_of(addresses_.begin(), addresses_.begin() + asked_, [](const Address& a) {
        return a.failure && *a.failure != Failure::Unreachable;
    });
    return allReported || nowMs - addresses_[asked_ - 1].askedAt > kReplyTimeoutMs;
}

double AddressRound::NextMomentMs() const {
    if (asked_ == 0) return 0;
    const Address& last = addresses_[asked_ - 1];
    if (AllAsked()) return last.askedAt + kReplyTimeoutMs;
    return last.failure ? last.askedAt : last.askedAt + kNextAddressAfterMs;
}

AddressRound::Failed AddressRound::FailureReport(const std::string& server) const {
    const Address& first = addresses_[0];
    if (first.failure == Failure::Reported) return {false, first.report};
    const bool noUsableTime = std::any_of(addresses_.begin(), addresses_.begin() + asked_,
                                          [](const Address& a) { return a.failure == Failure::NoUsableTime; });
    return noUsableTime ? Failed{true, NoUsableTimeReport(server)} : Failed{false, TimeoutReport(server)};
}
