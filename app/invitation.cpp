#include "app/invitation.h"

#include <cstdlib>

#include "app/console.h"
#include "app/frameloop.h"
#include "app/loading.h"
#include "app/music.h"
#include "app/window.h"

namespace {

[[noreturn]] void failAudio()
{
    musicClose();
    std::exit(1);
}

}  // namespace

int runInvitation()
{
    try {
        if (!musicInit()) failAudio();
        if (!musicOpen("zura5inv.mp3")) failAudio();
        createWindow();
        buildRowOffsets();
        showLoadingScreen(loadedAssets);
        loadAssets(loadedAssets);
        if (!musicPlay()) failAudio();
        if (runFrameLoop() == LoopEnd::quitButton) shutDownOnce();
        consoleClose();
        return 0;
    } catch (const DynamicError& error) {
        consoleReport(error.message.c_str());
        musicClose();
        consoleClose();
        return 0;
    }
}
