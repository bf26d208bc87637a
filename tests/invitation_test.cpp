// The whole run on the headless console and the simulated soundtrack: start-up, loading, the
// first message pump and the ways the run ends. Each run happens in a child process, so it
// starts from the program's first state and its exit code is the process's own.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "app/headless.h"
#include "app/invitation.h"
#include "app/loading.h"
#include "app/window.h"
#include "assets/asc.h"

namespace {

struct ChildRun {
    int exitCode = -1;
    std::map<std::string, double> facts;  // what the child reported as it ended
};

// Counts kept by the child's console hooks.
struct ChildCounts {
    int loadingPresents = 0;
    int showPresents = 0;
};
ChildCounts counts;

int buffersHeld(const LoadedAssets& a)
{
    int held = a.fontStrip != nullptr;
    for (const void* p : {static_cast<const void*>(a.loadingPicture), static_cast<const void*>(a.progressTile),
                          static_cast<const void*>(a.pointer), static_cast<const void*>(a.jpegScratch),
                          static_cast<const void*>(a.background), static_cast<const void*>(a.plainMenu),
                          static_cast<const void*>(a.buttonedMenu)}) {
        held += p != nullptr;
    }
    for (int k = 0; k < 4; ++k) {
        held += (a.pageIndices[k] != nullptr) + (a.pagePalettes[k] != nullptr) + (a.pageImages[k] != nullptr);
    }
    for (const Pixel* p : a.bubbles) held += p != nullptr;
    for (const Pixel* p : a.buttonsA) held += p != nullptr;
    for (const Pixel* p : a.buttonsB) held += p != nullptr;
    for (const Pixel* p : a.plates) held += p != nullptr;
    return held;
}

void reportFacts()
{
    std::printf("framesRead %lld\nloadingPresents %d\nshowPresents %d\ncloses %d\nbuffersHeld %d\n"
                "progressX %d\nlightX %.9g\nlightY %.9g\nlightZ %.9g\n",
                (long long)simFramesRead(), counts.loadingPresents, counts.showPresents,
                simCloseCount(), buffersHeld(loadedAssets), progressX, sceneMesh.light.x,
                sceneMesh.light.y, sceneMesh.light.z);
    std::fflush(stdout);
}

// Runs the invitation in a child after `setup`; a run still going after `frameLimit` frames
// is closed as the window's close button would.
ChildRun runInChild(const std::function<void()>& setup, int frameLimit = 5)
{
    ChildRun run;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return run;
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        headlessOnPresent([](const Pixel*) {
            if (simPlaying()) ++counts.showPresents;
            else ++counts.loadingPresents;
        });
        headlessOnPump([frameLimit] {
            if (simFramesRead() == frameLimit) postMessage({msgClose, 0, 0});
        });
        setup();
        std::atexit(reportFacts);
        std::exit(runInvitation());
    }
    close(pipeEnds[1]);
    std::string text;
    char buffer[512];
    ssize_t n = 0;
    while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0) text.append(buffer, std::size_t(n));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(text);
    std::string name;
    double value = 0;
    while (lines >> name >> value) run.facts[name] = value;
    return run;
}

// Messages given while the loading screen shows: posted at its first presentation.
void queueDuringLoading(std::function<void()> post)
{
    headlessOnPresent([post](const Pixel*) {
        if (simPlaying()) {
            ++counts.showPresents;
            return;
        }
        if (++counts.loadingPresents == 1) post();
    });
}

TEST(Invitation, RunClosedAfterFiveFramesReleasesEverythingOnceAndEndsWithZero)
{
    const ChildRun run = runInChild([] {});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.facts.at("framesRead"), 5);
    EXPECT_EQ(run.facts.at("showPresents"), 5);
    EXPECT_EQ(run.facts.at("loadingPresents"), 10) << "the loading screen and nine progress steps";
    EXPECT_EQ(run.facts.at("progressX"), 9 * 16);
    EXPECT_EQ(run.facts.at("closes"), 1);
    EXPECT_EQ(run.facts.at("buffersHeld"), 0);
    // The light set at loading comes from (0, -10, -10) toward the origin: (0, 1, 1) / sqrt 2.
    EXPECT_FLOAT_EQ(run.facts.at("lightX"), 0.0f);
    EXPECT_FLOAT_EQ(run.facts.at("lightY"), float(1 / std::sqrt(2.0)));
    EXPECT_FLOAT_EQ(run.facts.at("lightZ"), float(1 / std::sqrt(2.0)));
}

TEST(Invitation, PlaybackThatCannotStartEndsWithCodeOneBeforeAnyFrame)
{
    const ChildRun run = runInChild([] { simFailPlayback(true); });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.facts.at("framesRead"), 0);
    EXPECT_EQ(run.facts.at("showPresents"), 0);
    EXPECT_EQ(run.facts.at("closes"), 1) << "the audio is closed on the way out";
}

// Escape given during loading waits in the queue; the first pump handles it while the menu
// rule holds (menuActive from the start), so the run ends before the music time is read.
TEST(Invitation, EscapeQueuedDuringLoadingEndsTheRunInTheFirstPump)
{
    const ChildRun run = runInChild([] { queueDuringLoading([] { postMessage({msgKeyDown, keyEscape, 0}); }); });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.facts.at("framesRead"), 0);
    EXPECT_EQ(run.facts.at("showPresents"), 0);
    EXPECT_EQ(run.facts.at("closes"), 1);
    EXPECT_EQ(run.facts.at("buffersHeld"), 0);
}

// A click on the exit button given during loading, with the music already in the menu: the
// first frame sees it, quits, and is not shown.
TEST(Invitation, ExitClickQueuedDuringLoadingIsHandledByTheFirstFrame)
{
    const ChildRun run = runInChild([] {
        SimulatedClock clock;
        clock.start = 44000;
        simConfigure(clock);
        queueDuringLoading([] {
            postMessage({msgMouseMove, 0, packPoint(300, 290)});
            postMessage({msgLeftDown, 0, 0});
        });
    });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.facts.at("framesRead"), 1);
    EXPECT_EQ(run.facts.at("showPresents"), 0);
    EXPECT_EQ(run.facts.at("closes"), 1);
    EXPECT_EQ(run.facts.at("buffersHeld"), 0);
}

// The exit button pressed before the fourth frame: that frame quits without being shown, and
// the shutdown runs once.
TEST(Invitation, ExitButtonShutsDownOnce)
{
    const ChildRun run = runInChild([] {
        SimulatedClock clock;
        clock.start = 44000;
        simConfigure(clock);
        headlessOnPump([] {
            if (simFramesRead() == 3) {
                postMessage({msgMouseMove, 0, packPoint(400, 300)});
                postMessage({msgLeftDown, 0, 0});
            }
            if (simFramesRead() == 8) postMessage({msgClose, 0, 0});
        });
    });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.facts.at("framesRead"), 4);
    EXPECT_EQ(run.facts.at("showPresents"), 3);
    EXPECT_EQ(run.facts.at("closes"), 1);
    EXPECT_EQ(run.facts.at("buffersHeld"), 0);
}

}  // namespace
