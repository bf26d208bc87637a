#include "app/console_view.h"

#include "render/primitives.h"

namespace {

// The finger that may become a tap or a drag, and whether a second finger has made the
// gesture nobody's.
struct TouchState {
    int fingersDown = 0;
    bool tracking = false;
    SDL_FingerID finger = 0;
    float startX = 0.0f;  // window units
    float startY = 0.0f;
    float lastY = 0.0f;
    bool dragging = false;
    bool several = false;
    double carryRows = 0.0;  // the part of a row dragged but not yet sent
};

TouchState touch;

std::uint32_t keyCodeFor(SDL_Keycode key)
{
    switch (key) {
    case SDLK_ESCAPE: return keyEscape;
    case SDLK_PAGEUP: return keyPageUp;
    case SDLK_PAGEDOWN: return keyPageDown;
    case SDLK_UP: return keyUp;
    case SDLK_DOWN: return keyDown;
    default: return 0;
    }
}

void add(EventMessages& messages, Message message)
{
    messages.items[messages.count++] = message;
}

EventMessages translateButton(const SDL_MouseButtonEvent& button, bool down, const PictureRect& picture)
{
    EventMessages messages;
    std::uint32_t code = 0;
    if (button.button == SDL_BUTTON_LEFT) code = down ? msgLeftDown : msgLeftUp;
    else if (button.button == SDL_BUTTON_RIGHT) code = down ? msgRightDown : msgRightUp;
    int x = 0;
    int y = 0;
    const bool inside = framePointOf(picture, button.x, button.y, x, y);
    if (down && !inside) return messages;
    if (inside) add(messages, {msgMouseMove, 0, packPoint(x, y)});
    if (code != 0) add(messages, {code, 0, 0});
    return messages;
}

// SDL counts notches away from the user as positive, and gives whole notches once the
// fractions of a smooth wheel or touchpad add up to one; the program counts down as positive.
EventMessages translateWheel(const SDL_MouseWheelEvent& wheel)
{
    EventMessages messages;
    const int away = wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -wheel.y : wheel.y;
    if (away != 0) add(messages, {msgMouseWheel, std::uint32_t(std::int32_t(-away)), 0});
    return messages;
}

EventMessages translateFingerDown(const SDL_TouchFingerEvent& finger, int windowWidth, int windowHeight)
{
    ++touch.fingersDown;
    if (touch.fingersDown > 1) {
        touch.several = true;
        return {};
    }
    touch.tracking = true;
    touch.finger = finger.fingerId;
    touch.startX = finger.x * float(windowWidth);
    touch.startY = finger.y * float(windowHeight);
    touch.lastY = touch.startY;
    touch.dragging = false;
    touch.several = false;
    touch.carryRows = 0.0;
    return {};
}

EventMessages translateFingerMotion(const SDL_TouchFingerEvent& finger, int windowWidth, int windowHeight)
{
    EventMessages messages;
    if (!touch.tracking || touch.several || finger.fingerId != touch.finger) return messages;
    const float x = finger.x * float(windowWidth);
    const float y = finger.y * float(windowHeight);
    const float dx = x - touch.startX;
    const float dy = y - touch.startY;
    if (!touch.dragging && dx * dx + dy * dy > touchSlop * touchSlop) touch.dragging = true;
    if (!touch.dragging) return messages;
    // A finger moving up carries the text up with it: the page scrolls down.
    const PictureRect picture = pictureRect(windowWidth, windowHeight);
    if (picture.height <= 0) return messages;
    const double rows = double(touch.lastY - y) * screenHeight / picture.height + touch.carryRows;
    const auto whole = std::int32_t(rows);
    touch.carryRows = rows - whole;
    touch.lastY = y;
    if (whole != 0) add(messages, {msgScrollRows, std::uint32_t(whole), 0});
    return messages;
}

EventMessages translateFingerUp(const SDL_TouchFingerEvent& finger, int windowWidth, int windowHeight)
{
    EventMessages messages;
    if (touch.fingersDown > 0) --touch.fingersDown;
    const bool tap = touch.tracking && finger.fingerId == touch.finger && !touch.dragging && !touch.several;
    if (finger.fingerId == touch.finger) touch.tracking = false;
    if (touch.fingersDown == 0) touch.several = false;
    int x = 0;
    int y = 0;
    const PictureRect picture = pictureRect(windowWidth, windowHeight);
    if (!tap || !framePointOf(picture, int(finger.x * float(windowWidth)), int(finger.y * float(windowHeight)), x, y)) {
        return messages;
    }
    add(messages, {msgMouseMove, 0, packPoint(x, y)});
    add(messages, {msgLeftDown, 0, 0});
    add(messages, {msgLeftUp, 0, 0});
    return messages;
}

}  // namespace

void resetTouch()
{
    touch = TouchState{};
}

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

bool framePointOf(const PictureRect& picture, int windowX, int windowY, int& frameX, int& frameY)
{
    const int dx = windowX - picture.x;
    const int dy = windowY - picture.y;
    if (dx < 0 || dy < 0 || dx >= picture.width || dy >= picture.height) return false;
    frameX = int(std::int64_t(dx) * screenWidth / picture.width);
    frameY = int(std::int64_t(dy) * screenHeight / picture.height);
    return true;
}

EventMessages translateEvent(const SDL_Event& event, int windowWidth, int windowHeight)
{
    EventMessages messages;
    const PictureRect picture = pictureRect(windowWidth, windowHeight);
    switch (event.type) {
    case SDL_QUIT:
        add(messages, {msgClose, 0, 0});
        break;
    case SDL_KEYDOWN:
        if (const std::uint32_t key = keyCodeFor(event.key.keysym.sym)) add(messages, {msgKeyDown, key, 0});
        break;
    case SDL_MOUSEMOTION: {
        if (event.motion.which == SDL_TOUCH_MOUSEID) break;
        int x = 0;
        int y = 0;
        if (framePointOf(picture, event.motion.x, event.motion.y, x, y)) {
            add(messages, {msgMouseMove, 0, packPoint(x, y)});
        }
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.which == SDL_TOUCH_MOUSEID) break;
        return translateButton(event.button, event.type == SDL_MOUSEBUTTONDOWN, picture);
    case SDL_MOUSEWHEEL:
        if (event.wheel.which == SDL_TOUCH_MOUSEID) break;
        return translateWheel(event.wheel);
    case SDL_FINGERDOWN: return translateFingerDown(event.tfinger, windowWidth, windowHeight);
    case SDL_FINGERMOTION: return translateFingerMotion(event.tfinger, windowWidth, windowHeight);
    case SDL_FINGERUP: return translateFingerUp(event.tfinger, windowWidth, windowHeight);
    default: break;
    }
    return messages;
}
