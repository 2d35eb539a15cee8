// The pipe's requests and answers, the approved servers and the service's reports.
#include "service/time_service.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "common/split.h"
#include "timesync/sync_command.h"

namespace {

constexpr std::string_view kRequestWord = "SYNC2 ", kEarlierRequestWord = "SYNC ";
constexpr std::string_view kSet = "SET", kFailedWord = "FAILED", kNoAnswer = "NO-ANSWER", kSendFailed = "SEND-FAILED",
                           kSocketError = "SOCKET-ERROR", kNoUsableTime = "NO-USABLE-TIME", kRefused = "REFUSED",
                           kNotApproved = "NOT-APPROVED", kTooLarge = "TOO-LARGE", kBadRequest = "BAD-REQUEST",
                           kDenied = "DENIED", kRate = "RATE", kHeld = "HELD", kSkipped = "SKIPPED",
                           kAutomatic = "\nAUTOMATIC";

std::string_view AsText(std::span<const uint8_t> message) {
    return {reinterpret_cast<const char*>(message.data()), message.size()};
}

// One whole decimal number in [low, high], nothing before or after it.
template <class Number>
bool ReadNumber(std::string_view text, Number low, Number high, Number& out) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || !(value >= low && value <= high))
        return false;
    out = value;
    return true;
}

std::optional<SyncOutcome> ParseSet(std::string_view numbers) {
    const std::vector<std::string_view> f = SplitAt(numbers, ' ');
    if (f.size() != 7 && f.size() != 8) return std::nullopt;  // an earlier version's service gives no correction
    SyncOutcome outcome(SyncOutcome::Kind::Set);
    SntpReply& r = outcome.reply;
    int stratum = 0, poll = 0, precision = 0;
    constexpr int64_t kMax = int64_t(1) << 40;  // far beyond any hold, date or wait a reply can carry
    int64_t elapsedNs = 0;
    if (!ReadNumber(f[0], 0, 255, stratum) || !ReadNumber(f[1], 0, 255, poll) || !ReadNumber(f[2], 0, 255, precision) ||
        !ReadNumber<int64_t>(f[3], -kMax, kMax, r.hold) || !ReadNumber<int64_t>(f[4], 0, 10000, r.fraction) ||
        !ReadNumber<int64_t>(f[5], -kMax, kMax, r.transmitUnixSeconds) || !ReadNumber<int64_t>(f[6], 0, kMax, elapsedNs))
        return std::nullopt;
    constexpr int64_t kAnyStep = std::numeric_limits<int64_t>::max();  // a clock set wildly wrong
    if (f.size() == 8 && !ReadNumber<int64_t>(f[7], -kAnyStep, kAnyStep, outcome.correctionMs.emplace())) return std::nullopt;
    outcome.elapsedMs = double(elapsedNs) / 1e6;
    r.stratum = uint8_t(stratum);
    r.poll = uint8_t(poll);
    r.precision = uint8_t(precision);
    return outcome;
}

}  // namespace

std::string FormatServiceRequest(const ServiceRequest& request) {
    return std::string(request.current ? kRequestWord : kEarlierRequestWord) + request.server +
           std::string(request.current && request.automatic ? kAutomatic : "");
}

std::optional<ServiceRequest> ParseServiceRequest(std::span<const uint8_t> message) {
    const std::string_view text = AsText(message);
    const bool current = text.starts_with(kRequestWord);
    if (text.size() > kMaxServiceRequest || (!current && !text.starts_with(kEarlierRequestWord))) return std::nullopt;
    std::string_view server = text.substr(current ? kRequestWord.size() : kEarlierRequestWord.size());
    const bool automatic = current && server.ends_with(kAutomatic);
    if (automatic) server.remove_suffix(kAutomatic.size());
    if (!IsSyncServer(server)) return std::nullopt;
    return ServiceRequest{std::string(server), current, automatic};
}

