#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "timesync/address_round.h"

namespace {

using F = AddressRound::Failure;
const std::string kSilence = "時刻の同期に失敗しました。\r\n\r\nNTPサーバー 'a' の応答がありません。",
                  kRefused = "時刻の同期に失敗しました。\r\n\r\nNTPサーバー 'a' の応答に有効な時刻が含まれていません。",
                  kSendFailed = "時刻の同期に失敗しました。\r\n\r\nNTPサーバー 'a' と正常に通信できません。",
                  kSocket = "通信エラー No.10065: no route";

// What befalls an address at a moment: a failure, or (address -1) a usable reply.
struct Event {
    double atMs;
    int address;
    F failure = F::SocketError;
    int socketError = 10065;
};

TEST(AddressRound, AddressesAreAskedInTurnUntilAReplyOrTheTimeOutOfTheLast) {
    const struct {
        const char* what;
        size_t addresses;
        std::vector<Event> events;
        std::vector<double> askedAt;
        double overAt;
        std::optional<std::string> report;  // none: the reply
        double cutAt = -1;             // a run started inside the wait takes the socket
    } cases[] = {
        {"one silent address: the second of old", 1, {}, {0}, 1001, kSilence},
        {"the second answers after the first's 500 ms", 2, {{520, -1}}, {0, 500}, 520, std::nullopt},
        {"an unreachable port moves on at once, the run waits for late replies", 2, {{3, 0, F::Unreachable}}, {0, 3}, 1004, kSilence},
        {"a send that failed moves on at once, and is the report", 2, {{0, 0, F::SendFailed}}, {0, 0}, 1001, kSendFailed},
        {"a refused reply says more than the first's silence", 2, {{600, 1, F::NoUsableTime}}, {0, 500}, 1501, kRefused},
        {"all failed for good: over at once, the first's", 2, {{100, 0}, {150, 1, F::NoUsableTime}}, {0, 100}, 150, kSocket},
        {"only a first failure counts", 1, {{10, 0}, {10, 0, F::NoUsableTime}}, {0}, 10, kSocket},
        {"eight at most", 12, {}, {0, 500, 1000, 1500, 2000, 2500, 3000, 3500}, 4501, kSilence},
        {"no further address once cut", 3, {}, {0}, 1001, kSilence, 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Driven as a run drives it, millisecond by millisecond.
        AddressRound round;
        round.Start(c.addresses);
        std::vector<double> askedAt;
        const auto ask = [&](double t) {
            while (const auto next = round.Due(t)) round.Asked(*next, t), askedAt.push_back(t);
        };
        double overAt = -1;
        for (double t = 0; t <= 6000 && overAt < 0; ++t) {
            ask(t);
            for (const Event& e : c.events)
                if (e.atMs == t) e.address < 0 ? round.Replied({}) : round.Fail(size_t(e.address), e.failure, e.socketError, "no route");
            if (c.cutAt == t) round.Cut();
            ask(t);
            if (round.Over(t)) overAt = t;
            else EXPECT_GE(round.NextMomentMs(), t) << "a moment already past at " << t;
        }
        EXPECT_EQ(c.askedAt, askedAt);
        EXPECT_EQ(c.overAt, overAt);
        EXPECT_EQ(c.report, round.reply() ? std::nullopt : std::optional(OutcomeReport(Language::Japanese, round.Failed(), "a")));
    }
}

}  // namespace
