// The music clock that smooths the mixer's chunk-sized position reports and follows what is
// heard. The smoothing rules are shown without latency, then the latency on its own.
#include <gtest/gtest.h>

#include "app/music.h"

namespace {

TEST(MusicClock, RunsWithTheMonotonicClockBetweenReports)
{
    MusicClock clock;
    EXPECT_EQ(advanceMusicClock(clock, 1.000, 5000.0, 0.0), 1000);
    EXPECT_EQ(advanceMusicClock(clock, 1.000, 5008.0, 0.0), 1008);
    EXPECT_EQ(advanceMusicClock(clock, 1.000, 5016.0, 0.0), 1016);
    // A fresh report that agrees with the clock changes nothing.
    EXPECT_EQ(advanceMusicClock(clock, 1.0232, 5024.0, 0.0), 1024);
    EXPECT_EQ(advanceMusicClock(clock, 1.0232, 5040.0, 0.0), 1040);
}

TEST(MusicClock, NeverRunsMoreThanOneChunkPastTheLastReport)
{
    MusicClock clock;
    advanceMusicClock(clock, 2.0, 0.0, 0.0);
    // The reports stall: the clock stops one mixer chunk (about 23 ms) past the last.
    EXPECT_EQ(advanceMusicClock(clock, 2.0, 100.0, 0.0), 2023);
    EXPECT_EQ(advanceMusicClock(clock, 2.0, 500.0, 0.0), 2023);
    // And goes on from there, not from where the monotonic clock would have put it.
    EXPECT_EQ(advanceMusicClock(clock, 2.0232, 510.0, 0.0), 2033);
    EXPECT_EQ(advanceMusicClock(clock, 2.0232, 520.0, 0.0), 2043);
    // A device with a larger buffer reports less often: the clock runs on through its chunk.
    MusicClock coarse;
    coarse.reportIntervalMs = 8192.0 * 1000.0 / 44100.0;
    advanceMusicClock(coarse, 2.0, 0.0, 0.0);
    EXPECT_EQ(advanceMusicClock(coarse, 2.0, 100.0, 0.0), 2100);
    EXPECT_EQ(advanceMusicClock(coarse, 2.0, 500.0, 0.0), 2185);
}

TEST(MusicClock, NeverGoesBackwards)
{
    MusicClock clock;
    advanceMusicClock(clock, 3.0, 0.0, 0.0);
    EXPECT_EQ(advanceMusicClock(clock, 3.0, 20.0, 0.0), 3020);
    // A report a little behind the clock is no reason to step back.
    EXPECT_EQ(advanceMusicClock(clock, 2.990, 21.0, 0.0), 3020);
    EXPECT_EQ(advanceMusicClock(clock, 2.990, 25.0, 0.0), 3020);
}

TEST(MusicClock, CatchesUpWithAReportAheadWithoutJumping)
{
    MusicClock clock;
    advanceMusicClock(clock, 0.0, 0.0, 0.0);
    // The device took two chunks at once: the clock gains 2 ms a reading over the frame step.
    EXPECT_EQ(advanceMusicClock(clock, 0.0464, 16.0, 0.0), 18);
    EXPECT_EQ(advanceMusicClock(clock, 0.0464, 32.0, 0.0), 36);
    // Past the report now, it simply runs on.
    EXPECT_EQ(advanceMusicClock(clock, 0.0464, 48.0, 0.0), 52);
    // Far behind (a stall of the program, say), it takes the report at once.
    EXPECT_EQ(advanceMusicClock(clock, 0.500, 60.0, 0.0), 500);
}

TEST(MusicClock, FollowsTheWrapToTheStartAtOnce)
{
    MusicClock clock;
    advanceMusicClock(clock, 199.990, 0.0, 0.0);
    EXPECT_EQ(advanceMusicClock(clock, 199.990, 9.0, 0.0), 199999);
    EXPECT_EQ(advanceMusicClock(clock, 0.005, 16.0, 0.0), 5);
    EXPECT_EQ(advanceMusicClock(clock, 0.005, 26.0, 0.0), 15);
}

// The audio queued behind the decoder: one mixer chunk and the device's one-chunk buffer.
constexpr double latency = 2048.0 * 1000.0 / 44100.0;  // 46.4 ms

TEST(MusicClock, HandsOutThePositionLessTheQueuedAudio)
{
    EXPECT_NEAR(queuedAudioMs(1024, 1024, 44100), latency, 1e-9);
    EXPECT_NEAR(queuedAudioMs(1024, 1024, 48000), 42.667, 0.001);
    EXPECT_EQ(queuedAudioMs(1024, 1024, 0), 0.0);

    MusicClock clock;
    EXPECT_EQ(advanceMusicClock(clock, 27.600, 1000.0, latency), 27553);
    EXPECT_EQ(advanceMusicClock(clock, 27.600, 1016.0, latency), 27569);
    // The same readings without latency are 46 ms later in the music.
    MusicClock decoded;
    advanceMusicClock(decoded, 27.600, 1000.0, 0.0);
    EXPECT_EQ(advanceMusicClock(decoded, 27.600, 1016.0, 0.0), 27616);
}

TEST(MusicClock, HoldsAtTheStartUntilTheFirstSoundIsHeard)
{
    MusicClock clock;
    EXPECT_EQ(advanceMusicClock(clock, 0.0, 0.0, latency), 0);
    EXPECT_EQ(advanceMusicClock(clock, 0.0232, 23.0, latency), 0);
    EXPECT_EQ(advanceMusicClock(clock, 0.0464, 46.0, latency), 0);
    EXPECT_EQ(advanceMusicClock(clock, 0.0464, 56.0, latency), 9);
}

TEST(MusicClock, WithLatencyStillFollowsTheWrap)
{
    MusicClock clock;
    advanceMusicClock(clock, 195.000, 0.0, latency);
    EXPECT_EQ(advanceMusicClock(clock, 195.000, 10.0, latency), 194963);
    // The stream starts over: the clock goes back, to 0 while the start is still queued.
    EXPECT_EQ(advanceMusicClock(clock, 0.0232, 20.0, latency), 0);
    EXPECT_EQ(advanceMusicClock(clock, 0.0464, 43.0, latency), 0);
    EXPECT_EQ(advanceMusicClock(clock, 0.0696, 80.0, latency), 36);
}

TEST(MusicClock, NoBackwardStepWhenTheLatencyEstimateGrows)
{
    MusicClock clock;
    advanceMusicClock(clock, 10.000, 0.0, 20.0);
    EXPECT_EQ(advanceMusicClock(clock, 10.000, 10.0, 20.0), 9990);
    // Twenty milliseconds more latency: the clock waits until the music has caught up.
    EXPECT_EQ(advanceMusicClock(clock, 10.0232, 20.0, 40.0), 9990);
    EXPECT_EQ(advanceMusicClock(clock, 10.0232, 25.0, 40.0), 9990);
    EXPECT_EQ(advanceMusicClock(clock, 10.0464, 40.0, 40.0), 10004);
    // Less latency moves it on at once, never back.
    EXPECT_EQ(advanceMusicClock(clock, 10.0464, 41.0, 10.0), 10036);
}

}  // namespace

// A player's heard position, read once a frame: whole milliseconds, held where a report goes
// back a little (an output timestamp's jitter), taken at once where it goes back far (the
// loop starting over).
TEST(HeardClock, FollowsTheHeardPositionForwardAndOverTheLoopOnly)
{
    struct Reading {
        double heardMs;
        std::int32_t shown;
    };
    const Reading readings[] = {
        {-1.0, 0},          // before the music plays
        {0.0, 0},
        {16.7, 16},
        {15.9, 16},         // jitter: held
        {33.4, 33},
        {33.4, 33},         // a stall: stands still
        {50.0, 50},
        {195300.0, 195300},
        {194900.0, 195300},  // back 400 ms: held
        {12.0, 12},         // the loop starting over
        {30.0, 30},
    };
    HeardClock clock;
    for (const Reading& reading : readings) {
        EXPECT_EQ(followHeardMusic(clock, reading.heardMs), reading.shown) << "heard " << reading.heardMs;
    }
}
