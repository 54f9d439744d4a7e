#include "scroll/WheelNotches.h"
#include "scroll/ScrollSession.h"

#include <gtest/gtest.h>
#include <numeric>

using namespace mebo;

namespace {

TEST(WheelNotches, StepsBecomeWholeNotchesThatKeepAnOverlap) {
    struct Case {
        double pixelsPerNotch, pixels, region;
        int notches;
    };
    for (const Case& c :
         {Case{120, 648, 1080, 5},                         // 5.4 rounds down
          Case{120, 690, 1080, 6},                         // 5.75 rounds up
          Case{53, 648, 1080, 12}, Case{120, 220, 200, 1}, // one notch even when it is most of the region
          Case{40, 444, 300, 6},                           // 11 wanted, 6 fit in 85 % of 300
          Case{120, 50, 1080, 1}}) {
        EXPECT_EQ(WheelNotches(c.pixelsPerNotch).notchesFor(c.pixels, c.region), c.notches)
            << c.pixelsPerNotch << " " << c.pixels << " " << c.region;
    }
}

TEST(WheelNotches, PulsesCarryTheNotchesAlongTheCumulativeWeights) {
    for (int total : {0, 1, 5, 10, 23}) {
        const auto spread = WheelNotches::spread(total, ScrollSession::pulseWeights);
        EXPECT_EQ(std::accumulate(spread.begin(), spread.end(), 0), total);
        for (int n : spread) {
            EXPECT_GE(n, 0);
        }
    }
    // Five notches: the running total follows round(5 x cumulative weight).
    const auto five = WheelNotches::spread(5, ScrollSession::pulseWeights);
    EXPECT_EQ((std::array<int, 10>{0, 1, 0, 1, 1, 0, 1, 0, 1, 0}), five);
}

TEST(WheelNotches, LearnsTheNotchFromMeasuredShifts) {
    WheelNotches n;
    n.learn(4, 212); // 53 rows a notch replaces the first guess
    EXPECT_DOUBLE_EQ(n.pixelsPerNotch(), 53);
    n.learn(5, 275); // 55: averaged in
    EXPECT_DOUBLE_EQ(n.pixelsPerNotch(), 54);
    n.learn(5, 100); // 20: a step the page's end cut short
    EXPECT_DOUBLE_EQ(n.pixelsPerNotch(), 54);
    n.learn(0, 300); // nothing posted
    n.learn(3, 0);
    EXPECT_DOUBLE_EQ(n.pixelsPerNotch(), 54);
    EXPECT_EQ(n.samples(), 2);
    n.overshot(700);
    EXPECT_DOUBLE_EQ(n.pixelsPerNotch(), 108);
    n.overshot(150);
    EXPECT_DOUBLE_EQ(n.pixelsPerNotch(), 150); // at most the region
    n.overshot(100);
    EXPECT_DOUBLE_EQ(n.pixelsPerNotch(), 150); // and never smaller for it
    n.learn(4, 212);                           // the guess after an overshoot: the next measure replaces it
    EXPECT_DOUBLE_EQ(n.pixelsPerNotch(), 53);
}

} // namespace
