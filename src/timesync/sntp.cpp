// The SNTP request, the checks and arithmetic of the reply, and the report texts.
#include "timesync/sntp.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/numeric.h"

namespace {

constexpr int64_t kUnixFromNtpEra0 = 2208988800;  // 1900-01-01 to 1970-01-01, in seconds

uint32_t Read32(std::span<const uint8_t> b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | uint32_t(b[at + 3]);
}
uint64_t Read64(std::span<const uint8_t> b, size_t at) { return uint64_t(Read32(b, at)) << 32 | Read32(b, at + 4); }

std::string TwoDigits(int v) {
    char s[8];
    std::snprintf(s, sizeof s, "%02d", v);
    return s;
}

}  // namespace

std::string HostForLookup(std::string_view server) {
    const bool bracketed = server.size() >= 2 && server.front() == '[' && server.back() == ']';
    if (bracketed) server = server.substr(1, server.size() - 2);
    // An IPv6 literal has at least two colons; a single one would be a port.
    const auto colons = std::count(server.begin(), server.end(), ':');
    if (server.find_first_of("[]") != std::string_view::npos || colons == 1 || (bracketed && colons == 0)) return {};
    return std::string(server);
}

SntpPacket BuildRequest(uint64_t transmitValue) {
    SntpPacket p{};
    p[0] = 0x0B;  // leap indicator 0, version 1, mode 3 (client)
    for (int i = 0; i < 8; ++i) p[40 + i] = uint8_t(transmitValue >> (56 - 8 * i));
    return p;
}

ReplyVerdict CheckReply(std::span<const uint8_t> d, uint64_t transmitValue) {
    if (d.size() < kSntpPacketSize) return ReplyVerdict::Ignore;
    if ((d[0] & 0x07) != 4) return ReplyVerdict::Ignore;            // not from a server
    if (Read64(d, 24) != transmitValue) return ReplyVerdict::Ignore;  // not the answer to our request
    const int leap = d[0] >> 6, stratum = d[1];
    if (leap == 3 || stratum == 0 || stratum > 15 || Read64(d, 40) == 0) return ReplyVerdict::NoUsableTime;
    return ReplyVerdict::Accept;
}

Kiss KissOfCode(std::string_view referenceId) {
    if (referenceId == "DENY" || referenceId == "RSTR") return Kiss::Deny;
    if (referenceId == "RATE") return Kiss::Rate;
    return Kiss::Other;
}

ExaminedReply ExamineReply(std::span<const uint8_t> datagram, uint64_t transmitValue, double elapsedMs) {
    ExaminedReply e{CheckReply(datagram, transmitValue), {}};
    // Only an answer to our own request can kiss (CheckReply looked at its origin).
    if (e.verdict == ReplyVerdict::NoUsableTime && datagram[1] == 0)
        e.kiss = KissOfCode({reinterpret_cast<const char*>(datagram.data()) + 12, 4});
    if (e.verdict != ReplyVerdict::Accept) return e;
    e.reply = DecodeReply(datagram.first<kSntpPacketSize>());
    const double hold = HoldMs(e.reply);
    if (hold < 0 || hold > elapsedMs + kHoldToleranceMs) e.verdict = ReplyVerdict::NoUsableTime;
    return e;
}

int64_t NtpSecondsToUnix(uint32_t ntpSeconds) {
    const int64_t era = (ntpSeconds & 0x80000000u) ? 0 : 1;
    return int64_t(ntpSeconds) + era * (int64_t(1) << 32) - kUnixFromNtpEra0;
}

TenThousandths RoundFraction(uint32_t binaryFraction) {
    // value / 2^32 s = value × 10000 / 2^32 units; exact in 64 bits, then halves to even.
    const uint64_t scaled = uint64_t(binaryFraction) * 10000;
    const uint64_t whole = scaled >> 32, rest = scaled & 0xFFFFFFFFu, half = uint64_t(1) << 31;
    if (rest > half || (rest == half && (whole & 1))) return TenThousandths(whole + 1);
    return TenThousandths(whole);
}

SntpReply DecodeReply(std::span<const uint8_t, kSntpPacketSize> d) {
    SntpReply r{};
    r.stratum = d[1];
    r.poll = d[2];
    r.precision = d[3];
    const uint32_t receiveSeconds = Read32(d, 32), transmitSeconds = Read32(d, 40);
    r.fraction = RoundFraction(Read32(d, 44));
    // Whole seconds included: a request held across a second boundary still gives a small
    // positive hold. The difference is taken modulo 2^32, so an era boundary does no harm.
    const int32_t heldSeconds = int32_t(transmitSeconds - receiveSeconds);
    r.hold = TenThousandths(heldSeconds) * 10000 + r.fraction - RoundFraction(Read32(d, 36));
    r.transmitUnixSeconds = NtpSecondsToUnix(transmitSeconds);
    return r;
}

