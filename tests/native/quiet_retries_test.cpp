#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "timesync/quiet_retries.h"

namespace {

using K = SyncOutcome::Kind;
using T = SyncTrigger;

// A step of a sequence: a run begins (Begin), the waiting try is taken (Take), or a try ends at
// `now` with an outcome, kept quiet or not; then the try that waits, if any.
struct Step {
    enum { Begin, Take, End } what;
    T trigger;
    K outcome = K::Failed;
    int64_t now = 0;
    bool quiet = false;
    std::optional<int64_t> dueAt = {};
};

TEST(QuietRetries, StartUpAndResumeRunsThatTheNetworkFailedAreTriedAgainAfter5And15And60Seconds) {
    const std::vector<Step> cases[] = {
        {{Step::Begin, T::StartUp}, {Step::End, T::StartUp, K::Failed, 1000, true, 6000}, {Step::Take, T::StartUp},
         {Step::End, T::StartUp, K::Failed, 7000, true, 22000}, {Step::Take, T::StartUp},
         {Step::End, T::StartUp, K::Failed, 23000, true, 83000}, {Step::Take, T::StartUp}, {Step::End, T::StartUp}},
        {{Step::Begin, T::Resume}, {Step::End, T::Resume, K::Failed, 0, true, 5000}, {Step::Take, T::Resume},
         {Step::End, T::Resume, K::NoUsableTime}},  // not the network's: reported at once
        {{Step::Begin, T::Resume}, {Step::End, T::Resume, K::Set}},
        // the runs a user waits for, and the periodic run with retries of its own
        {{Step::Begin, T::Menu}, {Step::End, T::Menu}, {Step::Begin, T::Test}, {Step::End, T::Test},
         {Step::Begin, T::Command}, {Step::End, T::Command}, {Step::Begin, T::Periodic}, {Step::End, T::Periodic}},
        // a menu run ends the waiting try; a menu run inside a try's wait has that try reported
        {{Step::Begin, T::StartUp}, {Step::End, T::StartUp, K::Failed, 0, true, 5000}, {Step::Begin, T::Menu}},
        {{Step::Begin, T::StartUp}, {Step::Begin, T::Menu}, {Step::End, T::Menu, K::Set}, {Step::End, T::StartUp}},
        // the periodic run leaves the waiting try; a new resume starts the pauses afresh
        {{Step::Begin, T::StartUp}, {Step::End, T::StartUp, K::Failed, 0, true, 5000},
         {Step::Begin, T::Periodic, K::Failed, 0, false, 5000}},
        {{Step::Begin, T::Resume}, {Step::End, T::Resume, K::Failed, 0, true, 5000}, {Step::Take, T::Resume},
         {Step::End, T::Resume, K::Failed, 5000, true, 20000}, {Step::Begin, T::Resume},
         {Step::End, T::Resume, K::Failed, 30000, true, 35000}},
    };
    for (const std::vector<Step>& steps : cases) {
        QuietRetries retries;
        for (size_t i = 0; i < steps.size(); ++i) {
            const Step& s = steps[i];
            SCOPED_TRACE(testing::Message() << "case " << (&steps - cases) << ", step " << i);
            if (s.what == Step::Take) {
                EXPECT_EQ(s.trigger, retries.Take());
                continue;
            }
            if (s.what == Step::Begin) retries.Begin(s.trigger);
            else EXPECT_EQ(s.quiet, retries.TryAgain(s.trigger, SyncOutcome(s.outcome), s.now));
            EXPECT_EQ(s.dueAt, retries.DueAt());
        }
    }
    for (const K notTheNetworks : {K::Refused, K::NotApproved, K::TooLarge, K::Unreachable, K::NoUsableTime}) {
        QuietRetries retries;
        retries.Begin(T::StartUp);
        EXPECT_FALSE(retries.TryAgain(T::StartUp, SyncOutcome(notTheNetworks), 0)) << int(notTheNetworks);
    }
}

}  // namespace
