#include "app/Timeline.h"
#include "audio/ShowClock.h"

#include <climits>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Rows (1-based, in drawing order) whose window contains t.
std::vector<int> activeRows(int32_t t) {
    std::vector<int> rows;
    for (int i = 0; i < scheduleRowCount; ++i)
        if (inWindow(t, schedule[i].window)) rows.push_back(i + 1);
    return rows;
}

using Rows = std::vector<int>;

} // namespace

TEST(Timeline, WindowsIncludeBothEnds) {
    const TimeWindow window{13000, 46000};
    EXPECT_FALSE(inWindow(12999, window));
    EXPECT_TRUE(inWindow(13000, window));
    EXPECT_TRUE(inWindow(46000, window));
    EXPECT_FALSE(inWindow(46001, window));
}

TEST(Timeline, RowsThatTouchAreBothActiveAtTheSharedInstant) {
    EXPECT_EQ(activeRows(0), (Rows{1, 2}));
    EXPECT_EQ(activeRows(13000), (Rows{1, 2, 3}));
    EXPECT_EQ(activeRows(13001), (Rows{1, 3}));
    EXPECT_EQ(activeRows(46000), (Rows{1, 3, 4}));
    EXPECT_EQ(activeRows(60001), (Rows{1}));
    EXPECT_EQ(activeRows(72999), (Rows{1}));
    EXPECT_EQ(activeRows(73000), (Rows{1, 5}));
    EXPECT_EQ(activeRows(102001), (Rows{1}));
}

TEST(Timeline, NothingDrawsBetweenTheBannerAndTheCredits) {
    EXPECT_EQ(activeRows(132500), (Rows{1}));
    EXPECT_EQ(activeRows(132501), (Rows{}));
    EXPECT_EQ(activeRows(132999), (Rows{}));
    EXPECT_EQ(activeRows(133000), (Rows{6}));
    EXPECT_EQ(activeRows(timelineEndMs), (Rows{6}));
    EXPECT_EQ(activeRows(timelineEndMs + 1), (Rows{}));
}

TEST(Timeline, ProgressRunsFromZeroToOneAcrossTheWindow) {
    const TimeWindow row3{13000, 46000};
    EXPECT_EQ(progress(0, row3), 0.0f);
    EXPECT_EQ(progress(13000, row3), 0.0f);
    EXPECT_EQ(progress(46000, row3), 1.0f);
    EXPECT_EQ(progress(50000, row3), 1.0f);
    // Divided in double precision and rounded once to float.
    EXPECT_EQ(progress(20000, row3), static_cast<float>(7000.0 / 33000.0));
    EXPECT_EQ(progress(26000, row3), static_cast<float>(13000.0 / 33000.0));
    EXPECT_EQ(progress(20000, TimeWindow{0, 132500}), static_cast<float>(20000.0 / 132500.0));
}

TEST(Timeline, ProgressDoesNotOverflowOnTheWidestWindow) {
    const TimeWindow widest{INT_MIN, INT_MAX};
    EXPECT_FLOAT_EQ(progress(0, widest), 0.5f);
    EXPECT_GT(progress(INT_MAX - 1, widest), 0.99f);
}

TEST(Timeline, ElapsedTimeSurvivesTheTickCountWrapping) {
    EXPECT_EQ(ticksBetween(1000u, 21000u), 20000);
    EXPECT_EQ(ticksBetween(0xFFFFFF00u, 0x00000100u), 0x200);
    EXPECT_EQ(ticksBetween(0xFFFFFFFFu, 136000u), 136001);
}
