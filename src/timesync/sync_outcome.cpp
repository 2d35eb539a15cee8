// The report of an outcome, in the user's language.
#include "timesync/sync_outcome.h"

#include <cstdio>

std::string FailureReport(Language language, Text detail, std::initializer_list<std::string_view> arguments) {
    return Words(language, Text::SyncFailed) + "\r\n\r\n" + Words(language, detail, arguments);
}

std::string OutcomeReport(Language language, const SyncOutcome& outcome, std::string_view server) {
    using Kind = SyncOutcome::Kind;
    switch (outcome.kind) {
    case Kind::Failed:
        if (!outcome.report.empty()) return outcome.report;
        switch (outcome.cause) {
        case SyncOutcome::Cause::NoAnswer: return FailureReport(language, Text::NoAnswer, {server});
        case SyncOutcome::Cause::SendFailed: return FailureReport(language, Text::SendFailed, {server});
        case SyncOutcome::Cause::SocketError: {
            const std::string words = outcome.detail.empty() ? Words(language, Text::SocketErrorUnknown) : outcome.detail;
            return Words(language, Text::SocketError, {std::to_string(outcome.socketError), words});
        }
        }
        break;
    case Kind::NoUsableTime: return FailureReport(language, Text::NoUsableTime, {server});
    case Kind::Refused: return FailureReport(language, Text::Permission);
    case Kind::NotApproved: return FailureReport(language, Text::ServiceNotApproved, {server});
    case Kind::TooLarge: return FailureReport(language, Text::ServiceStepTooLarge, {server});
    case Kind::Unreachable: return FailureReport(language, Text::ServiceUnreachable);
    case Kind::Denied: return FailureReport(language, Text::ServerRefuses, {server});
    case Kind::RateLimited: {
        char until[8];
        std::snprintf(until, sizeof until, "%02d:%02d", outcome.restEnds.hour % 24, outcome.restEnds.minute % 60);
        return FailureReport(language, Text::ServerAsksLessOften, {server, until});
    }
    case Kind::Held:
    case Kind::Skipped:
    case Kind::Set:
    case Kind::Abandoned: break;
    }
    return "";
}
