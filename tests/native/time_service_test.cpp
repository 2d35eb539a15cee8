#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "service/time_service.h"

namespace {

std::span<const uint8_t> Bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

TEST(TimeService, RequestsAreSyncAndOneServerTheSyncCheckTakes) {
    const std::string longest = "SYNC2 " + std::string(253, 'a');
    const std::pair<std::string, const char*> cases[] = {
        {"SYNC2 ntp.nict.jp", "ntp.nict.jp"}, {"SYNC2 [fe80::1%12]", "[fe80::1%12]"}, {longest, longest.c_str() + 6},
        {"SYNC ntp.nict.jp", "ntp.nict.jp"},  // a clock of an earlier version
        {"", nullptr}, {"SYNC2 ", nullptr}, {"sync2 ntp.nict.jp", nullptr}, {"SYNC2  ntp.nict.jp", nullptr},
        {"SYNC2 ntp.nict.jp\n", nullptr}, {"SYNC2 a b", nullptr}, {"SYNC2 127.0.0.1:123", nullptr}, {"SYNC3 a", nullptr},
        {longest + "a", nullptr}, {std::string("SYNC2 a\0b", 9), nullptr}, {"SYNC2 \xE6\x97\xA5.jp", nullptr},
        {"SYNC2 " + std::string(600, 'a'), nullptr},
        // A run the user did not start, which the rules of sending hold; only in the current form.
        {"SYNC2 ntp.nict.jp\nAUTOMATIC", "ntp.nict.jp"}, {"SYNC ntp.nict.jp\nAUTOMATIC", nullptr},
        {"SYNC2 ntp.nict.jp\nAUTOMATIC\n", nullptr}, {"SYNC2 \nAUTOMATIC", nullptr}, {"SYNC2 a\nautomatic", nullptr},
    };
    for (const auto& [message, server] : cases) {
        const auto parsed = ParseServiceRequest(Bytes(message));
        EXPECT_EQ(server != nullptr, parsed.has_value()) << message.substr(0, 40);
        if (server && parsed) {
            EXPECT_EQ((ServiceRequest{server, message.starts_with("SYNC2"), message.ends_with("AUTOMATIC")}), *parsed);
            EXPECT_EQ(message, FormatServiceRequest(*parsed));
        }
    }
}

// A clock of the earlier version reads seven numbers and FAILED with its report, nothing newer.
TEST(TimeService, AnEarlierRequestIsAnsweredInTheEarlierForm) {
    const ServiceRequest earlier{"a", false};
    SyncOutcome set(SyncOutcome::Kind::Set);
    set.reply = {2, 6, 0xE9, 123, 5000, 1780000000};
    set.correctionMs = -1204;
    EXPECT_EQ("SET\n2 6 233 123 5000 1780000000 0", FormatServiceAnswer(set, earlier));
    EXPECT_EQ("FAILED\n時刻の同期に失敗しました。\r\n\r\nNTPサーバー 'a' の時刻がこのパソコンの時刻から大きくずれているため、"
              "時刻合わせサービスでは合わせません。",
              FormatServiceAnswer(SyncOutcome(SyncOutcome::Kind::TooLarge), earlier));
    EXPECT_EQ("FAILED\n時刻の同期に失敗しました。\r\n\r\nNTPサーバー 'a' の応答に有効な時刻が含まれていません。",
              FormatServiceAnswer(SyncOutcome(SyncOutcome::Kind::NoUsableTime), earlier));
    // A step far beyond any reply's other numbers (a clock set to 1601) still reads.
    EXPECT_EQ(-13000000000000, ParseServiceAnswer(Bytes("SET\n2 6 233 123 5000 1780000000 0 -13000000000000"))->correctionMs);
}

TEST(TimeService, AnswersCarryTheOutcomeAndParseBackExactly) {
    SyncOutcome set(SyncOutcome::Kind::Set);
    set.reply = {2, 6, 0xE9, 123, 5000, 1780000000};
    set.elapsedMs = 256257.0 / 10000;  // 256257 ticks of a 10 MHz counter
    EXPECT_EQ(std::nullopt, ParseServiceAnswer(Bytes("SET\n2 6 233 123 5000 1780000000 25625700"))->correctionMs);  // an earlier version's
    set.correctionMs = -1204;
    EXPECT_EQ("SET\n2 6 233 123 5000 1780000000 25625700 -1204", FormatServiceAnswer(set));
    // The failures go as words (a socket error with its number) for the clock to put in its language.
    using Kind = SyncOutcome::Kind;
    SyncOutcome socket(Kind::Failed, SyncOutcome::Cause::SocketError);
    socket.socketError = 10065;
    EXPECT_EQ("SOCKET-ERROR\n10065", FormatServiceAnswer(socket));
    // A server's kiss, and the rules of sending holding an automatic run: how long, in milliseconds.
    SyncOutcome rate(Kind::RateLimited), held(Kind::Held);
    rate.waitMs = 900000;
    held.waitMs = 14500;
    EXPECT_EQ("RATE\n900000", FormatServiceAnswer(rate));
    EXPECT_EQ("HELD\n14500", FormatServiceAnswer(held));
    for (const SyncOutcome& o : {set, SyncOutcome(Kind::Failed), SyncOutcome(Kind::Failed, SyncOutcome::Cause::SendFailed), socket,
                                SyncOutcome(Kind::NoUsableTime), SyncOutcome(Kind::Refused), SyncOutcome(Kind::NotApproved),
                                SyncOutcome(Kind::TooLarge), SyncOutcome(Kind::Denied), SyncOutcome(Kind::Skipped), rate, held}) {
        const auto back = ParseServiceAnswer(Bytes(FormatServiceAnswer(o)));
        ASSERT_TRUE(back) << FormatServiceAnswer(o);
        EXPECT_TRUE(o == *back) << FormatServiceAnswer(o);  // every field, none swapped
    }
    // Nothing else is an answer: the clock then reports that it could not reach the service.
    for (const std::string& bad : {std::string(), BadRequestAnswer(), std::string("SET\n1 2 3"),
                                   std::string("SET\n256 6 233 123 5000 1780000000 25.6"),
                                   std::string("SET\n2 6 233 123 5000 1780000000 25.6"), std::string("SET\n2 6 233 123 5000 1780000000 256 +1.5"),
                                   std::string("SET\n2 6 233 123 5000 1780000000 256 1 2"), std::string("FAILED\n"), std::string("NO-USABLE-TIME\n"),
                                   std::string("REFUSED\n"), std::string("FAILED\nx\0y", 10), std::string("RATE"),
                                   std::string("RATE\n-1"), std::string("HELD\n999999999999"), std::string("DENIED\n")})
        EXPECT_FALSE(ParseServiceAnswer(Bytes(bad))) << bad;
}

TEST(TimeService, ApprovedServersAreTheGivenOneAndTheListEachOnce) {
    constexpr const char* kList[] = {"ntp.nict.jp", "pool.ntp.org", "time.cloudflare.com"};
    EXPECT_EQ((std::vector<std::string>{"127.0.0.2", "ntp.nict.jp", "pool.ntp.org", "time.cloudflare.com"}),
              ApprovedServers("127.0.0.2", kList));
    EXPECT_EQ((std::vector<std::string>{"POOL.ntp.org", "ntp.nict.jp", "time.cloudflare.com"}),
              ApprovedServers("POOL.ntp.org", kList));
    const std::vector<std::string> approved = ApprovedServers("127.0.0.2", kList);
    EXPECT_TRUE(IsApprovedServer("Time.Cloudflare.COM", approved));
    EXPECT_FALSE(IsApprovedServer("127.0.0.3", approved));
    EXPECT_FALSE(IsApprovedServer("ntp.nict.jp.", approved));
    EXPECT_EQ("/install-service \"[::1]\"", InstallServiceParameters("[::1]"));
}

// What an administrator's MaxCorrection allows, and where either build installs the copy.
TEST(TimeService, TheStepLimitAndTheInstallFolderFollowTheMachineNotTheBuild) {
    const std::pair<std::optional<uint32_t>, int64_t> limits[] = {
        {std::nullopt, 54'000'000}, {0u, 0}, {3600u, 3'600'000}, {0xFFFFFFFEu, 4'294'967'294'000},
        {0xFFFFFFFFu, INT64_MAX},
    };
    for (const auto& [value, ms] : limits) EXPECT_EQ(ms, MaxStepMs(value)) << value.value_or(42);
    // (the machine's own Program Files folder, the one the system names to this build) -> the copy's folder
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> folders[] = {
        {L"C:\\Program Files", L"C:\\Program Files", L"C:\\Program Files\\Velkaro"},        // x86_64
        {L"C:\\Program Files", L"C:\\Program Files (x86)", L"C:\\Program Files\\Velkaro"},  // i686 on 64-bit Windows
        {L"", L"D:\\Programme", L"D:\\Programme\\Velkaro"},                                 // nothing in the registry
        {L"", L"", L""},
    };
    for (const auto& [native, known, folder] : folders) EXPECT_EQ(std::wstring(folder), ServiceFolder(native, known));
}

TEST(TimeService, AnEarlierServicesFailureKeepsItsOwnWords) {
    const auto failed = ParseServiceAnswer(Bytes("FAILED\nas the service said"));
    ASSERT_TRUE(failed);
    EXPECT_EQ("as the service said", OutcomeReport(Language::English, *failed, "a"));
}

}  // namespace
