#include "app/console_pacing.h"

namespace {

constexpr std::int64_t second = 1000000000;

}  // namespace

std::int64_t frameDeadline(const FrameSchedule& schedule)
{
    return schedule.origin + schedule.frame * second / framesPerSecond;
}

bool vsyncPacesAlone(bool vsyncGranted, int refreshRate)
{
    return vsyncGranted && refreshRate >= 59 && refreshRate <= 61;
}

std::int64_t nextFrameDeadline(FrameSchedule& schedule, std::int64_t now)
{
    if (!schedule.started || now - frameDeadline(schedule) > second / framesPerSecond) {
        schedule = FrameSchedule{true, now, 0};
    }
    const std::int64_t deadline = frameDeadline(schedule);
    ++schedule.frame;
    return deadline;
}

bool vsyncStillPaces(VsyncCheck& check, std::int64_t now)
{
    if (check.frames == 0) check.since = now;
    if (++check.frames <= framesPerSecond) return true;
    const bool paced = now - check.since >= second * 3 / 4;
    check = VsyncCheck{};
    return paced;
}
