#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "timesync/address_round.h"

namespace {

using F = AddressRound::Failure;
using Failed = AddressRound::Failed;
const Failed kSilence{false, "時刻の同期に失敗しました。\r\n\r\nNTPサーバー 'a' の応答がありません。"};
const Failed kRefused{true, "時刻の同期に失敗しました。\r\n\r\nNTPサーバー 'a' の応答に有効な時刻が含まれていません。"};

// What befalls an address at a moment: a failure, or (address -1) a usable reply.
struct Event {
    double atMs;
    int address;
    F failure = F::Reported;
    std::string report = {};
};

TEST(AddressRound, AddressesAreAskedInTurnUntilAReplyOrTheTimeOutOfTheLast) {
    const struct {
        const char* what;
        size_t addresses;
        std::vector<Event> events;
        std::vector<double> askedAt;
        double overAt;
        std::optional<Failed> failed;  // none: the reply
        double cutAt = -1;             // a run started inside the wait takes the socket
    } cases[] = {
        {"one silent address: the second of old", 1, {}, {0}, 1001, kSilence},
        {"the second answers after the first's 500 ms", 2, {{520, -1}}, {0, 500}, 520, std::nullopt},
        {"an unreachable port moves on at once, the run waits for late replies", 2, {{3, 0, F::Unreachable}}, {0, 3}, 1004, kSilence},
        {"a send that failed moves on at once, and is the report", 2, {{0, 0, F::Reported, "send"}}, {0, 0}, 1001, Failed{false, "send"}},
        {"a refused reply says more than the first's silence", 2, {{600, 1, F::NoUsableTime}}, {0, 500}, 1501, kRefused},
        {"all failed with reports: over at once, the first's", 2, {{100, 0, F::Reported, "socket"}, {150, 1, F::NoUsableTime}},
         {0, 100}, 150, Failed{false, "socket"}},
        {"only a first failure counts", 1, {{10, 0, F::Reported, "first"}, {10, 0, F::NoUsableTime}}, {0}, 10, Failed{false, "first"}},
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
                if (e.atMs == t) e.address < 0 ? round.Replied({}) : round.Fail(size_t(e.address), e.failure, e.report);
            if (c.cutAt == t) round.Cut();
            ask(t);
            if (round.Over(t)) overAt = t;
            else EXPECT_GE(round.NextMomentMs(), t) << "a moment already past at " << t;
        }
        EXPECT_EQ(c.askedAt, askedAt);
        EXPECT_EQ(c.overAt, overAt);
        EXPECT_EQ(c.failed, round.reply() ? std::nullopt : std::optional(round.FailureReport("a")));
    }
}

}  // namespace
