#include "app/invitation.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/console.h"
#include "app/loading.h"
#include "app/music.h"
#include "app/timeline.h"
#include "app/window.h"
#include "scenes/timing.h"

namespace {

constexpr const char* soundtrackName = "zura5inv.mp3";

std::string workingFolder()
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string("the current folder") : folder.string();
}

std::string withReason(const std::string& text)
{
    const std::string reason = musicFailure();
    return reason.empty() ? text : text + " (" + reason + ")";
}

// Every audio failure ends the run with code 1 and one line saying what to do about it.
[[noreturn]] void failAudio(const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    musicClose();
    std::exit(1);
}

[[noreturn]] void failNoDevice()
{
    failAudio(withReason("No audio device could be opened") +
              ". To run without sound, start the program with SDL_AUDIODRIVER=dummy.");
}

[[noreturn]] void failSoundtrack()
{
    std::error_code error;
    if (!std::filesystem::exists(soundtrackName, error)) {
        failAudio(std::string("The soundtrack ") + soundtrackName + " was not found in " + workingFolder() +
                  ". Start the program from the folder that holds it.");
    }
    failAudio(withReason(std::string("The soundtrack ") + soundtrackName + " in " + workingFolder() +
                         " could not be decoded as MP3") +
              ". Copy the invitation's own " + soundtrackName + " there again, or, for music of your own, " +
              "name its MP3 in [soundtrack] of content/party.toml and run make assets, which checks it and " +
              "puts it there.");
}

// The intro runs on the music's clock: a soundtrack that ends before the menu's cue would loop
// back into the intro for ever.
[[noreturn]] void failShortSoundtrack(std::int32_t lengthMs)
{
    char figures[96];
    std::snprintf(figures, sizeof figures, " is %.1f s long; the show needs %.1f s of music to reach its menu",
                  lengthMs / 1000.0, showTiming.menu / 1000.0);
    failAudio(std::string("The soundtrack ") + soundtrackName + " in " + workingFolder() + figures +
              ". Copy the invitation's own " + soundtrackName + " there again.");
}

[[noreturn]] void failPlay()
{
    failAudio(withReason("The soundtrack could not be started") + ". Check the audio device and try again.");
}

}  // namespace

bool startInvitation()
{
    try {
        if (!musicInit()) failNoDevice();
        if (!musicOpen(soundtrackName)) failSoundtrack();
        const std::int32_t length = musicLengthMs();
        if (length >= 0 && length <= showTiming.menu) failShortSoundtrack(length);
        createWindow();
        buildRowOffsets();
        resetShow();
        showLoadingScreen(loadedAssets);
        loadAssets(loadedAssets);
        if (!musicPlay()) failPlay();
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
    if (!startInvitation()) return 1;
    finishInvitation(runFrameLoop());
    return 0;
}
