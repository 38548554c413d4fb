#include "TestHarness.h"
#include "TestInput.h"

#include "platform/win32/Win32Clock.h"

#include <thread>

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

TEST_CASE(wakeEndsTheSleepInProgressOrTheNextOne)
{
    Win32Clock clock;
    // Before the sleep: the next one returns at once, and only that one.
    clock.wake();
    std::int64_t start = clock.monotonicMicros();
    CHECK(!clock.sleepUntil(start + 3000000));
    CHECK(clock.monotonicMicros() - start < 1000000);
    CHECK(clock.sleepUntil(clock.monotonicMicros() + 20000));

    // From another thread, in the middle of a long sleep.
    std::thread waker([&clock] {
        Sleep(100);
        clock.wake();
    });
    start = clock.monotonicMicros();
    const bool reached = clock.sleepUntil(start + 5000000);
    const std::int64_t slept = clock.monotonicMicros() - start;
    waker.join();
    CHECK(!reached);
    CHECK(slept >= 50000);
    CHECK(slept < 2000000);
}

TEST_CASE(theSleepingThreadsHooksAreCalledDuringTheSleep)
{
    // A low-level hook is called on the thread that installed it, inside that thread's message calls.
    // If a sleep made none, the key below would wait for the hook (and the system would drop the hook
    // after its timeout); the probe sees it during the sleep instead.
    Win32Clock clock;
    testinput::ProbeHook probe;
    std::thread typist([] {
        Sleep(100);
        testinput::sendKey(VK_F22, 0, 0);
        testinput::sendKey(VK_F22, 0, KEYEVENTF_KEYUP);
    });
    CHECK(clock.sleepUntil(clock.monotonicMicros() + 1500000));
    const std::size_t seenDuringTheSleep = probe.seen().size();
    typist.join();
    REQUIRE(probe.settle());
    CHECK_EQUAL(seenDuringTheSleep, std::size_t(2));
}
