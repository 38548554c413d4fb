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
    // The timer ends the sleep a margin before the deadline and the rest is spun out. A thread woken by its
    // timer runs tens to hundreds of microseconds after the time it asked for, and milliseconds now and then
    // on a virtual machine whose processor had gone idle; without the margin that lateness went into every
    // row. The spin does not yield: a yield hands the processor to any other runnable thread for the rest of
    // its time slice, which on a busy machine sent rows milliseconds late. The remaining time is measured
    // afresh after a signal, so it does not stretch the wait.
    std::int64_t now = monotonicMicros();
    const std::int64_t wakeAt = deadline - m_margin.forWait(deadline - now);
    while (now < wakeAt) {
        const std::int64_t left = wakeAt - now;
        const timespec timeout{time_t(left / 1000000), long(left % 1000000) * 1000L};
        pollfd wakeFd{m_wakeFd, POLLIN, 0};
        const int ready = ppoll(&wakeFd, 1, &timeout, nullptr);
        if (ready > 0 && takeWake())
            return false;
        now = monotonicMicros();
        if (ready == 0 && now >= wakeAt)
            m_margin.noteLateness(now - wakeAt);
    }
    for (; now < deadline; now = monotonicMicros()) {
        if (takeWake())
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
