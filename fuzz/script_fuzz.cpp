// The offline renderer's --script files on any bytes: each event read is one a visitor could
// make (a point on the screen, a known button or key, a time not before the start), and the
// line named in a message is shown without control characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tools/render_script.h"

namespace {

void require(bool holds)
{
    if (!holds) std::abort();
}

void checkEvent(const ScriptEvent& event)
{
    require(event.time >= 0);
    const Message& m = event.message;
    switch (m.code) {
    case msgMouseMove: require((m.lParam & 0xFFFF) < 640 && (m.lParam >> 16) < 480); break;
    case msgKeyDown:
        require(m.wParam == keyEscape || m.wParam == keyUp || m.wParam == keyDown || m.wParam == keyPageUp ||
                m.wParam == keyPageDown);
        break;
    case msgLeftDown:
    case msgLeftUp:
    case msgRightDown:
    case msgRightUp:
    case msgClose: break;
    default: require(false);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ScriptEvent> events;
    const int bad = parseScript(text, events);
    for (const ScriptEvent& event : events) checkEvent(event);
    if (bad == 0) return 0;
    std::istringstream lines(text);
    std::string line;
    for (int k = 0; k < bad; ++k) require(bool(std::getline(lines, line)));
    for (const unsigned char c : printableLine(line)) require(c >= 0x20 && c < 0x7F);
    return 0;
}
