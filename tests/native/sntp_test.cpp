#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "timesync/sntp.h"
#include "timesync/sync_outcome.h"
#include "timesync/sync_command.h"

namespace {

constexpr uint64_t kSent = 0x0123456789ABCDEFull;

// A server's reply to the request carrying kSent, with the given fields.
// The receive timestamp defaults to the transmit timestamp (no hold).
SntpPacket Reply(uint32_t transmitSeconds, uint32_t transmitFraction, uint32_t receiveSeconds = 0,
                 uint32_t receiveFraction = 0, uint8_t stratum = 2, uint8_t first = 0x24) {
    SntpPacket p{};
    p[0] = first;  // leap 0, version 4, mode 4
    p[1] = stratum;
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) p[at + i] = uint8_t(v >> (24 - 8 * i));
    };
    put32(24, uint32_t(kSent >> 32));
    put32(28, uint32_t(kSent));
    put32(32, receiveSeconds ? receiveSeconds : transmitSeconds);
    put32(36, receiveSeconds ? receiveFraction : transmitFraction);
    put32(40, transmitSeconds);
    put32(44, transmitFraction);
    return p;
}

SntpReply Decode(const SntpPacket& p) { return DecodeReply(std::span<const uint8_t, kSntpPacketSize>(p)); }
std::string Utc(const SntpReply& r) { return FormatReplyTime(CivilFromUnixMs(r.transmitUnixSeconds * 1000)); }

