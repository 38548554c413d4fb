#include "Win32Clock.h"

#include <windows.h>

#include <timeapi.h>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace
{

// What is left to the yield loop: the timer's own lateness, so that the wait rarely overshoots.
constexpr std::int64_t kTimerMarginMicros = 500;
constexpr std::int64_t kSleepMarginMicros = 2000;

} // namespace

Win32Clock::Win32Clock()
{
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    m_frequency = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
    m_timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (!m_timer)
        timeBeginPeriod(1);
    m_wakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

Win32Clock::~Win32Clock()
{
    if (m_wakeEvent)
        CloseHandle(m_wakeEvent);
    if (m_timer)
        CloseHandle(m_timer);
    else
        timeEndPeriod(1);
}

std::uint32_t Win32Clock::tickCount()
{
    return GetTickCount();
}

std::int64_t Win32Clock::monotonicMicros()
{
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    // Split so that the multiplication cannot overflow however long the system has run.
    const std::int64_t ticks = counter.QuadPart;
    return ticks / m_frequency * 1000000 + ticks % m_frequency * 1000000 / m_frequency;
}

bool Win32Clock::sleepUntil(std::int64_t deadline)
{
    const std::int64_t margin = m_timer ? kTimerMarginMicros : kSleepMarginMicros;
    const std::int64_t left = deadline - monotonicMicros();
    if (left > margin) {
        const std::int64_t wait = left - margin;
        LARGE_INTEGER due{};
        due.QuadPart = -wait * 10; // relative, in 100 ns units
        if (m_timer && SetWaitableTimer(m_timer, &due, 0, nullptr, nullptr, FALSE)) {
            HANDLE handles[] = {m_wakeEvent, m_timer};
            if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0)
                return false;
        } else if (WaitForSingleObject(m_wakeEvent, DWORD(wait / 1000)) == WAIT_OBJECT_0) {
            return false;
        }
    }
    if (WaitForSingleObject(m_wakeEvent, 0) == WAIT_OBJECT_0)
        return false;
    while (monotonicMicros() < deadline)
        SwitchToThread();
    return true;
}

void Win32Clock::wake()
{
    SetEvent(m_wakeEvent);
}
