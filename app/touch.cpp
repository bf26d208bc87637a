#include "app/touch.h"

#include "base/pixel.h"
#include "scenes/menu.h"

namespace {

// The finger that may become a tap or a drag, and whether a second finger has made the
// gesture nobody's.
struct TouchState {
    int fingersDown = 0;
    bool tracking = false;
    std::int64_t finger = 0;
    float startX = 0.0f;
    float startY = 0.0f;
    float lastY = 0.0f;
    bool dragging = false;
    bool several = false;
    double carryRows = 0.0;  // the part of a row dragged but not yet sent
};

TouchState touch;

void add(EventMessages& messages, Message message)
{
    messages.items[messages.count++] = message;
}

int clampTo(int value, int low, int high)
{
    return value < low ? low : value > high ? high : value;
}

// The distance in area units from a point to a press area as the picture shows it.
double distanceTo(const PictureRect& picture, double x, double y, const PressArea& area)
{
    const double unitX = double(picture.width) / screenWidth;
    const double unitY = double(picture.height) / screenHeight;
    const double left = picture.x + area.left * unitX;
    const double right = picture.x + area.right * unitX;
    const double top = picture.y + area.top * unitY;
    const double bottom = picture.y + area.bottom * unitY;
    const double dx = x < left ? left - x : x > right ? x - right : 0.0;
    const double dy = y < top ? top - y : y > bottom ? y - bottom : 0.0;
    return dx * dx + dy * dy;
}

EventMessages fingerDown(std::int64_t finger, float x, float y)
{
    ++touch.fingersDown;
    if (touch.fingersDown > 1) {
        touch.several = true;
        return {};
    }
    touch.tracking = true;
    touch.finger = finger;
    touch.startX = x;
    touch.startY = y;
    touch.lastY = y;
    touch.dragging = false;
    touch.several = false;
    touch.carryRows = 0.0;
    return {};
}

EventMessages fingerMove(std::int64_t finger, float x, float y, const PictureRect& picture)
{
    EventMessages messages;
    if (!touch.tracking || touch.several || finger != touch.finger) return messages;
    const float dx = x - touch.startX;
    const float dy = y - touch.startY;
    if (!touch.dragging && dx * dx + dy * dy > touchSlop * touchSlop) touch.dragging = true;
    if (!touch.dragging || picture.height <= 0) return messages;
    const double rows = double(touch.lastY - y) * screenHeight / picture.height + touch.carryRows;
    const auto whole = std::int32_t(rows);
    touch.carryRows = rows - whole;
    touch.lastY = y;
    if (whole != 0) add(messages, {msgScrollRows, std::uint32_t(whole), 0});
    return messages;
}

EventMessages fingerUp(std::int64_t finger, float x, float y, const PictureRect& picture, bool cancelled)
{
    EventMessages messages;
    if (touch.fingersDown > 0) --touch.fingersDown;
    const bool tap = !cancelled && touch.tracking && finger == touch.finger && !touch.dragging && !touch.several;
    if (finger == touch.finger) touch.tracking = false;
    if (touch.fingersDown == 0) touch.several = false;
    int frameX = 0;
    int frameY = 0;
    if (!tap || !tapPoint(picture, x, y, frameX, frameY)) return messages;
    add(messages, {msgMouseMove, 0, packPoint(frameX, frameY)});
    add(messages, {msgLeftDown, 0, 0});
    add(messages, {msgLeftUp, 0, 0});
    return messages;
}

}  // namespace

PictureRect pictureRect(int areaWidth, int areaHeight)
{
    PictureRect picture;
    if (areaWidth <= 0 || areaHeight <= 0) return picture;
    if (std::int64_t(areaWidth) * screenHeight >= std::int64_t(areaHeight) * screenWidth) {
        picture.height = areaHeight;
        picture.width = int(std::int64_t(areaHeight) * screenWidth / screenHeight);
    } else {
        picture.width = areaWidth;
        picture.height = int(std::int64_t(areaWidth) * screenHeight / screenWidth);
    }
    picture.x = (areaWidth - picture.width) / 2;
    picture.y = (areaHeight - picture.height) / 2;
    return picture;
}

int wholeScaleFactor(const PictureRect& picture)
{
    const int across = picture.width / screenWidth;
    const int down = picture.height / screenHeight;
    const int factor = across < down ? across : down;
    return factor > 1 ? factor : 1;
}

bool framePointOf(const PictureRect& picture, int areaX, int areaY, int& frameX, int& frameY)
{
    const int dx = areaX - picture.x;
    const int dy = areaY - picture.y;
    if (dx < 0 || dy < 0 || dx >= picture.width || dy >= picture.height) return false;
    frameX = int(std::int64_t(dx) * screenWidth / picture.width);
    frameY = int(std::int64_t(dy) * screenHeight / picture.height);
    return true;
}

bool tapPoint(const PictureRect& picture, float areaX, float areaY, int& frameX, int& frameY)
{
    if (!framePointOf(picture, int(areaX), int(areaY), frameX, frameY)) return false;
    int nearest = -1;
    double nearestDistance = double(tapReach) * tapReach;
    for (int k = 0; k < pressAreaCount; ++k) {
        const PressArea area = menuPressArea(k);
        if (frameX >= area.left && frameX < area.right && frameY >= area.top && frameY < area.bottom) return true;
        const double distance = distanceTo(picture, areaX, areaY, area);
        if (distance <= nearestDistance) {
            nearestDistance = distance;
            nearest = k;
        }
    }
    if (nearest < 0) return true;
    const PressArea area = menuPressArea(nearest);
    frameX = clampTo(frameX, area.left, area.right - 1);
    frameY = clampTo(frameY, area.top, area.bottom - 1);
    return true;
}

EventMessages translateTouch(TouchPhase phase, std::int64_t finger, float areaX, float areaY,
                             const PictureRect& picture)
{
    switch (phase) {
    case TouchPhase::down: return fingerDown(finger, areaX, areaY);
    case TouchPhase::move: return fingerMove(finger, areaX, areaY, picture);
    case TouchPhase::up: return fingerUp(finger, areaX, areaY, picture, false);
    case TouchPhase::cancel: return fingerUp(finger, areaX, areaY, picture, true);
    }
    return {};
}

void resetTouch()
{
    touch = TouchState{};
}