TEST(Sntp, RequestIsVersionOneClientWithTheRandomValueAsTransmitTimestamp) {
    SntpPacket p = BuildRequest(kSent);
    EXPECT_EQ(0x0B, p[0]);
    for (size_t i = 1; i < 40; ++i) EXPECT_EQ(0, p[i]) << i;
    const uint8_t value[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(value[i], p[40 + i]);
}

TEST(Sntp, WorkedExamplesOfTheReply) {
    SntpReply r = Decode(Reply(0xEB808BFD, 0x80000000));
    EXPECT_EQ("2025/03/15 23:30:05", Utc(r));
    EXPECT_EQ("2025/03/16 08:30:05", FormatReplyTime(CivilFromUnixMs((r.transmitUnixSeconds + 9 * 3600) * 1000)));
    EXPECT_DOUBLE_EQ(500.0, FractionMs(r));

    r = Decode(Reply(0xE93C7F00, 0));
    EXPECT_EQ("2024/01/01 00:00:00", Utc(r));

    r = Decode(Reply(0xE93C7F00, 0x40100000, 0xE93C7F00, 0x40000000));
    EXPECT_EQ(2, r.hold);  // 0.2502 - 0.2500 s
    EXPECT_DOUBLE_EQ(0.2, HoldMs(r));

    EXPECT_EQ(312, RoundFraction(0x08000000));  // 0.03125 s: the half goes to the even unit
    EXPECT_EQ(313, RoundFraction(0x08000001));
    r = Decode(Reply(0xE93C7F00, 0x08000000));
    EXPECT_DOUBLE_EQ(31.2, FractionMs(r));

    r = Decode(Reply(0xE93C7F00, 0xFFFFFFFF));  // rounds to a whole second: the seconds stay
    EXPECT_DOUBLE_EQ(1000.0, FractionMs(r));
    EXPECT_EQ("2024/01/01 00:00:00", Utc(r));
}

TEST(Sntp, MillisecondsAndTheReport) {
    SntpPacket p = Reply(0xEB808BFD, 0x80000000, 0xEB808BFD, 0x7FF2E48F);  // received at 0.4998 s
    p[2] = 0;
    p[3] = 0xEC;
    SntpReply r = Decode(p);
    ASSERT_EQ(2, r.hold);
    EXPECT_DOUBLE_EQ(15.4, EstimatedDelayMs(31, r));
    EXPECT_EQ(CivilTime({2025, 3, 15, 23, 30, 5, 515}), CivilFromUnixMs(TimeToSetUnixMs(r, 31, 0)));
    EXPECT_EQ("システムの時刻を 'ntp.example.jp' と同期しました。\r\n"
              "\r\n"
              "取得した時刻: 2025/03/16 08:30:05.500\r\n"
              "Stratum: 2\u3000Poll Interval: 0\u3000Precision: -20\r\n"
              "応答遅延: 0.2ms\u3000推定伝送遅延: 15.4ms",
              SuccessReport(Language::Japanese, "ntp.example.jp", r, 31));

    // delay + fraction of exactly 515.5 and 516.5 both give 516
    SntpReply even = Decode(Reply(0xEB808BFD, 0x80000000));
    EXPECT_EQ(516, CivilFromUnixMs(TimeToSetUnixMs(even, 31, 0)).millisecond);  // 500 + 15.5
    EXPECT_EQ(516, CivilFromUnixMs(TimeToSetUnixMs(even, 33, 0)).millisecond);  // 500 + 16.5
    // the time since the reply was taken moves the time set, not the report
    EXPECT_EQ(521, CivilFromUnixMs(TimeToSetUnixMs(even, 31, 5.2)).millisecond);
}

TEST(Sntp, HoldAcrossASecondBoundaryStaysSmallAndPositive) {
    // Received at 0.9990 s, sent at 1.0010 s of the next second: held 2 ms, not -998 ms.
    SntpReply r = Decode(Reply(0xE93C7F01, 0x00418937, 0xE93C7F00, 0xFFBE76C9));
    EXPECT_EQ(20, r.hold);
    EXPECT_DOUBLE_EQ(2.0, HoldMs(r));
    EXPECT_DOUBLE_EQ(9.0, EstimatedDelayMs(20, r));
    EXPECT_EQ("応答遅延: 2.0ms\u3000推定伝送遅延: 9.0ms",
              SuccessReport(Language::Japanese, "s", r, 20).substr(SuccessReport(Language::Japanese, "s", r, 20).rfind("\r\n") + 2));
}

TEST(Sntp, MillisecondsCarryIntoSecondsAndTheDateBothWays) {
    struct Case {
        uint32_t seconds;  // transmit seconds (NTP)
        double elapsed;
        uint32_t fraction;
        CivilTime expected;
    } cases[] = {
        // 990.0 ms + 15 ms: the next second plus 5 ms
        {0xE93C7F00, 30, 0xFD70A3D7, {2024, 1, 1, 0, 0, 1, 5}},
        // across midnight, a month end and a year end: 2023-12-31 23:59:59.990 + 15
        {0xE93C7EFF, 30, 0xFD70A3D7, {2024, 1, 1, 0, 0, 0, 5}},
        // 2024-02-29 23:59:59 (leap day) .990 + 15 ms gives March
        {0xE98B98FF, 30, 0xFD70A3D7, {2024, 3, 1, 0, 0, 0, 5}},
        // a negative delay (hold out of proportion) borrows from the second before
        {0xE93C7F00, -40, 0x00000000, {2023, 12, 31, 23, 59, 59, 980}},
    };
    for (const Case& c : cases) {
        SntpReply r = Decode(Reply(c.seconds, c.fraction));
        CivilTime t = CivilFromUnixMs(TimeToSetUnixMs(r, c.elapsed, 0));
        EXPECT_EQ(c.expected, t) << FormatReplyTime(t) << "." << t.millisecond;
    }
}

TEST(Sntp, RepliesThatAreNotOursAreIgnoredAndUselessOnesRefused) {
    const SntpPacket good = Reply(0xEB808BFD, 0x80000000);
    EXPECT_EQ(ReplyVerdict::Accept, CheckReply(good, kSent));
    std::vector<uint8_t> longer(good.begin(), good.end());
    longer.resize(68, 0xAA);  // an extension field after the header does no harm
    EXPECT_EQ(ReplyVerdict::Accept, CheckReply(longer, kSent));

    struct Case {
        const char* what;
        SntpPacket packet;
        size_t size;
        uint64_t sent;
        ReplyVerdict verdict;
    } cases[] = {
        {"short", good, 47, kSent, ReplyVerdict::Ignore},
        {"empty", good, 0, kSent, ReplyVerdict::Ignore},
        {"wrong originate", good, 48, kSent + 1, ReplyVerdict::Ignore},
        {"client mode", Reply(0xEB808BFD, 0, 0, 0, 2, 0x23), 48, kSent, ReplyVerdict::Ignore},
        {"broadcast mode", Reply(0xEB808BFD, 0, 0, 0, 2, 0x25), 48, kSent, ReplyVerdict::Ignore},
        {"unsynchronised", Reply(0xEB808BFD, 0, 0, 0, 2, 0xE4), 48, kSent, ReplyVerdict::NoUsableTime},
        {"kiss-o'-death", Reply(0xEB808BFD, 0, 0, 0, 0), 48, kSent, ReplyVerdict::NoUsableTime},
        {"stratum 16", Reply(0xEB808BFD, 0, 0, 0, 16), 48, kSent, ReplyVerdict::NoUsableTime},
        {"stratum 15", Reply(0xEB808BFD, 0, 0, 0, 15), 48, kSent, ReplyVerdict::Accept},
        {"zero transmit", Reply(0, 0, 0xEB808BFD), 48, kSent, ReplyVerdict::NoUsableTime},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.verdict, CheckReply(std::span<const uint8_t>(c.packet.data(), c.size), c.sent)) << c.what;
}

// A kiss is read only from a reply of stratum 0 that answers our request.
TEST(Sntp, TheKissCodeIsTheReferenceIdOfAStratumZeroReplyToOurRequest) {
    struct Case {
        const char* code;
        uint8_t stratum;
        uint64_t sent;
        ReplyVerdict verdict;
        Kiss kiss;
    } cases[] = {
        {"DENY", 0, kSent, ReplyVerdict::NoUsableTime, Kiss::Deny}, {"RSTR", 0, kSent, ReplyVerdict::NoUsableTime, Kiss::Deny},
        {"RATE", 0, kSent, ReplyVerdict::NoUsableTime, Kiss::Rate}, {"ACST", 0, kSent, ReplyVerdict::NoUsableTime, Kiss::Other},
        {"rate", 0, kSent, ReplyVerdict::NoUsableTime, Kiss::Other}, {"\0\0\0\0", 0, kSent, ReplyVerdict::NoUsableTime, Kiss::Other},
        {"DENY", 0, kSent + 1, ReplyVerdict::Ignore, Kiss::None},  // forged: not an answer to us
        {"RATE", 2, kSent, ReplyVerdict::Accept, Kiss::None},      // a reference id of a stratum-2 server
    };
    for (const Case& c : cases) {
        SntpPacket p = Reply(0xEB808BFD, 0, 0, 0, c.stratum);
        std::copy(c.code, c.code + 4, p.begin() + 12);
        const ExaminedReply e = ExamineReply(p, c.sent, 10);
        EXPECT_EQ(c.verdict, e.verdict) << c.code;
        EXPECT_EQ(c.kiss, e.kiss) << c.code;
    }
}

TEST(Sntp, EraBoundary) {
    EXPECT_EQ("2036/02/07 06:28:15", Utc(Decode(Reply(0xFFFFFFFF, 0))));
    EXPECT_EQ("2036/02/07 06:28:16", Utc(Decode(Reply(0x00000000, 0x00000001))));  // era 1 begins
    EXPECT_EQ("2036/02/07 06:28:17", Utc(Decode(Reply(0x00000001, 0))));
    EXPECT_EQ("2104/02/26 09:42:23", Utc(Decode(Reply(0x7FFFFFFF, 0))));
    EXPECT_EQ("1968/01/20 03:14:08", Utc(Decode(Reply(0x80000000, 0))));
    // held across the era boundary: still two milliseconds
    SntpReply r = Decode(Reply(0x00000000, 0x00418937, 0xFFFFFFFF, 0xFFBE76C9));
    EXPECT_EQ(20, r.hold);
}

TEST(Sntp, ReportTextsAndNumberFormats) {
    // Every failure as the run reports it, worded from the outcome.
    using Kind = SyncOutcome::Kind;
    using Cause = SyncOutcome::Cause;
    SyncOutcome socket(Kind::Failed, Cause::SocketError), socketUnknown = socket, earlier(Kind::Failed);
    socket.socketError = socketUnknown.socketError = 10054;
    socket.detail = "reset";
    earlier.report = "as an earlier service worded it";
    const std::pair<SyncOutcome, std::string> reports[] = {
        {SyncOutcome(Kind::Unreachable), "時刻の同期に失敗しました。\r\n\r\n時刻合わせサービスに接続できません。"},
        {socket, "通信エラー No.10054: reset"},
        {socketUnknown, "通信エラー No.10054: 通信中にエラーが発生しました。"},
        {earlier, "as an earlier service worded it"},
    };
    for (const auto& [outcome, report] : reports) EXPECT_EQ(report, OutcomeReport(Language::Japanese, outcome, "s"));
    SyncOutcome rate(Kind::RateLimited);
    rate.restEnds = {2026, 12, 8, 7, 5, 0, 0};
    const std::tuple<SyncOutcome, std::string, std::string> both[] = {
        {SyncOutcome(Kind::Failed), "NTPサーバー 's' の応答がありません。", "The NTP server 's' did not answer."},
        {SyncOutcome(Kind::Failed, Cause::SendFailed), "NTPサーバー 's' と正常に通信できません。",
         "Tarnvik cannot communicate with the NTP server 's'."},
        {SyncOutcome(Kind::NoUsableTime), "NTPサーバー 's' の応答に有効な時刻が含まれていません。",
         "The response from the NTP server 's' does not contain a valid time."},
        {SyncOutcome(Kind::Refused), "システムの時刻を変更する権限がない可能性があります。",
         "Tarnvik might not have permission to change the system time."},
        {SyncOutcome(Kind::NotApproved), "NTPサーバー 's' は時刻合わせサービスに登録されていません。",
         "The NTP server 's' is not registered with the time service."},
        {SyncOutcome(Kind::TooLarge), "NTPサーバー 's' の時刻がこのパソコンの時刻から大きくずれているため、時刻合わせサービスでは合わせません。",
         "The time from the NTP server 's' differs too much from this PC's time, so the time service did not change it."},
        {SyncOutcome(Kind::Denied), "NTPサーバー 's' はこのパソコンからの問い合わせを断っています。別のサーバーを選んでください。",
         "The NTP server 's' refuses requests from this PC. Choose another server."},
        {rate, "NTPサーバー 's' から、問い合わせの間隔を空けるよう求められました。07:05 まで問い合わせを控えます。",
         "The NTP server 's' asked to be queried less often. Tarnvik will not ask it again before 07:05."},
    };
    for (const auto& [outcome, japanese, english] : both) {
        EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\n" + japanese, OutcomeReport(Language::Japanese, outcome, "s"));
        EXPECT_EQ("The time could not be synchronized.\r\n\r\n" + english, OutcomeReport(Language::English, outcome, "s"));
    }
    struct Case {
        double value;
        const char* text;
    } cases[] = {{0, "0.0"},     {0.2, "0.2"},     {15.4, "15.4"},   {15.25, "15.3"},  {0.15, "0.2"},
                 {-0.25, "-0.3"}, {-12.34, "-12.3"}, {1234.56, "1234.6"}, {0.04, "0.0"},
                 // a negative value keeps its minus when it rounds to zero
                 {-0.04, "-0.0"}, {-0.05, "-0.1"}, {-0.0, "0.0"}};
    for (const Case& c : cases) EXPECT_EQ(c.text, FormatOneDecimal(c.value)) << c.value;
}

TEST(Sntp, TheReportsTimeLineRoundsTheFractionAndCarriesIntoTheDate) {
    constexpr int64_t k20240503_083005 = 1714725005;  // 2024/05/03 08:30:05 (already in the zone shown)
    struct Case {
        int64_t seconds;
        TenThousandths fraction;
        const char* text;
    } cases[] = {
        {k20240503_083005, 5000, "2024/05/03 08:30:05.500"},
        {k20240503_083005, 312, "2024/05/03 08:30:05.031"},
        {k20240503_083005, 315, "2024/05/03 08:30:05.032"},  // halves away from zero
        {k20240503_083005, 4, "2024/05/03 08:30:05.000"},
        {k20240503_083005, 9994, "2024/05/03 08:30:05.999"},
        {k20240503_083005, 9995, "2024/05/03 08:30:06.000"},  // rounds up to the next second
        {k20240503_083005, 10000, "2024/05/03 08:30:06.000"},
        {k20240503_083005 + 54, 9995, "2024/05/03 08:31:00.000"},
        {1735689599, 9999, "2025/01/01 00:00:00.000"},  // 2024/12/31 23:59:59.9999: into the new year
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, FormatReplyTimeMs(c.seconds, c.fraction)) << c.fraction;

    // In the report: the transmit second 2024/05/02 23:30:05 UTC with a fraction of 0.99999 s.
    const SntpPacket p = Reply(0xE9DEA07D, 0xFFFF0000, 0xE9DEA07D, 0xFFF00000);
    const std::string report = SuccessReport(Language::Japanese, "s", Decode(p), 20);
    EXPECT_NE(std::string::npos, report.find("取得した時刻: 2024/05/03 08:30:06.000\r\n")) << report;
}

}  // namespace

