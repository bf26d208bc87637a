#pragma once
// Where the 640x480 frame sits in the window, and the window system's events turned into the
// program's messages (app/window.h). Kept apart from the display so both can be tested
// without one.
#include <SDL.h>

#include "app/window.h"

// The frame's place in an area of the given size: the largest 4:3 rectangle, centred, with
// black bars on the two other sides.
struct PictureRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

PictureRect pictureRect(int areaWidth, int areaHeight);

// The largest whole factor by which the frame fits into the rectangle (at least 1): the
// frame is first scaled by it with square pixels, then the rest of the way smoothly.
int wholeScaleFactor(const PictureRect& picture);

// Frame coordinates of a window position; false when the position is outside the picture
// (in a bar, or outside the window).
bool framePointOf(const PictureRect& picture, int windowX, int windowY, int& frameX, int& frameY);

// The messages one event gives: none, one, a mouse move followed by a button, or a tap's
// move, press and release.
struct EventMessages {
    Message items[3] = {};
    int count = 0;
};

// windowWidth and windowHeight are the window's size in the units of the event's mouse
// positions. A press outside the picture is no click and moves nothing; a release anywhere
// lets the button go; a move outside the picture keeps the last position inside it. A wheel
// turned anywhere in the window gives its whole notches, counted positive downwards.
// On a touch screen one finger that stays put is a left click where it lifts, one that moves
// further than touchSlop window units scrolls by the distance moved in frame rows, and
// anything done with two fingers is nothing; the mouse events SDL makes of touches are
// dropped. The touch in progress is the module's own state.
EventMessages translateEvent(const SDL_Event& event, int windowWidth, int windowHeight);

constexpr float touchSlop = 10.0f;

// Forgets the touch in progress (for tests, and when the window loses its fingers).
void resetTouch();
