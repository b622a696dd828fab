#include "rack/AlarmWatch.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr qint64 kAlarmAfterMs = 10000;
constexpr qint64 kQuietAfterMs = 30000;
constexpr int kTemperature = 3;

struct Step {
    qint64 At;
    std::function<void(AlarmWatch&, qint64)> Happens;  // before the evaluation at that time
    std::vector<AlarmChange> Changes;
};

void RunSteps(const std::vector<Step>& steps) {
    AlarmWatch watch(kAlarmAfterMs, kQuietAfterMs, 0);
    watch.PortOpened(0);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.At);
        if (step.Happens) {
            step.Happens(watch, step.At);
        }
        EXPECT_EQ(watch.Evaluate(step.At), step.Changes);
    }
}

void Heard(AlarmWatch& watch, qint64 now) {
    watch.Heard(now);
}

TEST(AlarmWatch, AFieldAtBadForLongerThanTheAlarmTime) {
    const auto bad = [](AlarmWatch& watch, qint64 now) {
        watch.LevelChanged(kTemperature, StatusLevel::kBad, now);
    };
    const auto marginal = [](AlarmWatch& watch, qint64 now) {
        watch.LevelChanged(kTemperature, StatusLevel::kMarginal, now);
    };
    RunSteps({{1000, bad, {}},
         {5000, bad, {}},  // still bad: the time counts from the first
         {11000, Heard, {}},
         {11001, Heard, {{Alarm::kTemperatureBad, true}}},
         {12000, marginal, {{Alarm::kTemperatureBad, false}}},
         {13000, bad, {}},
         {23001, Heard, {{Alarm::kTemperatureBad, true}}}});
}

TEST(AlarmWatch, SilenceAndALostPortForLongerThanTheQuietTime) {
    RunSteps({{20000, Heard, {}},
         {50001, nullptr, {{Alarm::kSilent, true}}},
         {50002, Heard, {{Alarm::kSilent, false}}},
         {60000, [](AlarmWatch& watch, qint64 now) { watch.PortLost(now); }, {}},
         {95000, nullptr, {{Alarm::kPortLost, true}}},  // lost, not silent
         {96000, [](AlarmWatch& watch, qint64 now) { watch.PortOpened(now); }, {{Alarm::kPortLost, false}}}});
}

TEST(AlarmWatch, APortThatNeverOpenedCountsAsLostFromTheStart) {
    AlarmWatch watch(kAlarmAfterMs, kQuietAfterMs, 0);
    EXPECT_TRUE(watch.Evaluate(kQuietAfterMs).empty());
    EXPECT_EQ(watch.Evaluate(kQuietAfterMs + 1), (std::vector<AlarmChange>{{Alarm::kPortLost, true}}));
    EXPECT_EQ(watch.TimesRaised(), 1);
}

TEST(AlarmWatch, ARebootIsRaisedForTheQuietTimeAndALostPortForgetsTheLevels) {
    RunSteps({{1000, [](AlarmWatch& watch, qint64 now) { watch.Rebooted(now); }, {{Alarm::kRebooted, true}}},
         {31000, Heard, {}},
         {31001, Heard, {{Alarm::kRebooted, false}}},
         {32000, [](AlarmWatch& watch, qint64 now) { watch.LevelChanged(0, StatusLevel::kBad, now); }, {}},
         {33000, [](AlarmWatch& watch, qint64 now) { watch.PortLost(now); }, {}},
         {60000, nullptr, {}}});  // the op state is forgotten with the board
}

}  // namespace
