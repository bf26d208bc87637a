// A long headless run: 30 minutes of music on a clock that loops every 200 s, under a seeded
// flood of mouse moves, clicks and keys. After every frame the run state must hold its
// bounds, and resident memory must not grow after loading.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app/headless.h"
#include "base/input.h"
#include "app/invitation.h"
#include "app/window.h"
#include "scenes/menu.h"
#include "scenes/pages.h"
#include "scenes/plates.h"

namespace {

constexpr std::int64_t soakLength = 30 * 60 * 1000;
constexpr std::int32_t loopLength = 200000;
constexpr long allowedGrowthKb = 0;

struct Soak {
    std::uint64_t seed = 0x5EED2026u;
    std::int64_t frames = 0;
    long rssAfterLoadingKb = -1;
    long rssAfterFirstLoopKb = -1;
    long peakKb = 0;
    long lastKb = 0;
    bool closeSent = false;
    int failures = 0;
};

Soak soak;

std::uint32_t nextRandom()
{
    soak.seed = soak.seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return std::uint32_t(soak.seed >> 33);
}

long residentKb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * 4;
}

bool onExitButton(int x, int y)
{
    return x > 231 && x < 408 && y >= MenuButtonTops[4] && y < MenuButtonTops[4] + buttonHeight;
}

// A handful of random events before each frame; Escape in the menu and the exit button would
// end the run, so the flood leaves them alone until the end.
void flood()
{
    if (simElapsedOfPass(simPassesRead()) > soakLength) {
        if (!soak.closeSent) postMessage({msgClose, 0, 0});
        soak.closeSent = true;
        return;
    }
    const int count = int(nextRandom() % 4);
    bool escapePosted = false;  // a second Escape in one pump would quit from the menu
    for (int i = 0; i < count; ++i) {
        const std::uint32_t kind = nextRandom() % 16;
        if (kind < 8) {
            int x = int(nextRandom() % 640);
            int y = int(nextRandom() % 480);
            if (onExitButton(x, y)) y = 470;
            postMessage({msgMouseMove, 0, packPoint(x, y)});
        } else if (kind < 12) {
            static const std::uint32_t Buttons[] = {msgLeftDown, msgLeftUp, msgRightDown, msgRightUp};
            postMessage({Buttons[nextRandom() % 4], 0, 0});
        } else {
            static const std::uint32_t Keys[] = {keyUp, keyDown, keyPageUp, keyPageDown, keyEscape};
            const std::uint32_t key = Keys[nextRandom() % 5];
            if (key == keyEscape && (!pageOpen(menuFlags.screen) || escapePosted)) continue;
            escapePosted = escapePosted || key == keyEscape;
            postMessage({msgKeyDown, key, 0});
        }
    }
}

void fail(const char* what)
{
    if (soak.failures++ < 10) {
        std::fprintf(stderr, "frame %lld: %s\n", static_cast<long long>(soak.frames), what);
    }
}

void checkFrame(const Pixel*)
{
    if (!simPlaying()) return;
    ++soak.frames;
    if (menuFlags.screen < Screen::intro || menuFlags.screen > Screen::clock) fail("menu state out of range");
    if (menuFlags.screen == Screen::page2 && (menuFlags.page2Scroll < 0 || menuFlags.page2Scroll > page2ScrollMax)) {
        fail("page 2 drawn with its scroll out of range");
    }
    if (menuFlags.screen == Screen::page3 && (menuFlags.page3Scroll < 0 || menuFlags.page3Scroll > page3ScrollMax)) {
        fail("page 3 drawn with its scroll out of range");
    }
    if (plates.plateLevel < 0 || plates.plateLevel > 63) fail("plate level out of range");
    if (menuFlags.crossfadeLevel < 0 || menuFlags.crossfadeLevel > 7) fail("crossfade level out of range");
    if (soak.frames == 1 || soak.frames % 600 == 0) {
        const long rss = residentKb();
        if (soak.rssAfterLoadingKb < 0) soak.rssAfterLoadingKb = rss;
        if (soak.rssAfterFirstLoopKb < 0 && simElapsedOfPass(simPassesRead()) > loopLength) {
            soak.rssAfterFirstLoopKb = rss;
        }
        if (rss > soak.peakKb) soak.peakKb = rss;
        soak.lastKb = rss;
    }
}

}  // namespace

int main()
{
    SimulatedClock clock;
    clock.loop = loopLength;
    simConfigure(clock);
    headlessOnPump(flood);
    headlessOnPresent(checkFrame);
    const int code = runInvitation();

    // Pages and tables first drawn in the first loop may still become resident then; after
    // it, a whole loop more of the show must not add a page.
    const long growth = soak.peakKb - soak.rssAfterFirstLoopKb;
    std::printf("soak: %lld frames, %lld s of music looping every %d s\n",
                static_cast<long long>(soak.frames), static_cast<long long>(soakLength / 1000),
                loopLength / 1000);
    std::printf("soak: resident after loading %.1f MB, after the first loop %.1f MB, at the end %.1f MB, "
                "peak %.1f MB; growth after the first loop %ld kB\n",
                soak.rssAfterLoadingKb / 1024.0, soak.rssAfterFirstLoopKb / 1024.0,
                soak.lastKb / 1024.0, soak.peakKb / 1024.0, growth);
    if (code != 0) fail("the run did not end with exit code 0");
    if (!soak.closeSent) fail("the run ended before the soak was over");
    if (growth > allowedGrowthKb) fail("memory grew after loading");
    std::printf("soak: %s\n", soak.failures == 0 ? "passed" : "FAILED");
    return soak.failures == 0 ? 0 : 1;
}
