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

// SDL writes the older X11 title, WM_NAME, through the C library's locale, so in the "C"
// locale a name such as "Göta" reads "GÃ¶ta" there. This writes it again from the UTF-8 title,
// as Latin-1 text where the letters allow and as compound text otherwise; does nothing outside
// X11.
void writeOlderWindowTitle(SDL_Window* window, const char* title);
