#include "app/invitation.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/build_mode.h"
#include "app/console.h"
#include "app/loading.h"
#include "app/music.h"
#include "app/timeline.h"
#include "app/window.h"
#include "resources/party_files.h"
#include "scenes/timing.h"

namespace {

constexpr const char* soundtrackName = soundtrackFileName;

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
    failAudio(soundtrackFailure(soundtrackName, workingFolder(), musicFailure(), releaseBuild));
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

std::string soundtrackFailure(const char* name, const std::string& folder, const std::string& decoderSays, bool release)
{
    const std::string file = std::string("The soundtrack ") + name;
    const std::string again = std::string(". Copy the invitation's own ") + name + " there again";
    std::error_code error;
    const bool exists = std::filesystem::exists(name, error);
    if (!exists && !error) return file + " was not found in " + folder + ". Start the program from the folder that holds it.";
    if (std::filesystem::is_directory(name, error)) return file + " in " + folder + " is a folder" + again + ".";
    if (std::FILE* probe = std::fopen(name, "rb")) {
        std::fclose(probe);
    } else {
        std::string cause = std::strerror(errno);
        if (!cause.empty()) cause[0] = char(std::tolower(static_cast<unsigned char>(cause[0])));
        return file + " in " + folder + " cannot be read: " + cause + again + ", readable by you.";
    }
    std::string text = file + " in " + folder + " could not be decoded as MP3";
    if (!decoderSays.empty()) text += " (" + decoderSays + ")";
    if (release) return text + again + " from the invitation's archive.";
    return text + again + ", or, for music of your own, name its MP3 in [soundtrack] of content/party.toml and " +
           "run make assets, which checks it and puts it there.";
}

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
