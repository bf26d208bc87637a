// The music clock that smooths the mixer's chunk-sized position reports.
#include <gtest/gtest.h>

#include "app/music.h"

namespace {

TEST(MusicClock, RunsWithTheMonotonicClockBetweenReports)
{
    MusicClock clock;
    EXPECT_EQ(advanceMusicClock(clock, 1.000, 5000.0), 1000);
    EXPECT_EQ(advanceMusicClock(clock, 1.000, 5008.0), 1008);
    EXPECT_EQ(advanceMusicClock(clock, 1.000, 5016.0), 1016);
    // A fresh report that agrees with the clock changes nothing.
    EXPECT_EQ(advanceMusicClock(clock, 1.0232, 5024.0), 1024);
    EXPECT_EQ(advanceMusicClock(clock, 1.0232, 5040.0), 1040);
}

TEST(MusicClock, NeverRunsMoreThanOneChunkPastTheLastReport)
{
    MusicClock clock;
    advanceMusicClock(clock, 2.0, 0.0);
    // The reports stall: the clock stops one mixer chunk (about 23 ms) past the last.
    EXPECT_EQ(advanceMusicClock(clock, 2.0, 100.0), 2023);
    EXPECT_EQ(advanceMusicClock(clock, 2.0, 500.0), 2023);
    // And goes on from there, not from where the monotonic clock would have put it.
    EXPECT_EQ(advanceMusicClock(clock, 2.0232, 510.0), 2033);
    EXPECT_EQ(advanceMusicClock(clock, 2.0232, 520.0), 2043);
}

TEST(MusicClock, NeverGoesBackwards)
{
    MusicClock clock;
    advanceMusicClock(clock, 3.0, 0.0);
    EXPECT_EQ(advanceMusicClock(clock, 3.0, 20.0), 3020);
    // A report a little behind the clock is no reason to step back.
    EXPECT_EQ(advanceMusicClock(clock, 2.990, 21.0), 3020);
    EXPECT_EQ(advanceMusicClock(clock, 2.990, 25.0), 3020);
}

TEST(MusicClock, CatchesUpWithAReportAheadWithoutJumping)
{
    MusicClock clock;
    advanceMusicClock(clock, 0.0, 0.0);
    // The device took two chunks at once: the clock gains 2 ms a reading over the frame step.
    EXPECT_EQ(advanceMusicClock(clock, 0.0464, 16.0), 18);
    EXPECT_EQ(advanceMusicClock(clock, 0.0464, 32.0), 36);
    // Past the report now, it simply runs on.
    EXPECT_EQ(advanceMusicClock(clock, 0.0464, 48.0), 52);
    // Far behind (a stall of the program, say), it takes the report at once.
    EXPECT_EQ(advanceMusicClock(clock, 0.500, 60.0), 500);
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
