#pragma once
// The whole run: audio, window, console, loading, the frame loop and every way it ends.
// Every failure to start ends the process with 1 and says on standard error what failed: audio,
// a soundtrack too short to reach the menu, no window, a missing resource, a JPEG.
#include <string>

#include "app/frameloop.h"

// Audio, window, console and loading, then playback starts. False when no window could be
// made (the error has been reported and everything opened is closed again).
bool startInvitation();
// After the frame pass that ended the run: frees what the exit button left, closes the console.
void finishInvitation(PassResult end);
// start, the frame loop, finish; returns the process exit code (1 when no window could be made).
int runInvitation();
// What the viewer is told when the soundtrack `name` in the current folder (`folder`, as
// shown) cannot be played: missing, a folder, unreadable (and why), or not MP3 (with what the
// decoder said), with what to do about it. A release offers only what its archive holds.
std::string soundtrackFailure(const char* name, const std::string& folder, const std::string& decoderSays, bool release);