std::string FormatServiceAnswer(const SyncOutcome& outcome, const ServiceRequest& request) {
    using Kind = SyncOutcome::Kind;
    if (outcome.kind == Kind::Set) {
        const SntpReply& r = outcome.reply;
        return std::string(kSet) + '\n' + std::to_string(r.stratum) + ' ' + std::to_string(r.poll) + ' ' +
               std::to_string(r.precision) + ' ' + std::to_string(r.hold) + ' ' + std::to_string(r.fraction) + ' ' +
               std::to_string(r.transmitUnixSeconds) + ' ' + std::to_string(std::llround(outcome.elapsedMs * 1e6)) +
               (outcome.correctionMs && request.current ? ' ' + std::to_string(*outcome.correctionMs) : "");
    }
    if (outcome.kind == Kind::Refused) return std::string(kRefused);
    if (outcome.kind == Kind::NotApproved) return std::string(kNotApproved);
    // A failure worded already (by a service of an earlier version) goes on as it is.
    if (outcome.kind == Kind::Failed && !outcome.report.empty()) return std::string(kFailedWord) + '\n' + outcome.report;
    // A clock of the earlier version reads the other failures as FAILED and the report, in the
    // only language it speaks.
    if (!request.current) return std::string(kFailedWord) + '\n' + OutcomeReport(Language::Japanese, outcome, request.server);
    switch (outcome.kind) {
    case Kind::Failed:
        switch (outcome.cause) {
        case SyncOutcome::Cause::NoAnswer: return std::string(kNoAnswer);
        case SyncOutcome::Cause::SendFailed: return std::string(kSendFailed);
        case SyncOutcome::Cause::SocketError: return std::string(kSocketError) + '\n' + std::to_string(outcome.socketError);
        }
        break;
    case Kind::NoUsableTime: return std::string(kNoUsableTime);
    case Kind::TooLarge: return std::string(kTooLarge);
    case Kind::Denied: return std::string(kDenied);
    case Kind::Skipped: return std::string(kSkipped);
    case Kind::RateLimited: return std::string(kRate) + '\n' + std::to_string(outcome.waitMs);
    case Kind::Held: return std::string(kHeld) + '\n' + std::to_string(outcome.waitMs);
    default: break;
    }
    return BadRequestAnswer();  // the service never answers with the others
}

std::string BadRequestAnswer() { return std::string(kBadRequest); }

std::optional<SyncOutcome> ParseServiceAnswer(std::span<const uint8_t> message) {
    using Kind = SyncOutcome::Kind;
    const std::string_view text = AsText(message);
    if (text.size() > kMaxServiceAnswer || text.find('\0') != std::string_view::npos) return std::nullopt;
    const size_t newline = text.find('\n');
    const std::string_view word = text.substr(0, newline);
    if (newline == std::string_view::npos) {
        if (word == kRefused) return SyncOutcome(Kind::Refused);
        if (word == kNotApproved) return SyncOutcome(Kind::NotApproved);
        if (word == kTooLarge) return SyncOutcome(Kind::TooLarge);
        if (word == kNoUsableTime) return SyncOutcome(Kind::NoUsableTime);
        if (word == kNoAnswer) return SyncOutcome(Kind::Failed, SyncOutcome::Cause::NoAnswer);
        if (word == kSendFailed) return SyncOutcome(Kind::Failed, SyncOutcome::Cause::SendFailed);
        if (word == kDenied) return SyncOutcome(Kind::Denied);
        if (word == kSkipped) return SyncOutcome(Kind::Skipped);
        return std::nullopt;
    }
    const std::string_view rest = text.substr(newline + 1);
    if (word == kSet) return ParseSet(rest);
    if (word == kRate || word == kHeld) {
        SyncOutcome waiting(word == kRate ? Kind::RateLimited : Kind::Held);
        constexpr int64_t kTwoDays = 2 * 24 * 3600000;  // beyond the longest rest
        if (!ReadNumber<int64_t>(rest, 0, kTwoDays, waiting.waitMs)) return std::nullopt;
        return waiting;
    }
    if (word == kSocketError) {
        SyncOutcome failed(Kind::Failed, SyncOutcome::Cause::SocketError);
        if (!ReadNumber(rest, 1, std::numeric_limits<int>::max(), failed.socketError)) return std::nullopt;
        return failed;
    }
    if (word == kFailedWord && !rest.empty()) {  // an earlier version's service, which words its failures itself
        SyncOutcome failed(Kind::Failed);
        failed.report = std::string(rest);
        return failed;
    }
    return std::nullopt;
}

int64_t MaxStepMs(std::optional<uint32_t> maxCorrection) {
    const uint32_t seconds = maxCorrection.value_or(kDefaultMaxCorrection);
    return seconds == kNoMaxCorrection ? std::numeric_limits<int64_t>::max() : int64_t(seconds) * 1000;
}

std::wstring ServiceFolder(const std::wstring& nativeProgramFiles, const std::wstring& programFiles) {
    const std::wstring& base = nativeProgramFiles.empty() ? programFiles : nativeProgramFiles;
    return base.empty() ? std::wstring() : base + L"\\Velkaro";
}

std::vector<std::string> ApprovedServers(std::string_view server, std::span<const char* const> listServers) {
    std::vector<std::string> approved;
    auto add = [&](std::string_view s) {
        if (!s.empty() && !IsApprovedServer(s, approved)) approved.emplace_back(s);
    };
    add(server);
    for (const char* s : listServers) add(s);
    return approved;
}

bool IsApprovedServer(std::string_view server, const std::vector<std::string>& approved) {
    return std::ranges::any_of(approved, [&](const std::string& s) { return EqualsIgnoringAsciiCase(s, server); });
}

std::string InstallServiceParameters(std::string_view server) {
    return "/install-service \"" + std::string(server) + "\"";
}

std::string ServiceChangeFailedReport(Language language, bool install, const std::string& systemMessage) {
    return Words(language, install ? Text::ServiceInstallFailed : Text::ServiceRemoveFailed) + "\r\n\r\n" + systemMessage;
}
