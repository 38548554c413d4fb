#pragma once

#include "platform/Platform.h"
#include "platform/WakeMargin.h"

// CLOCK_MONOTONIC: the clock the X server stamps input events with. Sleeps wait on an eventfd as well, so
// that wake() ends them at once, and end a WakeMargin early to spin out the rest.
class X11Clock : public Clock
{
  public:
    X11Clock();
    ~X11Clock() override;
    X11Clock(const X11Clock &) = delete;
    X11Clock &operator=(const X11Clock &) = delete;

    std::uint32_t tickCount() override;
    std::int64_t monotonicMicros() override;
    bool sleepUntil(std::int64_t deadline) override;
    void wake() override;

  private:
    // Consumes a pending wake; true when there was one.
    bool takeWake();

    int m_wakeFd = -1;
    WakeMargin m_margin;
};
