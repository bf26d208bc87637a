#pragma once
// The pixel console: a window showing the 640x480 frame, and the source of input events.
// Two implementations link against this header: console_sdl.cpp for the programs,
// console_headless.cpp for the tests and the offline renderer.
#include "render/primitives.h"

// Opens the window titled "ZURA 5 Party Invitation" (desktop fullscreen, frame scaled and
// letterboxed, system cursor hidden, when fullscreen); false when no window can be made.
bool consoleOpenWindow(bool fullscreen);
// The frame surface: valid from start-up to consoleClose; rows 640 Pixels apart.
Pixel* consoleFrame();
// Shows the frame surface, paced to 60 frames a second; while the window is minimised or
// hidden it shows nothing but still waits out the frame.
void consoleUpdate();
// Whether a frame drawn now would be seen: false while the window is minimised or hidden (or,
// offline, when no frame is wanted from this pass).
bool consoleFrameSeen();
// Waits out a pass that draws nothing, as consoleUpdate would have.
void consoleSkipFrame();
// Translates pending window-system events into posted messages (app/window.h).
void consolePumpEvents();
// Shows an error to the user and writes it to standard error.
void consoleReport(const char* message);
void consoleClose();
