#pragma once
// The window system's events turned into the program's messages (app/window.h). Kept apart
// from the display so it can be tested without one.
#include <SDL.h>

#include "app/touch.h"

// windowWidth and windowHeight are the window's size in the units of the event's mouse
// positions. A press outside the picture is no click and moves nothing; a release anywhere
// lets the button go; a move outside the picture keeps the last position inside it. A wheel
// turned anywhere in the window gives its whole notches, counted positive downwards.
// Fingers follow app/touch.h's rules in window units; the mouse events SDL makes of touches
// are dropped.
EventMessages translateEvent(const SDL_Event& event, int windowWidth, int windowHeight);
