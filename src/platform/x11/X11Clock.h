#pragma once

#include "platform/Platform.h"

// CLOCK_MONOTONIC: the clock the X server stamps input events with.
class X11Clock : public Clock
{
  public:
    X11Clock();
    std::uint32_t tickCount() override;
    std::int64_t monotonicMicros() override;
    void sleepUntil(std::int64_t deadline) override;
};
