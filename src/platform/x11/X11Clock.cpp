#include "X11Clock.h"

#include <cerrno>
#include <cstdint>
#include <ctime>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <unistd.h>

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
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

X11Clock::~X11Clock()
{
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

bool X11Clock::sleepUntil(std::int64_t deadline)
{
    // One sleep to the deadline itself, not a sleep that ends early and a rest waited out with sched_yield():
    // a yield hands the processor to any other runnable thread for the rest of that thread's time slice, so
    // on a busy machine the row went out milliseconds late, while a thread that wakes from a sleep is run
    // ahead of the busy ones. The remaining time is measured afresh after a signal, so it does not stretch it.
    for (std::int64_t now = monotonicMicros(); now < deadline; now = monotonicMicros()) {
        const std::int64_t left = deadline - now;
        const timespec timeout{time_t(left / 1000000), long(left % 1000000) * 1000L};
        pollfd wakeFd{m_wakeFd, POLLIN, 0};
        if (ppoll(&wakeFd, 1, &timeout, nullptr) > 0 && takeWake())
            return false;
    }
    return !takeWake();
}

void X11Clock::wake()
{
    // write(2) on an eventfd is async-signal-safe; a full counter already means "woken".
    const std::uint64_t one = 1;
    const int savedErrno = errno;
    [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
    errno = savedErrno;
}

bool X11Clock::takeWake()
{
    std::uint64_t count = 0;
    return read(m_wakeFd, &count, sizeof count) == ssize_t(sizeof count) && count > 0;
}
