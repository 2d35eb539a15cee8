// The requests of one run to the addresses of the server's name: which address is asked when,
// when the run is over, and which failure it reports. Portable.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "timesync/send_rules.h"
#include "timesync/sntp.h"
#include "timesync/sync_outcome.h"

// A pool name may give many addresses; a run asks no more than this many of them.
inline constexpr size_t kMostAddresses = 8;
// An address that has not answered this long after its request is given up for the next one
// (its request stays valid: a late reply to it is still taken).
inline constexpr double kNextAddressAfterMs = 500;
// The run waits this long after the request to the last address it asks (strictly longer ends it).
inline constexpr double kReplyTimeoutMs = 1000;
// A look-up of the name that takes longer than this fails as a name that could not be found (a
// network reason: a start-up or resume run tries again quietly).
inline constexpr double kLookupLimitMs = 10000;
// The longest a run can take from its start to its outcome: the look-up, a request to every
// address, the wait after the last.
inline constexpr double kLongestRunMs = kLookupLimitMs + (kMostAddresses - 1) * kNextAddressAfterMs + kReplyTimeoutMs;

class AddressRound {
public:
    // How an address failed: no answer of its own (an unreachable port or host, which is the
    // silence of a server that is not there), a send that failed, a socket error, a reply
    // without a usable time, a kiss that refuses or asks for a rest; or it was not asked at all,
    // the rules of sending holding it back (Held).
    enum class Failure { Unreachable, SendFailed, SocketError, NoUsableTime, Refused, Rate, Held };
    struct Reply {
        SntpReply reply;
        double elapsedMs;        // from that address's request to the reply
        int64_t sentAt, takenAt;  // the caller's clock readings
    };
    // A new round over that many addresses (at most kMostAddresses of them), none asked yet.
    void Start(size_t addresses);
    size_t Addresses() const { return count_; }
    // The address to ask at nowMs: the first at once, each next one as soon as the one before it
    // has failed or kNextAddressAfterMs after its request. None when it is not time yet, or when
    // every address has been asked.
    std::optional<size_t> Due(double nowMs) const;
    void Asked(size_t address, double nowMs);
    // The address that was due is passed over (the rules hold it back) and the next one is due
    // at once; `hold` says why and until when, on the rules' clock.
    void Passed(size_t address, const SendRules::Hold& hold, double nowMs);
    // The address failed; a socket error brings its number and the system's words. Only its
    // first failure counts.
    void Fail(size_t address, Failure failure, int socketError = 0, std::string detail = {});
    // A RATE kiss: the address rests until then (the rules' clock).
    void Rested(size_t address, int64_t until);
    void Replied(const Reply& reply) { reply_ = reply; }
    // No further address is asked (a run started inside this one's wait took the socket): the
    // round ends with the addresses it has asked.
    void Cut();

    // Over: a reply came, every address asked failed with a failure of its own (not unreachable),
    // or the time after the last request sent is up.
    bool Over(double nowMs) const;
    // The next moment at which Due or Over can change without any event.
    double NextMomentMs() const;
    const std::optional<Reply>& reply() const { return reply_; }
    // Once over without a reply: the first address's failure, except that a refusal from any
    // address says more than anything, then a rest asked for, then a reply without a usable
    // time, than the silence of the first. A round that sent nothing at all (the rules held every
    // address): an automatic run waits (Held) until the first may be asked, or is skipped when
    // every address refused; a run of the user's reports the refusal or the rest at once. Waits
    // are counted from `now` on the rules' clock.
    SyncOutcome Failed(bool automatic = false, int64_t now = 0) const;

private:
    struct Address {
        double askedAt = 0;
        std::optional<Failure> failure;
        int socketError = 0;
        std::string detail;
        std::optional<SendRules::Hold> hold;  // Held, and Rate: until the rest ends
    };
    bool AllAsked() const { return asked_ == count_; }
    bool AnySent() const;
    std::array<Address, kMostAddresses> addresses_{};
    size_t count_ = 0, asked_ = 0;
    double lastSentAt_ = 0;
    std::optional<Reply> reply_;
};