TEST(Sntp, AHoldTimeOutOfProportionToTheRoundTripCarriesNoUsableTime) {
    // A server that leaves the receive timestamp zero: a hold of decades would move the clock
    // by as much.
    SntpPacket zeroReceive = Reply(0xEB808BFD, 0x80000000);
    for (size_t i = 32; i < 40; ++i) zeroReceive[i] = 0;
    struct Case {
        const char* what;
        SntpPacket packet;
        double elapsedMs;
        ReplyVerdict verdict;
        TenThousandths hold;  // of an accepted reply: transmit minus receive fraction, worked out by hand
    } cases[] = {
        {"no hold", Reply(0xEB808BFD, 0x80000000), 0.3, ReplyVerdict::Accept, 0},
        {"hold within the round trip", Reply(0xEB808BFD, 0x80000000, 0xEB808BFD, 0x7FF2E48F), 31, ReplyVerdict::Accept,
         2},  // 0.5000 - 0.4998 s
        {"hold a second longer than the round trip", Reply(0xEB808BFD, 0x80000000, 0xEB808BFC, 0x80000000), 31,
         ReplyVerdict::NoUsableTime, 0},
        {"hold just within the tolerance", Reply(0xEB808BFD, 0x020C49BA, 0xEB808BFD, 0), 7.0, ReplyVerdict::Accept,
         80},  // 8.0 ms held, 7 ms round trip
        {"hold beyond the tolerance", Reply(0xEB808BFD, 0x024DD2F2, 0xEB808BFD, 0), 7.0,
         ReplyVerdict::NoUsableTime, 0},  // 9.0 ms held
        {"transmitted before received", Reply(0xEB808BFD, 0, 0xEB808BFD, 0x00418937), 31, ReplyVerdict::NoUsableTime, 0},
        {"receive timestamp zero", zeroReceive, 31, ReplyVerdict::NoUsableTime, 0},
        {"not ours stays ignored", Reply(0xEB808BFD, 0, 0, 0, 2, 0x23), 31, ReplyVerdict::Ignore, 0},
    };
    for (const Case& c : cases) {
        const ExaminedReply e = ExamineReply(c.packet, kSent, c.elapsedMs);
        EXPECT_EQ(c.verdict, e.verdict) << c.what;
        if (e.verdict == ReplyVerdict::Accept) {
            EXPECT_EQ(c.hold, e.reply.hold) << c.what;
            EXPECT_EQ(1742081405, e.reply.transmitUnixSeconds) << c.what;  // 2025/03/15 23:30:05 UTC
            EXPECT_EQ(2, e.reply.stratum) << c.what;
        }
    }
}

