#include "app/console_pacing.h"

#include <cctype>
#include <string>

namespace {

constexpr std::int64_t second = 1000000000;

std::string lowerCase(const char* text)
{
    std::string lower(text);
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// Lower-case parts of the names software rasterisers give as renderer strings.
constexpr const char* SoftwareRasteriserNames[] = {
    "llvmpipe", "softpipe", "swrast", "software rasterizer", "gdi generic", "basic render driver",
    "swiftshader", "lavapipe", "software",
};

}  // namespace

std::int64_t frameDeadline(const FrameSchedule& schedule)
{
    return schedule.origin + schedule.frame * second / stepsPerSecond;
}

bool vsyncPacesAlone(bool vsyncGranted, int refreshRate)
{
    return vsyncGranted && refreshRate >= 59 && refreshRate <= 61;
}

std::int64_t nextFrameDeadline(FrameSchedule& schedule, std::int64_t now)
{
    if (!schedule.started || now - frameDeadline(schedule) > second / stepsPerSecond) {
        schedule = FrameSchedule{true, now, 0};
    }
    const std::int64_t deadline = frameDeadline(schedule);
    ++schedule.frame;
    return deadline;
}

bool vsyncStillPaces(VsyncCheck& check, std::int64_t now)
{
    if (check.frames == 0) check.since = now;
    if (++check.frames <= stepsPerSecond) return true;
    const bool paced = now - check.since >= second * 3 / 4;
    check = VsyncCheck{};
    return paced;
}

bool softwareRasteriser(const char* name)
{
    if (name == nullptr) return false;
    const std::string lower = lowerCase(name);
    for (const char* part : SoftwareRasteriserNames) {
        if (lower.find(part) != std::string::npos) return true;
    }
    return false;
}

bool forcedPresentation(const char* forced, Presentation& chosen)
{
    if (forced == nullptr) return false;
    const std::string choice = lowerCase(forced);
    if (choice == "texture") chosen = Presentation::texture;
    else if (choice == "surface") chosen = Presentation::surface;
    else return false;
    return true;
}

Presentation choosePresentation(const char* renderer, bool accelerated, const char* glRenderer)
{
    if (renderer == nullptr || !accelerated) return Presentation::surface;
    if (softwareRasteriser(renderer) || softwareRasteriser(glRenderer)) return Presentation::surface;
    return Presentation::texture;
}
