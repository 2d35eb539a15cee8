// Any bytes as a message on the time service's pipe, read both as a request (by the service)
// and as an answer (by the clock). A request is accepted only as "SYNC2 " or "SYNC " and a server
// the /sync check takes, within the size limit; what either side accepts, it writes back the same.
#include <cstdint>
#include <span>
#include <string>

#include "fuzz_check.h"
#include "service/time_service.h"
#include "timesync/sync_command.h"

namespace {
std::span<const uint8_t> Bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> message(data, size);
    if (const auto request = ParseServiceRequest(message)) {
        FUZZ_CHECK(size <= kMaxServiceRequest && IsSyncServer(request->server));
        FUZZ_CHECK(FormatServiceRequest(*request) == std::string(reinterpret_cast<const char*>(data), size));
    }
    if (const auto answer = ParseServiceAnswer(message)) {
        // (what the clock itself words, the service never says)
        FUZZ_CHECK(answer->kind != SyncOutcome::Kind::Abandoned && answer->kind != SyncOutcome::Kind::Unreachable);
        const auto again = ParseServiceAnswer(Bytes(FormatServiceAnswer(*answer)));
        FUZZ_CHECK(again && *again == *answer);
    }
    return 0;
}
