// What became of one synchronisation, in this process or through the time service. Portable.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "timesync/sntp.h"

struct SyncOutcome {
    enum class Kind {
        Set,          // the clock was set: reply and elapsedMs
        Failed,       // the network's failure (no reply, no address, a send or socket error): report
        NoUsableTime, // a reply, but none with a usable time: report
        Refused,      // the system refused the new time
        NotApproved,  // the service does not synchronise with this server: report
        TooLarge,     // the step is larger than the service may take: report
        Unreachable,  // the service could not be reached, or its pipe is not the service's: report
        Abandoned,    // the program is ending: nothing is reported
    };
    SyncOutcome() = default;
    explicit SyncOutcome(Kind k, std::string failureReport = {}) : kind(k), report(std::move(failureReport)) {}

    Kind kind = Kind::Abandoned;
    // Failed, NoUsableTime: the report, as the exchange words it; NotApproved, TooLarge and Unreachable: the
    // report, as the time service's client words it.
    std::string report;
    SntpReply reply{};     // Set
    double elapsedMs = 0;  // Set: from the request to the reply
    // Set: the new time minus the time it replaced; unknown from a service of an earlier version.
    std::optional<int64_t> correctionMs;
    bool operator==(const SyncOutcome&) const = default;
};
