#pragma once
// Where the 640x480 frame sits in an area, and what one finger does on it: the rules the
// desktop window and the web page share. Positions are in the area's own units (window units
// on the desktop, CSS pixels in the page); the frame's messages are those of app/window.h.
#include <cstdint>

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

// Frame coordinates of a position in the area; false when the position is outside the
// picture (in a bar, or outside the area).
bool framePointOf(const PictureRect& picture, int areaX, int areaY, int& frameX, int& frameY);

// The messages one event gives: none, one, a mouse move followed by a button, or a tap's
// move, press and release.
struct EventMessages {
    Message items[3] = {};
    int count = 0;
};

// A finger that moves further than this (area units) is a drag, not a tap.
constexpr float touchSlop = 10.0f;
// A tap that misses every press area of the menu but lands this close to one (area units)
// goes to the nearest: the buttons are thinner than a fingertip on a phone.
constexpr float tapReach = 12.0f;

// Where a tap lands in the frame: the frame point under it, or, in the empty band around the
// menu's press areas, the nearest point of the nearest one. False outside the picture.
bool tapPoint(const PictureRect& picture, float areaX, float areaY, int& frameX, int& frameY);

// One finger that stays put is a left click where it lifts (by tapPoint); one that moves
// further than touchSlop scrolls by the distance moved in frame rows (a finger moving up
// scrolls the page down); anything done with two fingers is nothing. A cancelled touch is
// no click. The touch in progress is the module's own state.
enum class TouchPhase { down, move, up, cancel };
EventMessages translateTouch(TouchPhase phase, std::int64_t finger, float areaX, float areaY,
                             const PictureRect& picture);

// Forgets the touch in progress (for tests, and when the window loses its fingers).
void resetTouch();

// Where the web page moves the pointer once a tap's click has been taken: on no press area,
// so that nothing stays lit and no bubble follows a finger that has gone.
constexpr int restingPointerX = 0;
constexpr int restingPointerY = 479;
