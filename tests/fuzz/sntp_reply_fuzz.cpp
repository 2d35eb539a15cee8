// Any bytes as the datagram that arrives during a wait, with any request value and timing:
//   bytes 0-7   the request's transmit value (big-endian)
//   bytes 8-9   the elapsed round trip in 0.1 ms
//   bytes 10-11 the time since the reply was taken, in 0.01 ms
//   the rest    the datagram
// A reply is refused, or it yields a time within the NTP eras that is set on a whole
// millisecond, close to the server's transmit time.
#include <cstdint>
#include <span>
#include <string>

#include "fuzz_check.h"
#include "timesync/sntp.h"

namespace {

constexpr int64_t kFirstEraSecond = -61505152;              // 1968-01-20 03:14:08 UTC
constexpr int64_t kLastEraSecond = 4294967295 + 2147483648 - 2208988800;  // 2104-02-26 09:42:23

uint64_t ReadBig(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 12) return 0;
    const uint64_t sent = ReadBig(data, 8);
    const double elapsedMs = double(ReadBig(data + 8, 2)) / 10.0;
    const double sinceMs = double(ReadBig(data + 10, 2)) / 100.0;
    const std::span<const uint8_t> datagram(data + 12, size - 12);

    const ExaminedReply e = ExamineReply(datagram, sent, elapsedMs);
    FUZZ_CHECK(e.verdict == CheckReply(datagram, sent) || e.verdict == ReplyVerdict::NoUsableTime);
    if (datagram.size() < kSntpPacketSize) FUZZ_CHECK(e.verdict == ReplyVerdict::Ignore);
    if (e.verdict == ReplyVerdict::NoUsableTime && CheckReply(datagram, sent) == ReplyVerdict::Accept) {
        // refused for its hold alone: one out of proportion to the round trip
        const double hold = HoldMs(DecodeReply(datagram.first<kSntpPacketSize>()));
        FUZZ_CHECK(hold < 0 || hold > elapsedMs + kHoldToleranceMs);
    }
    if (e.verdict != ReplyVerdict::Accept) return 0;

    const SntpReply& r = e.reply;
    FUZZ_CHECK(r.stratum >= 1 && r.stratum <= 15);
    FUZZ_CHECK(r.fraction >= 0 && r.fraction <= 10000);
    FUZZ_CHECK(r.hold >= 0 && HoldMs(r) <= elapsedMs + kHoldToleranceMs);
    FUZZ_CHECK(r.transmitUnixSeconds >= kFirstEraSecond && r.transmitUnixSeconds <= kLastEraSecond);

    const double wait = MillisecondsToWholeMillisecond(r, elapsedMs, sinceMs);
    FUZZ_CHECK(wait >= 0 && wait < 1);
    const int64_t setMs = TimeToSetUnixMs(r, elapsedMs, sinceMs + wait);
    // The time set lies after the transmit second by the fraction, the one-way delay and the
    // time since the reply: never before it, never more than that after it.
    const int64_t afterTransmitMs = setMs - r.transmitUnixSeconds * 1000;
    FUZZ_CHECK(afterTransmitMs >= -1 && afterTransmitMs <= 1000 + elapsedMs / 2 + sinceMs + 2);
    // Rounding after the wait takes nothing: the unrounded time was already whole.
    FUZZ_CHECK(TimeToSetUnixMs(r, elapsedMs, sinceMs) - setMs <= 0);

    const CivilTime t = CivilFromUnixMs(setMs);
    FUZZ_CHECK(t.year >= 1968 && t.year <= 2104);
    FUZZ_CHECK(t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31);
    FUZZ_CHECK(t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59);
    FUZZ_CHECK(t.millisecond >= 0 && t.millisecond <= 999);
    FUZZ_CHECK(FormatReplyTime(CivilFromUnixMs(r.transmitUnixSeconds * 1000)).size() == 19);

    const std::string report = SuccessReport(Language::Japanese, "host", r, elapsedMs);
    FUZZ_CHECK(report.find("Stratum: " + std::to_string(r.stratum)) != std::string::npos);
    // "取得した時刻: yyyy/mm/dd hh:nn:ss.fff", whatever the fraction carried into
    const size_t line = report.find("取得した時刻: ") + std::string("取得した時刻: ").size();
    FUZZ_CHECK(report.find("\r\n", line) == line + 23 && report[line + 19] == '.');
    return 0;
}
