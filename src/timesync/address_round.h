// The requests of one run to the addresses of the server's name: which address is asked when,
// when the run is over, and which failure it reports. Portable.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "timesync/sntp.h"
#include "timesync/sync_outcome.h"

// A pool name may give many addresses; a run asks no more than this many of them.
inline constexpr size_t kMostAddresses = 8;
// An address that has not answered this long after its request is given up for the next one
// (its request stays valid: a late reply to it is still taken).
inline constexpr double kNextAddressAfterMs = 500;
// The run waits this long after the request to the last address it asks (strictly longer ends it).
inline constexpr double kReplyTimeoutMs = 1000;

class AddressRound {
public:
    // How an address failed: no answer of its own (an unreachable port or host, which is the
    // silence of a server that is not there), a send that failed, a socket error, or a reply
    // without a usable time.
    enum class Failure { Unreachable, SendFailed, SocketError, NoUsableTime };
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
    // The address failed; a socket error brings its number and the system's words. Only its
    // first failure counts.
    void Fail(size_t address, Failure failure, int socketError = 0, std::string detail = {});
    void Replied(const Reply& reply) { reply_ = reply; }
    // No further address is asked (a run started inside this one's wait took the socket): the
    // round ends with the addresses it has asked.
    void Cut();

    // Over: a reply came, every address asked failed with a failure of its own (not unreachable),
    // or the time after the last request is up.
    bool Over(double nowMs) const;
    // The next moment at which Due or Over can change without any event.
    double NextMomentMs() const;
    const std::optional<Reply>& reply() const { return reply_; }
    // Once over without a reply: the first address's failure, except that a reply without a
    // usable time from any address says more than the silence of the first.
    SyncOutcome Failed() const;

private:
    struct Address {
        double askedAt = 0;
        std::optional<Failure> failure;
        int socketError = 0;
        std::string detail;
    };
    bool AllAsked() const { return asked_ == count_; }
    std::array<Address, kMostAddresses> addresses_{};
    size_t count_ = 0, asked_ = 0;
    std::optional<Reply> reply_;
};
