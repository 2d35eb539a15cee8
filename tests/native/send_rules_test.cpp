#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "timesync/address_round.h"
#include "timesync/quiet_retries.h"
#include "timesync/run_record.h"
#include "timesync/send_rules.h"

namespace {

using Reason = SendRules::Hold::Reason;
constexpr int64_t kMinute = 60000, kHour = 60 * kMinute;

// Steps on one rules object: a request sent (or a kiss) at a time, then what a run of either
// kind may do at a later time.
struct Step {
    enum { Send, Kiss, Ask } what;
    int64_t at;
    const char* address = "a";
    bool automatic = true;
    ::Kiss kiss = ::Kiss::None;
    std::optional<Reason> held = {};
    std::optional<int64_t> until = {};
};

TEST(SendRules, FifteenSecondsPerAddressTwentyAnHourPerNameAndTheKissesRests) {
    const std::vector<Step> cases[] = {
        // 15 s per address, for automatic runs only; another address may go at once.
        {{Step::Send, 0}, {Step::Ask, 14999, "a", true, {}, Reason::TooSoon, 15000}, {Step::Ask, 15000},
         {Step::Ask, 1, "b"}, {Step::Ask, 1, "a", false}},
        // 20 requests to the name in any hour, the user's counted but never held.
        {{Step::Send, 0, "a"}, {Step::Send, 1000, "b", false}},
        // DENY or RSTR: no request at all any more, the user's neither.
        {{Step::Kiss, 0, "a", true, ::Kiss::Deny}, {Step::Ask, 99 * kHour, "a", false, {}, Reason::Refused},
         {Step::Ask, 0, "b"}},
        // RATE: 15 minutes, then 30, 60, ... up to a day; the user's runs wait too.
        {{Step::Kiss, 0, "a", true, ::Kiss::Rate}, {Step::Ask, 15 * kMinute - 1, "a", false, {}, Reason::Resting, 15 * kMinute},
         {Step::Ask, 15 * kMinute, "a", false}, {Step::Kiss, 20 * kMinute, "a", true, ::Kiss::Rate},
         {Step::Ask, 49 * kMinute, "a", true, {}, Reason::Resting, 50 * kMinute}},
        // Other kiss codes hold nothing.
        {{Step::Kiss, 0, "a", true, ::Kiss::Other}, {Step::Ask, 0, "a"}},
    };
    for (const auto& steps : cases) {
        SendRules rules;
        for (const Step& s : steps) {
            if (s.what == Step::Send) rules.Sent("pool.test", s.address, s.at);
            if (s.what == Step::Kiss) rules.Kissed(s.address, s.kiss, s.at);
            if (s.what != Step::Ask) continue;
            const auto hold = rules.MayAsk("Pool.Test", s.address, s.automatic, s.at);
            EXPECT_EQ(s.held, hold ? std::optional(hold->reason) : std::nullopt) << s.address << " at " << s.at;
            if (hold) {
                EXPECT_EQ(s.until, hold->until) << s.address << " at " << s.at;
            }
        }
    }

    SendRules budget;
    for (int i = 0; i < kNameBudget; ++i) budget.Sent("pool.test", "a" + std::to_string(i), i * kMinute);
    const auto full = budget.MayAsk("POOL.test", "fresh", true, 30 * kMinute);
    ASSERT_TRUE(full);
    EXPECT_EQ(Reason::Budget, full->reason);
    EXPECT_EQ(kHour, full->until);  // the first request leaves the window an hour after it went
    EXPECT_FALSE(budget.MayAsk("pool.test", "fresh", true, kHour));
    EXPECT_FALSE(budget.MayAsk("pool.test", "fresh", false, 30 * kMinute));
    EXPECT_FALSE(budget.MayAsk("other.test", "fresh", true, 30 * kMinute));

    SendRules doubling;
    std::vector<int64_t> rests;
    for (int i = 0, at = 0; i < 9; ++i, at += 1000) {
        doubling.Kissed("a", ::Kiss::Rate, at);
        rests.push_back(*doubling.RestsUntil("a", at) - at);
    }
    EXPECT_EQ((std::vector<int64_t>{15 * kMinute, 30 * kMinute, kHour, 2 * kHour, 4 * kHour, 8 * kHour, 16 * kHour,
                                    24 * kHour, 24 * kHour}),
              rests);
    doubling.Kissed("b", ::Kiss::Deny, 0);
    doubling.ForgetKisses();  // another server setting
    EXPECT_FALSE(doubling.MayAsk("x", "a", false, 9000));
    EXPECT_FALSE(doubling.MayAsk("x", "b", false, 9000));
}

// The clock's loop as a model on simulated time: its ticks start the due quiet try or periodic
// run, a resume starts a resume run after its delay, and a run asks a name of eight silent
// addresses as the exchange does. Requests are counted with and without the rules of sending.
class SilentName {
public:
    explicit SilentName(bool rules) : rules_(rules), schedule_(0, 24 * kHour, 5000) {}

