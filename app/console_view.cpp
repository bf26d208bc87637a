#include "app/console_view.h"

#include "render/primitives.h"

namespace {

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

// SDL gives finger positions as shares of the window.
EventMessages translateFinger(TouchPhase phase, const SDL_TouchFingerEvent& finger, int windowWidth, int windowHeight)
{
    return translateTouch(phase, std::int64_t(finger.fingerId), finger.x * float(windowWidth),
                          finger.y * float(windowHeight), pictureRect(windowWidth, windowHeight));
}

}  // namespace

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
    case SDL_FINGERDOWN: return translateFinger(TouchPhase::down, event.tfinger, windowWidth, windowHeight);
    case SDL_FINGERMOTION: return translateFinger(TouchPhase::move, event.tfinger, windowWidth, windowHeight);
    case SDL_FINGERUP: return translateFinger(TouchPhase::up, event.tfinger, windowWidth, windowHeight);
    default: break;
    }
    return messages;
}
