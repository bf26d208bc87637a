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
        int x = 0;
        int y = 0;
        if (framePointOf(picture, event.motion.x, event.motion.y, x, y)) {
            add(messages, {msgMouseMove, 0, packPoint(x, y)});
        }
        break;
    }
    case SDL_MOUSEBUTTONDOWN: return translateButton(event.button, true, picture);
    case SDL_MOUSEBUTTONUP: return translateButton(event.button, false, picture);
    case SDL_MOUSEWHEEL: return translateWheel(event.wheel);
    default: break;
    }
    return messages;
}
