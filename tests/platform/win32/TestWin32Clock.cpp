#include "TestHarness.h"

#include "platform/win32/Win32Clock.h"

#include <windows.h>

TEST_CASE(sleepUntilNeverReturnsBeforeTheDeadline)
{
    Win32Clock clock;
    harness::note(clock.hasHighResolutionTimer() ? "high-resolution waitable timer" : "Sleep with 1 ms period");
    for (const std::int64_t wait : {0, 50, 400, 900, 1500, 2500, 7000, 20000}) {
        const std::int64_t deadline = clock.monotonicMicros() + wait;
        clock.sleepUntil(deadline);
        const std::int64_t woke = clock.monotonicMicros();
        if (woke < deadline)
            harness::fail(__FILE__, __LINE__, "woke " + std::to_string(deadline - woke) + " us early");
    }
    clock.sleepUntil(clock.monotonicMicros() - 60000000); // long past: returns
}

TEST_CASE(monotonicMicrosNeverGoesBackAndCountsMicroseconds)
{
    Win32Clock clock;
    std::int64_t last = clock.monotonicMicros();
    for (int i = 0; i < 100000; ++i) {
        const std::int64_t now = clock.monotonicMicros();
        REQUIRE(now >= last);
        last = now;
    }
    // Against the tick clock over a sleep: microseconds, not counter ticks or nanoseconds.
    const std::uint32_t ticksBefore = clock.tickCount();
    const std::int64_t before = clock.monotonicMicros();
    Sleep(200);
    const std::int64_t elapsedMicros = clock.monotonicMicros() - before;
    const std::uint32_t elapsedTicks = clock.tickCount() - ticksBefore;
    CHECK(elapsedMicros / 1000 + 50 >= std::int64_t(elapsedTicks));
    CHECK(elapsedMicros / 1000 <= std::int64_t(elapsedTicks) + 50);
}
