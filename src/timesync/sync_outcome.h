// What became of one synchronisation, in this process or through the time service, and its
// report in the user's language. Portable.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/language.h"
#include "timesync/sntp.h"

struct SyncOutcome {
    enum class Kind {
        Set,          // the clock was set: reply and elapsedMs
        Failed,       // the network's failure (cause): no reply, no address, a send or socket error
        NoUsableTime, // a reply, but none with a usable time
        Refused,      // the system refused the new time
        NotApproved,  // the service does not synchronise with this server
        TooLarge,     // the step is larger than the service may take
        Unreachable,  // the service could not be reached, or its pipe is not the service's
        Denied,       // the server refuses this PC's requests (a DENY or RSTR kiss)
        RateLimited,  // the server asked to be queried less often: waitMs until its rest ends
        Held,         // an automatic run sent nothing, the rules of sending holding it: waitMs
        Skipped,      // an automatic run sent nothing: the name's every address refuses
        Abandoned,    // the program is ending, or a later run took the exchange: nothing is reported
    };
    enum class Cause { NoAnswer, SendFailed, SocketError };
    SyncOutcome() = default;
    explicit SyncOutcome(Kind k, Cause c = Cause::NoAnswer) : kind(k), cause(c) {}

    Kind kind = Kind::Abandoned;
    Cause cause = Cause::NoAnswer;  // Failed
    int socketError = 0;            // Failed by a SocketError: its number
    std::string detail;             // ... and the system's words for it, in the user's language
    // Failed: a report that a time service of an earlier version worded itself, shown as it is.
    std::string report;
    int64_t waitMs = 0;    // RateLimited, Held
    // RateLimited: the local time the rest ends, for the report (its hours and minutes).
    CivilTime restEnds{};
    SntpReply reply{};     // Set
    double elapsedMs = 0;  // Set: from the request to the reply
    // Set: the new time minus the time it replaced; unknown from a service of an earlier version.
    std::optional<int64_t> correctionMs;
    bool operator==(const SyncOutcome&) const = default;
};

// The report of an outcome that is not a set: a first line, an empty line, the detail (a socket
// error: its number and the system's words alone).
std::string OutcomeReport(Language language, const SyncOutcome& outcome, std::string_view server);
// The same shape for any detail.
std::string FailureReport(Language language, Text detail, std::initializer_list<std::string_view> arguments = {});
