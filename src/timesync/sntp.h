// One SNTP exchange as numbers and texts: request, reply checks, arithmetic, reports. Portable.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/language.h"

inline constexpr int kSntpPort = 123;

// The host that a server text names, for the look-up: a bracketed IPv6 literal ("[::1]",
// "[fe80::1%12]") without its brackets, any other text as it stands. There is no port: the port
// is always 123, and a text with one ("[::1]:123", "127.0.0.1:123"), or with brackets around
// anything but an IPv6 literal, names no host (empty).
std::string HostForLookup(std::string_view server);
inline constexpr size_t kSntpPacketSize = 48;
using SntpPacket = std::array<uint8_t, kSntpPacketSize>;

// 48 bytes: 0x0B (version 1, client) first, zeros but for the transmit timestamp, which
// carries the given random value so that the reply can be told from any other datagram.
SntpPacket BuildRequest(uint64_t transmitValue);

enum class ReplyVerdict {
    Ignore,        // not the reply to this request: the wait goes on
    NoUsableTime,  // the reply, but without a time to set (unsynchronised, Kiss-o'-Death, ...)
    Accept,
};
ReplyVerdict CheckReply(std::span<const uint8_t> datagram, uint64_t transmitValue);

// A civil date and time, UTC unless said otherwise.
struct CivilTime {
    int64_t year;
    int month, day, hour, minute, second, millisecond;
    bool operator==(const CivilTime&) const = default;
};

// 0.0001-second units: the precision of the hold time and of the fractions.
using TenThousandths = int64_t;

struct SntpReply {
    uint8_t stratum, poll, precision;
    TenThousandths hold;      // the server's hold time: transmit minus receive timestamp
    TenThousandths fraction;  // the transmit timestamp's fraction, 0 .. 10000
    int64_t transmitUnixSeconds;  // whole seconds of the transmit time since 1970-01-01 UTC
    bool operator==(const SntpReply&) const = default;
};

SntpReply DecodeReply(std::span<const uint8_t, kSntpPacketSize> datagram);

// Everything a datagram that arrived during the wait is checked for, in order: that it is the
// reply to this request, that it carries a time, and that the server's hold time is neither
// negative nor longer than the whole round trip (give or take the rounding of the fractions
// and the clocks' rates). A hold out of proportion would move the clock by up to 68 years:
// such a reply carries no usable time. The reply is decoded only when the verdict is Accept.
// A reply of stratum 0 to our request is a server's Kiss-o'-Death, its code in the reference id:
// DENY and RSTR ask the client to stop, RATE to ask less often.
enum class Kiss { None, Deny, Rate, Other };
Kiss KissOfCode(std::string_view referenceId);
struct ExaminedReply {
    ReplyVerdict verdict;
    SntpReply reply;
    Kiss kiss = Kiss::None;  // NoUsableTime: the kiss it was, if any
};
inline constexpr double kHoldToleranceMs = 1.0;
ExaminedReply ExamineReply(std::span<const uint8_t> datagram, uint64_t transmitValue, double elapsedMs);

// A 32-bit NTP seconds count read in its era: most significant bit set is 1968-2036 counted
// from 1900, clear is 2036-2104 counted from 2036-02-07 06:28:16 UTC. Seconds since 1970.
int64_t NtpSecondsToUnix(uint32_t ntpSeconds);

// A binary fraction of a second (value / 2^32) in 0.0001 s units, halves to the even unit.
TenThousandths RoundFraction(uint32_t binaryFraction);

CivilTime CivilFromUnixMs(int64_t unixMs);
int64_t UnixMsFromCivil(const CivilTime& t);  // the inverse, for any valid date
// "yyyy/mm/dd hh:nn:ss"
std::string FormatReplyTime(const CivilTime& t);

double FractionMs(const SntpReply& r);  // 1000 × the transmit fraction, in steps of 0.1 ms
double HoldMs(const SntpReply& r);      // the hold time in milliseconds, exact to 0.1 ms
// The one-way transmission delay: half of the round trip left after the server's hold.
double EstimatedDelayMs(double elapsedMs, const SntpReply& r);
// Milliseconds since 1970 of the time to set: the transmit instant plus the delay and any time
// that passed since the reply was taken, rounded once (halves to even) and carried into the
// seconds and the date.
int64_t TimeToSetUnixMs(const SntpReply& r, double elapsedMs, double sinceReplyMs);

// The system time is set in whole milliseconds. Waiting this long (0 <= wait < 1 ms) before
// setting puts the time to set on a whole millisecond, so that nothing is lost to rounding.
double MillisecondsToWholeMillisecond(const SntpReply& r, double elapsedMs, double sinceReplyMs);

// The success report (UTF-8), five lines: the server, an empty line, the time received (nine
// hours ahead of UTC), the reply's header bytes, the hold and the estimated delay.
std::string SuccessReport(Language language, const std::string& server, const SntpReply& r, double elapsedMs);

// Numbers as the reports write them, halves away from zero: "###0.0", and the transmit time
// (seconds since 1970 in the wanted zone, and the fraction) as "yyyy/mm/dd hh:nn:ss.000".
std::string FormatOneDecimal(double value);
std::string FormatReplyTimeMs(int64_t unixSeconds, TenThousandths fraction);
