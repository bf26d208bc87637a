#include "app/invitation.h"

#include <cstdlib>

#include "app/console.h"
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

bool startInvitation()
{
    try {
        if (!musicInit()) failAudio();
        if (!musicOpen("zura5inv.mp3")) failAudio();
        createWindow();
        buildRowOffsets();
        showLoadingScreen(loadedAssets);
        loadAssets(loadedAssets);
        if (!musicPlay()) failAudio();
        return true;
    } catch (const DynamicError& error) {
        consoleReport(error.message.c_str());
        musicClose();
        consoleClose();
        return false;
    }
}

void finishInvitation(PassResult end)
{
    if (end == PassResult::quitButton) shutDownOnce();
    consoleClose();
}

int runInvitation()
{
    if (!startInvitation()) return 0;
    finishInvitation(runFrameLoop());
    return 0;
}
