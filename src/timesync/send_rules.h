// The rules of sending: how often this process may ask an address and a name, and what a
// server's Kiss-o'-Death makes of an address. Portable.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "timesync/sntp.h"

// RFC 4330 (SNTPv4) §10: "A client MUST NOT under any conditions use a poll interval less than
// 15 seconds." No automatic run asks an address again sooner.
inline constexpr int64_t kAddressIntervalMs = 15000;
// The public servers' own request to client software (ntp.nict.jp: at most 20 queries an hour on
// average): automatic runs send no more than this to one name in any hour.
inline constexpr int kNameBudget = 20;
inline constexpr int64_t kNameBudgetWindowMs = 60 * 60000;
// RFC 4330 §8 and RFC 5905 §7.4: a "RATE" kiss asks the client to "reduce its polling interval";
// the address rests this long, doubled with each further RATE from it, up to a day.
inline constexpr int64_t kFirstRestMs = 15 * 60000;
inline constexpr int64_t kLongestRestMs = 24 * 60 * 60000;
// RFC 4330 §8: with "DENY" or "RSTR" the client "MUST discontinue sending messages to that
// server": the address is not asked again while the server setting stays as it is.

class SendRules {
public:
    // Why an address may not be asked now, and until when (a refusal: never).
    struct Hold {
        enum class Reason { Refused, Resting, TooSoon, Budget } reason;
        std::optional<int64_t> until;  // none for Refused
    };
    // Whether a request of an automatic run (or of one the user started) may go to that address
    // of the name at `now` (a monotonic millisecond clock); none when it may. The user's runs are
    // held only by a refusal or a rest.
    std::optional<Hold> MayAsk(std::string_view name, std::string_view address, bool automatic, int64_t now) const;
    // A request went to the address of the name at `now`; every request counts, the user's too.
    void Sent(std::string_view name, std::string_view address, int64_t now);
    // The address answered our request with a kiss at `now`.
    void Kissed(std::string_view address, Kiss kiss, int64_t now);
    // The server setting changed: refusals and rests are forgotten, what was sent is not.
    void ForgetKisses();
    // When the rest of the address ends, if it rests at `now`.
    std::optional<int64_t> RestsUntil(std::string_view address, int64_t now) const;
    // Whether anything here would still hold a run back after `now`: a request in the last hour
    // or a rest not over. (A refusal alone keeps nothing: see the time service's idle stop.)
    bool HoldsAnythingAfter(int64_t now) const;

private:
    struct Address {
        std::optional<int64_t> lastSent;
        bool refused = false;
        int rates = 0;
        int64_t restUntil = 0;
    };
    std::map<std::string, Address, std::less<>> addresses_;
    std::map<std::string, std::deque<int64_t>, std::less<>> sentToName_;  // within the budget's window
};
