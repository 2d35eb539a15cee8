// The rules of sending: per address, per name, and the rests a kiss asks for.
#include "timesync/send_rules.h"

#include <algorithm>


namespace {

// A name's requests, whatever the letter case it was written in.
std::string NameKey(std::string_view name) {
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return key;
}

}  // namespace

std::optional<SendRules::Hold> SendRules::MayAsk(std::string_view name, std::string_view address, bool automatic,
                                                 int64_t now) const {
    if (const auto a = addresses_.find(address); a != addresses_.end()) {
        if (a->second.refused) return Hold{Hold::Reason::Refused, std::nullopt};
        if (now < a->second.restUntil) return Hold{Hold::Reason::Resting, a->second.restUntil};
        if (automatic && a->second.lastSent && now - *a->second.lastSent < kAddressIntervalMs)
            return Hold{Hold::Reason::TooSoon, *a->second.lastSent + kAddressIntervalMs};
    }
    if (!automatic) return std::nullopt;
    const auto sent = sentToName_.find(NameKey(name));
    if (sent == sentToName_.end()) return std::nullopt;
    // The requests of the last hour, oldest first; the oldest that still counts leaves the window
    // an hour after it went.
    const auto inWindow = std::find_if(sent->second.begin(), sent->second.end(),
                                       [&](int64_t at) { return now - at < kNameBudgetWindowMs; });
    if (sent->second.end() - inWindow < kNameBudget) return std::nullopt;
    return Hold{Hold::Reason::Budget, *(sent->second.end() - kNameBudget) + kNameBudgetWindowMs};
}

void SendRules::Sent(std::string_view name, std::string_view address, int64_t now) {
    addresses_[std::string(address)].lastSent = now;
    std::deque<int64_t>& sent = sentToName_[NameKey(name)];
    sent.push_back(now);
    while (!sent.empty() && now - sent.front() >= kNameBudgetWindowMs) sent.pop_front();
}

void SendRules::Kissed(std::string_view address, Kiss kiss, int64_t now) {
    Address& a = addresses_[std::string(address)];
    if (kiss == Kiss::Deny) a.refused = true;
    if (kiss != Kiss::Rate) return;
    const int doublings = std::min(a.rates++, 16);  // 15 min × 2^7 is already past the day
    a.restUntil = now + std::min(kFirstRestMs << doublings, kLongestRestMs);
}

void SendRules::ForgetKisses() {
    for (auto& [key, a] : addresses_) a.refused = false, a.rates = 0, a.restUntil = 0;
}

std::optional<int64_t> SendRules::RestsUntil(std::string_view address, int64_t now) const {
    const auto a = addresses_.find(address);
    if (a == addresses_.end() || now >= a->second.restUntil) return std::nullopt;
    return a->second.restUntil;
}

bool SendRules::HoldsAnythingAfter(int64_t now) const {
    const bool resting = std::any_of(addresses_.begin(), addresses_.end(), [&](const auto& a) { return now < a.second.restUntil; });
    const bool sentLately = std::any_of(sentToName_.begin(), sentToName_.end(), [&](const auto& s) {
        return !s.second.empty() && now - s.second.back() < kNameBudgetWindowMs;
    });
    return resting || sentLately;
}