TEST(Sntp, TheWaitPutsTheTimeToSetOnAWholeMillisecond) {
    const SntpReply r = Decode(Reply(0xEB808BFD, 0x80000000));  // 500.0 ms past the second
    EXPECT_NEAR(0.6, MillisecondsToWholeMillisecond(r, 30.8, 0), 1e-9);  // 515.4 ms: wait 0.6
    EXPECT_EQ(0.0, MillisecondsToWholeMillisecond(r, 30.0, 0));           // 515.0 ms already whole
    const double wait = MillisecondsToWholeMillisecond(r, 31.3, 0.27);    // 515.92 ms
    EXPECT_NEAR(0.08, wait, 1e-9);
    // After the wait the rounding has nothing left to take: exactly 516 ms is set.
    EXPECT_EQ(516, CivilFromUnixMs(TimeToSetUnixMs(r, 31.3, 0.27 + wait)).millisecond);
}

TEST(SyncCommand, OnlySlashSyncWithOneUsableServerRunsASynchronisation) {
    using enum CommandLine::Kind;
    const std::string longest(253, 'a');
    const std::pair<std::vector<std::string>, CommandLine::Kind> cases[] = {
        {{}, Clock}, {{"127.0.0.1"}, Clock}, {{"/syncx", "a"}, Clock},  // the clock ignores its arguments
        {{"/sync", "ntp.example-1.jp"}, Sync}, {{"/SYNC", "127.0.0.1"}, Sync}, {{"/Sync", "[fe80::1%12]"}, Sync},
        {{"/sync", longest}, Sync}, {{"/sync"}, Invalid}, {{"/sync", ""}, Invalid}, {{"/sync", longest + "a"}, Invalid},
        {{"/sync", "a", "b"}, Invalid}, {{"/sync", "a b"}, Invalid}, {{"/sync", "a\"b"}, Invalid},
        {{"/sync", "a_b"}, Invalid}, {{"/sync", "\xE6\x97\xA5.jp"}, Invalid},
        // IPv6 literals bare or in brackets, as the exchange looks them up; never a port
        {{"/sync", "::1"}, Sync}, {{"/sync", "[::1]"}, Sync}, {{"/sync", "[::1]:123"}, Invalid},
        {{"/sync", "127.0.0.1:123"}, Invalid}, {{"/sync", "[ntp.example]"}, Invalid}, {{"/sync", "[::1"}, Invalid},
        // the time service's switches, checked alike
        {{"/install-service", "127.0.0.2"}, InstallService}, {{"/INSTALL-SERVICE", "ntp.nict.jp"}, InstallService},
        {{"/install-service"}, Invalid}, {{"/install-service", "a b"}, Invalid}, {{"/install-service", "a", "b"}, Invalid},
        {{"/uninstall-service"}, UninstallService}, {{"/Uninstall-Service", "x"}, Invalid},
        {{"/service"}, Service}, {{"/SERVICE", "x"}, Invalid}, {{"/services"}, Clock}};
    for (const auto& [arguments, kind] : cases) {
        const CommandLine parsed = ParseCommandLine(arguments);
        EXPECT_EQ(kind, parsed.kind) << testing::PrintToString(arguments);
        EXPECT_EQ(kind == Sync || kind == InstallService ? arguments[1] : "", parsed.server);
    }
    EXPECT_EQ("/sync \"[fe80::1%12]\"", SyncParameters("[fe80::1%12]"));
    for (const auto& [server, host] : {std::pair{"[fe80::1%12]", "fe80::1%12"}, {"[::1]", "::1"},
                                       {"ntp.nict.jp", "ntp.nict.jp"}, {"[::1]:123", ""}, {"127.0.0.1:123", ""},
                                       {"[ntp.example]", ""}, {"[]", ""}, {"a[b", ""}})
        EXPECT_EQ(host, HostForLookup(server)) << server;
    // Only the system's word that it ran counts; an error number of 0 is no success.
    EXPECT_EQ(ElevatedStart::Started, ElevatedStartOf(true, 0));
    EXPECT_EQ(ElevatedStart::Failed, ElevatedStartOf(false, 0));
    EXPECT_EQ(ElevatedStart::Failed, ElevatedStartOf(false, 2));
    EXPECT_EQ(ElevatedStart::Declined, ElevatedStartOf(false, kErrorCancelled));
}
