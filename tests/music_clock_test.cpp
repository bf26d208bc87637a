// The music clock that smooths the mixer's chunk-sized position reports.
#include <gtest/gtest.h>

#include "app/music.h"

namespace {

TEST(MusicClock, AdvancesBetweenReportsWithTheMonotonicClock)
{
    MusicClock clock;
    EXPECT_EQ(advanceMusicClock(clock, 1.000, 5000.0), 1000);
    EXPECT_EQ(advanceMusicClock(clock, 1.000, 5008.0), 1008);
    EXPECT_EQ(advanceMusicClock(clock, 1.000, 5016.0), 1016);
    EXPECT_EQ(advanceMusicClock(clock, 1.0232, 5024.0), 1023);
    EXPECT_EQ(advanceMusicClock(clock, 1.0232, 5030.0), 1029);
}

TEST(MusicClock, NeverRunsMoreThanOneReportIntervalAhead)
{
    MusicClock clock;
    advanceMusicClock(clock, 2.0, 0.0);
    // A stalled report: the clock stops one mixer chunk (about 23 ms) past it.
    EXPECT_EQ(advanceMusicClock(clock, 2.0, 100.0), 2023);
    EXPECT_EQ(advanceMusicClock(clock, 2.0, 500.0), 2023);
}

TEST(MusicClock, NeverGoesBackwardsOnJitter)
{
    MusicClock clock;
    advanceMusicClock(clock, 3.0, 0.0);
    EXPECT_EQ(advanceMusicClock(clock, 3.0, 20.0), 3020);
    // The next report is a little behind what was already handed out: hold, do not step back.
    EXPECT_EQ(advanceMusicClock(clock, 3.010, 21.0), 3020);
    EXPECT_EQ(advanceMusicClock(clock, 3.010, 35.0), 3024);
}

TEST(MusicClock, FollowsTheWrapToTheStartAtOnce)
{
    MusicClock clock;
    advanceMusicClock(clock, 199.990, 0.0);
    EXPECT_EQ(advanceMusicClock(clock, 199.990, 9.0), 199999);
    EXPECT_EQ(advanceMusicClock(clock, 0.005, 16.0), 5);
    EXPECT_EQ(advanceMusicClock(clock, 0.005, 26.0), 15);
}

}  // namespace
