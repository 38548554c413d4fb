#pragma once

#include "platform/Platform.h"

// The monotonic clock in milliseconds: the clock the X server stamps input events with.
class X11Clock : public Clock
{
  public:
    std::uint32_t tickCount() override;
    void sleep(std::uint32_t ms) override;
};
