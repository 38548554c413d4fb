#include "X11Clock.h"

#include <cerrno>
#include <ctime>

#include <sched.h>
#include <sys/prctl.h>

namespace
{

constexpr std::int64_t kYieldMicros = 200;

} // namespace

std::uint32_t X11Clock::tickCount()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint32_t(std::uint64_t(now.tv_sec) * 1000u + std::uint64_t(now.tv_nsec) / 1000000u);
}

std::int64_t X11Clock::monotonicMicros()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

X11Clock::X11Clock()
{
    // Playback sleeps on the thread that made the clock: wake it when asked, not up to 50 us later, the
    // default slack the kernel may add to group wake-ups.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

void X11Clock::sleepUntil(std::int64_t deadline)
{
    // An absolute deadline: a signal that interrupts the sleep does not stretch it. The sleep ends a little
    // early and the rest is waited out yielding, since waking from a sleep can take longer than that.
    const std::int64_t wake = deadline - kYieldMicros;
    const timespec until{time_t(wake / 1000000), long(wake % 1000000) * 1000L};
    if (monotonicMicros() < wake) {
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        }
    }
    while (monotonicMicros() < deadline)
        sched_yield();
}
