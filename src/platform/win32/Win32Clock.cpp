#include "Win32Clock.h"

#include <algorithm>

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
    // Low-level hooks installed by this thread are called from inside its message calls; a thread that
    // blocks without making any gets its hooks removed by the system after a timeout. So the waits let
    // sent messages through (hook calls among them) and posted messages stay queued for the toolkit.
    const auto deliverSentMessages = [] {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    };
    const std::int64_t margin = m_timer ? kTimerMarginMicros : kSleepMarginMicros;
    bool timerSet = false;
    for (;;) {
        deliverSentMessages();
        const std::int64_t left = deadline - monotonicMicros();
        if (left <= margin)
            break;
        HANDLE handles[] = {m_wakeEvent, m_timer};
        DWORD count = 1;
        DWORD timeoutMs = DWORD(std::min<std::int64_t>((left - margin) / 1000, 0x7FFFFFFF));
        if (m_timer) {
            if (!timerSet) {
                LARGE_INTEGER due{};
                due.QuadPart = -(left - margin) * 10; // relative, in 100 ns units
                timerSet = SetWaitableTimer(m_timer, &due, 0, nullptr, nullptr, FALSE) != 0;
            }
            if (timerSet) {
                count = 2;
                timeoutMs = INFINITE;
            }
        }
        const DWORD result = MsgWaitForMultipleObjectsEx(count, handles, timeoutMs, QS_SENDMESSAGE, 0);
        if (result == WAIT_OBJECT_0) {
            if (timerSet)
                CancelWaitableTimer(m_timer);
            return false;
        }
        if (result == WAIT_OBJECT_0 + 1 && count == 2) // the timer: only the margin is left
            break;
        if (result == WAIT_TIMEOUT || result == WAIT_FAILED)
            break;
        // WAIT_OBJECT_0 + count: a sent message came; deliver it and wait on.
    }
    if (WaitForSingleObject(m_wakeEvent, 0) == WAIT_OBJECT_0)
        return false;
    while (monotonicMicros() < deadline) {
        deliverSentMessages();
        SwitchToThread();
    }
    return true;
}

void Win32Clock::wake()
{
    SetEvent(m_wakeEvent);
}
