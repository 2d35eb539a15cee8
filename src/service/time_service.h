// The time service's rules: the pipe's requests and answers, the approved servers, the outcome
// of a run and the service's reports. Portable.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "timesync/address_round.h"
#include "timesync/sync_outcome.h"

inline constexpr const wchar_t* kServiceName = L"VelkaroTime";
inline constexpr const wchar_t* kServicePipe = L"\\\\.\\pipe\\VelkaroTime";
// Where the service's approved servers are kept (HKEY_LOCAL_MACHINE), as a REG_MULTI_SZ value.
inline constexpr const wchar_t* kServiceKeyPath = L"SOFTWARE\\Velkaro";
inline constexpr const wchar_t* kServersValueName = L"Servers";
// The largest step the service takes, in seconds either way (REG_DWORD beside Servers); without
// the value 15 hours, as Windows' own time service outside a domain; 0xFFFFFFFF for no limit.
inline constexpr const wchar_t* kMaxCorrectionValueName = L"MaxCorrection";
inline constexpr uint32_t kDefaultMaxCorrection = 54000;
inline constexpr uint32_t kNoMaxCorrection = 0xFFFFFFFF;
// The largest step in milliseconds for the value as read (nullopt where there is none).
int64_t MaxStepMs(std::optional<uint32_t> maxCorrection);
// The longest request the service reads; a longer one is refused whole.
inline constexpr size_t kMaxServiceRequest = 512;
// The longest answer: a report of a few lines, the system's message included.
inline constexpr size_t kMaxServiceAnswer = 4096;
// How long the clock waits for the service's answer: the service's longest run, with room for a
// service that is busy with another client's run first.
inline constexpr double kServiceAnswerLimitMs = 2 * kLongestRunMs;

// A request names the server to synchronise with: "SYNC2 " and the server from a clock that reads
// every answer below, followed by a line feed and "AUTOMATIC" for a run the user did not start
// (the rules of sending hold it); "SYNC " and the server from a clock of an earlier version;
// nothing else. The server must pass IsSyncServer; anything else (too long, empty, binary, another
// line) is no request.
struct ServiceRequest {
    std::string server;
    bool current = true;     // the asking clock reads this version's answers
    bool automatic = false;  // current only
    bool operator==(const ServiceRequest&) const = default;
};
std::string FormatServiceRequest(const ServiceRequest& request);
std::optional<ServiceRequest> ParseServiceRequest(std::span<const uint8_t> message);

// The answer to a current request: "SET" and the reply's numbers (the round trip in whole
// nanoseconds: exact for a performance counter of 10 MHz), then the correction in milliseconds;
// or the failure as words alone, for the clock to put in its user's language: "NO-ANSWER",
// "SEND-FAILED", "SOCKET-ERROR" and the error's number, "NO-USABLE-TIME", "REFUSED",
// "NOT-APPROVED", "TOO-LARGE", "DENIED" (the server refuses this PC), "RATE" and the
// milliseconds until the server's rest ends; to an automatic run also "HELD" and the
// milliseconds until it may send, or "SKIPPED"; or "BAD-REQUEST" to what was no request. Words and numbers are
// separated by a line feed. A request in the earlier form is answered in the earlier form: seven
// numbers, REFUSED, NOT-APPROVED, and every other failure as "FAILED" with its report in
// Japanese (which is what such a clock reads). An answer that does not parse is no answer
// (nullopt); so is BAD-REQUEST, which a service of an earlier version gives a current request.
std::string FormatServiceAnswer(const SyncOutcome& outcome, const ServiceRequest& request = {});
std::string BadRequestAnswer();
std::optional<SyncOutcome> ParseServiceAnswer(std::span<const uint8_t> message);

// The servers the service may synchronise with: the server given at installation and the
// options dialog's list, each once (letter case aside), in that order.
std::vector<std::string> ApprovedServers(std::string_view server, std::span<const char* const> listServers);
bool IsApprovedServer(std::string_view server, const std::vector<std::string>& approved);

// The command lines that install and remove the service: /install-service "SERVER" and
// /uninstall-service.
std::string InstallServiceParameters(std::string_view server);
inline constexpr const char* kUninstallServiceParameters = "/uninstall-service";

// The report of an installation or removal that failed, the system's message after the first
// line (UTF-8).
std::string ServiceChangeFailedReport(Language language, bool install, const std::string& systemMessage);

// Where the installed copy goes: under the native Program Files folder (the 64-bit one on 64-bit
// Windows, whichever build installs), or the one the system names where there is no native one.
// Both builds reach the approved servers' key in the 64-bit view of the registry.
std::wstring ServiceFolder(const std::wstring& nativeProgramFiles, const std::wstring& programFiles);
