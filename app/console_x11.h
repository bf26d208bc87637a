#pragma once
// The window system's own word on the program's window, where SDL passes it on to nobody.
struct SDL_Window;

// From now on, failures of the window system about `window` (destroyed by another program)
// are noted instead of ending the process; does nothing outside X11.
void watchWindowDestruction(SDL_Window* window);
// Whether such a failure was noted since the last call.
bool takeWindowDestroyed();
// Takes the window system's answers still on their way, before SDL lets go of the display.
void settleWindowSystem();
