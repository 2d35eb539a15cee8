// The order of a run's requests to the addresses of a name, its end and its report.
#include "timesync/address_round.h"

#include <algorithm>

namespace {

using Hold = SendRules::Hold;

}  // namespace

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
    lastSentAt_ = nowMs;
    ++asked_;
}

void AddressRound::Passed(size_t address, const Hold& hold, double nowMs) {
    if (address != asked_ || AllAsked()) return;
    addresses_[address].askedAt = nowMs;
    addresses_[address].failure = Failure::Held;
    addresses_[address].hold = hold;
    ++asked_;
}

void AddressRound::Fail(size_t address, Failure failure, int socketError, std::string detail) {
    if (address >= asked_ || addresses_[address].failure) return;
    addresses_[address].failure = failure;
    addresses_[address].socketError = socketError;
    addresses_[address].detail = std::move(detail);
}

void AddressRound::Rested(size_t address, int64_t until) {
    Fail(address, Failure::Rate);
    if (address < asked_ && addresses_[address].failure == Failure::Rate)
        addresses_[address].hold = Hold{Hold::Reason::Resting, until};
}

void AddressRound::Cut() { count_ = asked_; }

bool AddressRound::AnySent() const {
    return std::any_of(addresses_.begin(), addresses_.begin() + asked_, [](const Address& a) { return a.failure != Failure::Held; });
}

bool AddressRound::Over(double nowMs) const {
    if (reply_) return true;
    if (asked_ == 0) return count_ == 0;
    if (!AllAsked()) return false;
    // An unreachable address is as silent as one that is not there: the run waits for a late
    // reply from the others all the same.
    const bool allFailed = std::all_of(addresses_.begin(), addresses_.begin() + asked_, [](const Address& a) {
        return a.failure && *a.failure != Failure::Unreachable;
    });
    return allFailed || nowMs - lastSentAt_ > kReplyTimeoutMs;
}

double AddressRound::NextMomentMs() const {
    if (asked_ == 0) return 0;
    const Address& last = addresses_[asked_ - 1];
    if (AllAsked()) return lastSentAt_ + kReplyTimeoutMs;
    return last.failure ? last.askedAt : last.askedAt + kNextAddressAfterMs;
}

SyncOutcome AddressRound::Failed(bool automatic, int64_t now) const {
    using Kind = SyncOutcome::Kind;
    using Cause = SyncOutcome::Cause;
    const auto begin = addresses_.begin(), end = addresses_.begin() + asked_;
    auto any = [&](Failure failure) { return std::any_of(begin, end, [&](const Address& a) { return a.failure == failure; }); };
    // The earliest end of a hold or rest among the addresses that have one (none refused).
    auto waitFor = [&](Failure failure) {
        std::optional<int64_t> until;
        for (auto a = begin; a != end; ++a)
            if (a->failure == failure && a->hold && a->hold->until) until = std::min(until.value_or(*a->hold->until), *a->hold->until);
        SyncOutcome waiting(failure == Failure::Rate || !automatic ? Kind::RateLimited : Kind::Held);
        waiting.waitMs = std::max<int64_t>(until.value_or(now) - now, 0);
        return waiting;
    };
    if (!AnySent() && asked_ > 0) {
        const bool allRefused =
            std::all_of(begin, end, [](const Address& a) { return a.hold && a.hold->reason == Hold::Reason::Refused; });
        if (allRefused) return SyncOutcome(automatic ? Kind::Skipped : Kind::Denied);
        return waitFor(Failure::Held);
    }
    if (any(Failure::Refused)) return SyncOutcome(Kind::Denied);
    if (any(Failure::Rate)) return waitFor(Failure::Rate);
    const auto first = std::find_if(begin, end, [](const Address& a) { return a.failure != Failure::Held; });
    if (first != end && first->failure == Failure::SendFailed) return SyncOutcome(Kind::Failed, Cause::SendFailed);
    if (first != end && first->failure == Failure::SocketError) {
        SyncOutcome failed(Kind::Failed, Cause::SocketError);
        failed.socketError = first->socketError;
        failed.detail = first->detail;
        return failed;
    }
    return SyncOutcome(any(Failure::NoUsableTime) ? Kind::NoUsableTime : Kind::Failed);
}
