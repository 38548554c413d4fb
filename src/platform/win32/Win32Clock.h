#pragma once

#include "platform/Platform.h"

// GetTickCount, the clock input events carry, and the performance counter for pacing. Sleeps use a
// high-resolution waitable timer where the system has one, else a 1 ms timer period, and spin through the
// last fraction of a millisecond. While sleeping, the thread takes the messages sent to it, so that the
// low-level input hooks it installed keep being called; wake() ends the sleep from any thread.
class Win32Clock : public Clock
{
  public:
    Win32Clock();
    ~Win32Clock() override;
    Win32Clock(const Win32Clock &) = delete;
    Win32Clock &operator=(const Win32Clock &) = delete;

    std::uint32_t tickCount() override;
    std::int64_t monotonicMicros() override;
    bool sleepUntil(std::int64_t deadline) override;
    void wake() override;

    /// True when sleeps use a high-resolution waitable timer.
    bool hasHighResolutionTimer() const { return m_timer != nullptr; }

  private:
    std::int64_t m_frequency = 1;
    void *m_timer = nullptr;     // a HANDLE; null when falling back to Sleep
    void *m_wakeEvent = nullptr; // an auto-reset event HANDLE, set by wake()
};
