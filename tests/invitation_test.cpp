// The whole run on the headless console and the simulated soundtrack: start-up, loading, the
// first message pump and the ways the run ends. Each run happens in a child process, so it
// starts from the program's first state and its exit code is the process's own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "app/headless.h"
#include "app/invitation.h"
#include "app/loading.h"
#include "app/window.h"
#include "assets/asc.h"
#include "scenes/timing.h"

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
                (long long)simPassesRead(), counts.loadingPresents, counts.showPresents,
                simCloseCount(), buffersHeld(loadedAssets), progressX, sceneMesh.light.x,
                sceneMesh.light.y, sceneMesh.light.z);
    std::fflush(stdout);
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

void startAt(std::int32_t ms)
{
    SimulatedClock clock;
    clock.start = ms;
    simConfigure(clock);
}

// What happens before the run in each child; the run is closed after five frames, as the
// window's close button would, unless a scenario ends it otherwise.
const std::map<std::string, std::function<void()>> Scenarios = {
    {"plain", [] {}},
    {"playback-fails", [] { simFailPlayback(true); }},
    {"window-refused", [] { headlessRefuseWindow(true); }},
    {"soundtrack-ends-at-the-menu", [] { simSoundtrackLength(showTiming.menu); }},
    {"soundtrack-reaches-the-menu", [] { simSoundtrackLength(showTiming.menu + 1); }},
    {"escape-during-loading", [] { queueDuringLoading([] { postMessage({msgKeyDown, keyEscape, 0}); }); }},
    {"exit-click-during-loading",
     [] {
         startAt(44000);
         queueDuringLoading([] {
             postMessage({msgMouseMove, 0, packPoint(300, 290)});
             postMessage({msgLeftDown, 0, 0});
         });
     }},
    {"exit-button",
     [] {
         startAt(44000);
         headlessOnPump([] {
             if (simPassesRead() == 3) {
                 postMessage({msgMouseMove, 0, packPoint(400, 300)});
                 postMessage({msgLeftDown, 0, 0});
             }
             if (simPassesRead() == 8) postMessage({msgClose, 0, 0});
         });
     }},
};

const char* const scenarioVariable = "INVITE_INVITATION_SCENARIO";

// In a child started by runScenario, runs its scenario before any test and ends the process
// with the run's exit code; otherwise does nothing.
struct ScenarioChild : ::testing::Environment {
    void SetUp() override
    {
        const char* name = std::getenv(scenarioVariable);
        if (name == nullptr) return;
        headlessOnPresent([](const Pixel*) {
            if (simPlaying()) ++counts.showPresents;
            else ++counts.loadingPresents;
        });
        headlessOnPump([] {
            if (simPassesRead() == 5) postMessage({msgClose, 0, 0});
        });
        const auto found = Scenarios.find(name);
        if (found == Scenarios.end()) std::_Exit(97);
        found->second();
        std::atexit(reportFacts);
        std::exit(runInvitation());
    }
};

[[maybe_unused]] ::testing::Environment* const scenarioChild =
    ::testing::AddGlobalTestEnvironment(new ScenarioChild);

// Runs a scenario in a new process of this test program, which starts from the program's
// first state whatever the tests before it left behind.
ChildRun runScenario(const std::string& name)
{
    ChildRun run;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return run;
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        setenv(scenarioVariable, name.c_str(), 1);
        const std::string filter = "--gtest_filter=" +
                                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name()) +
                                   "." + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        execl("/proc/self/exe", "invite_tests", filter.c_str(), static_cast<char*>(nullptr));
        _exit(98);
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
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string fact;
        double value = 0;
        std::string rest;
        if (words >> fact >> value && !(words >> rest)) run.facts[fact] = value;
    }
    EXPECT_TRUE(run.facts.count("framesRead")) << "the child reported nothing:\n" << text;
    return run;
}

TEST(Invitation, RunClosedAfterFiveFramesReleasesEverythingOnceAndEndsWithZero)
{
    const ChildRun run = runScenario("plain");
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
    // A soundtrack that ends before the menu's cue is refused before the window opens; a window
    // that cannot open (no display) ends the run with code one too.
    const struct {
        const char* scenario;
        int exitCode, framesRead, loadingPresents;
    } Cases[] = {
        {"playback-fails", 1, 0, 10},
        {"window-refused", 1, 0, 0},
        {"soundtrack-ends-at-the-menu", 1, 0, 0},
        {"soundtrack-reaches-the-menu", 0, 5, 10},
    };
    for (const auto& c : Cases) {
        SCOPED_TRACE(c.scenario);
        const ChildRun run = runScenario(c.scenario);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.facts.at("framesRead"), c.framesRead);
        EXPECT_EQ(run.facts.at("loadingPresents"), c.loadingPresents);
        EXPECT_EQ(run.facts.at("closes"), 1) << "the audio is closed on the way out";
    }
}

// Escape given during loading waits in the queue; the first pump handles it on the intro's
// screen, where it quits, so the run ends before the music time is read.
TEST(Invitation, EscapeQueuedDuringLoadingEndsTheRunInTheFirstPump)
{
    const ChildRun run = runScenario("escape-during-loading");
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
    const ChildRun run = runScenario("exit-click-during-loading");
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
    const ChildRun run = runScenario("exit-button");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.facts.at("framesRead"), 4);
    EXPECT_EQ(run.facts.at("showPresents"), 3);
    EXPECT_EQ(run.facts.at("closes"), 1);
    EXPECT_EQ(run.facts.at("buffersHeld"), 0);
}

}  // namespace

// Every way the soundtrack can fail to play is named as it is, with advice the viewer can
// follow: a release names nothing its archive does not hold.
TEST(Invitation, SoundtrackFailuresSayWhatIsWrongWithTheFile)
{
    char folder[] = "/tmp/soundtrack_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    char* previous = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(folder), 0);
    mkdir("folder", 0755);
    ASSERT_EQ(symlink("loop", "loop"), 0);
    std::ofstream("noise") << "not music";
    struct Case {
        const char* name;
        bool release;
        const char* says;
        const char* never;
    };
    const Case cases[] = {
        {"missing", false, "missing was not found in HERE. Start the program from", "decoded"},
        {"folder", false, "folder in HERE is a folder. Copy the invitation's own folder there again.", "decoded"},
        {"loop", false, "loop in HERE cannot be read: too many levels of symbolic links.", "decoded"},
        {"noise", false, "noise in HERE could not be decoded as MP3 (bad header). Copy the invitation's own noise "
                         "there again, or, for music of your own, name its MP3 in [soundtrack] of content/party.toml",
         "archive"},
        {"noise", true, "noise in HERE could not be decoded as MP3 (bad header). Copy the invitation's own noise "
                        "there again from the invitation's archive.",
         "make assets"},
    };
    for (const Case& c : cases) {
        const std::string message = soundtrackFailure(c.name, "HERE", "bad header", c.release);
        EXPECT_NE(message.find(c.says), std::string::npos) << message;
        EXPECT_EQ(message.find(c.never), std::string::npos) << message;
    }
    EXPECT_EQ(chdir(previous), 0);
    std::free(previous);
    std::filesystem::remove_all(folder);
}