CivilTime CivilFromUnixMs(int64_t unixMs) {
    auto floorDiv = [](int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); };
    const int64_t days = floorDiv(unixMs, 86400000);
    int64_t ms = unixMs - days * 86400000;
    // Days to the Gregorian calendar (Howard Hinnant's civil_from_days).
    const int64_t z = days + 719468;
    const int64_t era = floorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    CivilTime t{};
    t.day = int(doy - (153 * mp + 2) / 5 + 1);
    t.month = int(mp < 10 ? mp + 3 : mp - 9);
    t.year = yoe + era * 400 + (t.month <= 2);
    t.hour = int(ms / 3600000);
    ms %= 3600000;
    t.minute = int(ms / 60000);
    ms %= 60000;
    t.second = int(ms / 1000);
    t.millisecond = int(ms % 1000);
    return t;
}

int64_t UnixMsFromCivil(const CivilTime& t) {
    // The Gregorian calendar to days (Howard Hinnant's days_from_civil).
    const int64_t y = t.year - (t.month <= 2);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (t.month > 2 ? t.month - 3 : t.month + 9) + 2) / 5 + t.day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t days = era * 146097 + doe - 719468;
    return ((days * 24 + t.hour) * 60 + t.minute) * 60000 + t.second * 1000 + t.millisecond;
}

std::string FormatReplyTime(const CivilTime& t) {
    char year[24];
    std::snprintf(year, sizeof year, "%04lld", static_cast<long long>(t.year));
    return std::string(year) + "/" + TwoDigits(t.month) + "/" + TwoDigits(t.day) + " " + TwoDigits(t.hour) + ":" +
           TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

double FractionMs(const SntpReply& r) { return double(r.fraction) / 10.0; }
double HoldMs(const SntpReply& r) { return double(r.hold) / 10.0; }
double EstimatedDelayMs(double elapsedMs, const SntpReply& r) { return (elapsedMs - HoldMs(r)) / 2.0; }

namespace {
// Milliseconds from the transmit timestamp's whole second to the time to set.
double OffsetFromTransmitSecondMs(const SntpReply& r, double elapsedMs, double sinceReplyMs) {
    return EstimatedDelayMs(elapsedMs, r) + FractionMs(r) + sinceReplyMs;
}
}  // namespace

int64_t TimeToSetUnixMs(const SntpReply& r, double elapsedMs, double sinceReplyMs) {
    const double offsetMs = RoundHalfEven(OffsetFromTransmitSecondMs(r, elapsedMs, sinceReplyMs));
    return r.transmitUnixSeconds * 1000 + int64_t(offsetMs);
}

double MillisecondsToWholeMillisecond(const SntpReply& r, double elapsedMs, double sinceReplyMs) {
    const double offsetMs = OffsetFromTransmitSecondMs(r, elapsedMs, sinceReplyMs);
    const double wait = std::ceil(offsetMs) - offsetMs;
    return wait < 1.0 ? wait : 0.0;
}

std::string FormatOneDecimal(double value) {
    // Halves away from zero, with a little tolerance so that a value such as 0.15, stored a
    // hair below its decimal text, still rounds as it reads. A negative value keeps its minus
    // even when it rounds to zero: -0.04 is "-0.0".
    const double scaled = value * 10.0;
    const double tolerance = 1e-9 * std::max(1.0, std::fabs(scaled));
    const long long tenths = std::llabs(std::llround(scaled + (scaled >= 0 ? tolerance : -tolerance)));
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%lld", value < 0 ? "-" : "", tenths / 10, tenths % 10);
    return text;
}

std::string FormatReplyTimeMs(int64_t unixSeconds, TenThousandths fraction) {
    // The fraction rounded to thousandths, halves away from zero; 0.9995 s and more carry into
    // the seconds (and on into the date): "08:30:06.000".
    const CivilTime t = CivilFromUnixMs(unixSeconds * 1000 + (fraction + 5) / 10);
    char milliseconds[8];
    std::snprintf(milliseconds, sizeof milliseconds, ".%03d", t.millisecond);
    return FormatReplyTime(t) + milliseconds;
}

std::string SuccessReport(Language language, const std::string& server, const SntpReply& r, double elapsedMs) {
    const std::string received = FormatReplyTimeMs(r.transmitUnixSeconds + 9 * 3600, r.fraction);
    return Words(language, Text::SyncedWith, {server}) + "\r\n\r\n" + Words(language, Text::TimeReceived, {received}) + "\r\n" +
           Words(language, Text::ReplyHeader,
                 {std::to_string(r.stratum), std::to_string(r.poll), std::to_string(int(int8_t(r.precision)))}) +
           "\r\n" +
           Words(language, Text::ReplyDelays, {FormatOneDecimal(HoldMs(r)), FormatOneDecimal(EstimatedDelayMs(elapsedMs, r))});
}