    // The clock for `span` ms from now, resuming every `resumeEvery` ms (0: never).
    void Run(int64_t span, int64_t resumeEvery, bool startUp) {
        if (startUp) Sync(SyncTrigger::StartUp);
        for (int64_t nextResume = resumeEvery; now_ < span; now_ += 250) {
            if (resumeEvery && now_ >= nextResume) {
                now_ += 5050;  // ResumeDelay
                Sync(SyncTrigger::Resume);
                nextResume += resumeEvery;
            }
            const bool periodicDue = schedule_.Due(now_, 24);
            if (const auto at = retries_.DueAt(); at ? now_ >= *at : periodicDue) {
                if (at) Try(*retries_.Take());
                else Sync(SyncTrigger::Periodic);
            }
        }
    }
    // The most requests in any hour, and the shortest gap between two requests to one address.
    int MostInAnHour() const {
        int most = 0;
        for (size_t i = 0; i < sent_.size(); ++i) {
            const auto end = std::find_if(sent_.begin() + i, sent_.end(), [&](const auto& s) { return s.first >= sent_[i].first + kHour; });
            most = std::max(most, int(end - sent_.begin() - i));
        }
        return most;
    }
    int64_t ShortestGap() const {
        int64_t shortest = INT64_MAX;
        for (size_t i = 0; i < sent_.size(); ++i)
            for (size_t j = i + 1; j < sent_.size(); ++j)
                if (sent_[j].second == sent_[i].second) {
                    shortest = std::min(shortest, sent_[j].first - sent_[i].first);
                    break;
                }
        return shortest;
    }
    size_t Requests(int64_t before) const {
        return size_t(std::count_if(sent_.begin(), sent_.end(), [&](const auto& s) { return s.first < before; }));
    }

private:
    void Sync(SyncTrigger trigger) {
        retries_.Begin(trigger);
        Try(trigger);
    }
    // What SyncRun::Try makes of an outcome.
    void Try(SyncTrigger trigger) {
        const SyncOutcome outcome = Exchange(IsAutomatic(trigger));
        if (outcome.kind == SyncOutcome::Kind::Held) return retries_.Hold(trigger, now_ + outcome.waitMs);
        if (retries_.TryAgain(trigger, outcome, now_)) return;
        schedule_.RunEnded(now_, false, trigger == SyncTrigger::Periodic || schedule_.Overdue(now_, 24), 24);
    }
    SyncOutcome Exchange(bool automatic) {
        AddressRound round;
        round.Start(8);
        for (double t = double(now_);; t = round.NextMomentMs() + 1) {
            now_ = int64_t(t);
            while (const auto next = round.Due(t)) {
                const std::string address = "a" + std::to_string(*next);
                const auto hold = rules_ ? sending_.MayAsk("pool.test", address, automatic, now_) : std::nullopt;
                if (hold) {
                    round.Passed(*next, *hold, t);
                    continue;
                }
                round.Asked(*next, t);
                sending_.Sent("pool.test", address, now_);
                sent_.emplace_back(now_, address);
            }
            if (round.Over(t)) return round.Failed(automatic, now_);
        }
    }

    bool rules_;
    int64_t now_ = 0;
    SendRules sending_;
    QuietRetries retries_;
    PeriodicSchedule schedule_;
    std::vector<std::pair<int64_t, std::string>> sent_;
};

TEST(SendRules, ASilentNameOfEightAddressesGetsAtMostTwentyRequestsAnHour) {
    SilentName before(false), after(true);
    before.Run(kHour, 0, true);
    after.Run(kHour, 0, true);
    EXPECT_EQ(56u, before.Requests(32 * kMinute + 1));  // the start-up run, its tries, the periodic retries
    EXPECT_EQ(20u, after.Requests(kHour));
    EXPECT_GE(after.ShortestGap(), kAddressIntervalMs);

    SilentName resumes(true);  // a day of resumes every 10 minutes
    resumes.Run(24 * kHour, 10 * kMinute, true);
    EXPECT_LE(resumes.MostInAnHour(), kNameBudget);
    EXPECT_GE(resumes.ShortestGap(), kAddressIntervalMs);
    EXPECT_GT(resumes.Requests(24 * kHour), 24u * 15);  // the budget is used, not starved
}

}  // namespace
