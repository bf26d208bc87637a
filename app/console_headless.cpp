#include <cstdio>
#include <vector>

#include "app/console.h"
#include "app/headless.h"

namespace {

struct HeadlessConsole {
    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0);
    std::function<void(const Pixel*)> onPresent;
    std::function<void()> onPump;
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

bool consoleOpenWindow(bool)
{
    return true;
}

Pixel* consoleLock()
{
    return console.frame.data();
}

void consoleUnlock()
{
}

void consoleUpdate()
{
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
