// The soundtrack in a browser: the page's player (web/audio.js, handed to the program as
// Module.music) plays it on the browser's own audio thread; the program only starts it, stops
// it and reads what is heard. The player's position is already that of the speakers.
#include <emscripten.h>

#include "app/music.h"

namespace {

EM_JS(int, pageMusicReady, (), {
    return Module.music && Module.music.ready() ? 1 : 0;
});

EM_JS(int, pageMusicPlay, (), {
    return Module.music.play() ? 1 : 0;
});

EM_JS(double, pageMusicHeardMs, (), {
    const ms = Module.music ? Module.music.heardMs() : null;
    return ms === null ? -1 : ms;
});

EM_JS(void, pageMusicStop, (), {
    if (Module.music) Module.music.stop();
});

HeardClock clock;
const char* failure = "";

}  // namespace

bool musicInit()
{
    if (pageMusicReady()) return true;
    failure = "the page has no audio output";
    return false;
}

// The page has received the soundtrack's first piece before the program starts: the file
// name of the desktop programs names nothing here.
bool musicOpen(const char*)
{
    return true;
}

bool musicPlay()
{
    clock = HeardClock{};
    if (pageMusicPlay()) return true;
    failure = "the page's player could not start the soundtrack";
    return false;
}

std::int32_t musicPosition()
{
    return followHeardMusic(clock, pageMusicHeardMs());
}

void musicClose()
{
    pageMusicStop();
}

const char* musicFailure()
{
    return failure;
}

// The page checks the soundtrack's length itself.
std::int32_t musicLengthMs()
{
    return -1;
}
