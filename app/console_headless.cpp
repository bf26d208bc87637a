#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/console.h"
#include "app/headless.h"
#include "render/backdrop.h"

namespace {

struct HeadlessConsole {
    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0);
    std::function<void(const Pixel*)> onPresent;
    std::function<void()> onPump;
    std::function<bool()> frameWanted;
    bool windowRefused = false;
};

HeadlessConsole console;

}  // namespace

void headlessOnPresent(std::function<void(const Pixel* frame)> hook)
{
    console.onPresent = std::move(hook);
}

void headlessOnPump(std::function<void()> hook)
{
    console.onPump = std::move(hook);
}

void headlessOnFrameWanted(std::function<bool()> hook)
{
    console.frameWanted = std::move(hook);
}

void headlessRefuseWindow(bool refuse)
{
    console.windowRefused = refuse;
}

bool consoleOpenWindow(bool)
{
    return !console.windowRefused;
}

Pixel* consoleFrame()
{
    return console.frame.data();
}

bool consoleFrameSeen()
{
    return !console.frameWanted || console.frameWanted();
}

void consoleSkipFrame()
{
}

// Every presented frame of the show must differ from its backdrop only where the drawing
// marked it, or the next pass would leave a trail; a fault stops the run at once.
void consoleUpdate()
{
    int x = 0;
    int y = 0;
    if (firstUnmarkedChange(x, y)) {
        std::fprintf(stderr, "kept frame: pixel (%d, %d) was drawn without a mark\n", x, y);
        std::abort();
    }
    if (console.onPresent) console.onPresent(console.frame.data());
}

void consolePumpEvents()
{
    if (console.onPump) console.onPump();
}

void consoleReport(const char* message)
{
    std::fprintf(stderr, "%s\n", message);
}

void consoleClose()
{
}
