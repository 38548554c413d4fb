// Prints how late Win32Clock::sleepUntil wakes, in microseconds, for a few wait lengths.
//   wine build/win32/win32_clock_bench.exe   (or run it on Windows)
#include "platform/win32/Win32Clock.h"

#include <algorithm>
#include <cstdio>
#include <vector>

int main()
{
    Win32Clock clock;
    std::printf("sleepUntil lateness (us), %s\n",
                clock.hasHighResolutionTimer() ? "high-resolution waitable timer" : "Sleep with 1 ms period");
    std::printf("%10s %8s %8s %8s %8s %8s\n", "wait us", "p50", "p90", "p99", "max", "early");
    constexpr int kRounds = 200;
    for (const std::int64_t wait : {300, 1000, 4000, 16000}) {
        std::vector<std::int64_t> lateness;
        int early = 0;
        std::int64_t deadline = clock.monotonicMicros();
        for (int round = 0; round < kRounds; ++round) {
            // Deadlines follow each other as playback's rows do, so lateness does not add up.
            deadline += wait;
            clock.sleepUntil(deadline);
            const std::int64_t late = clock.monotonicMicros() - deadline;
            early += late < 0;
            lateness.push_back(late);
        }
        std::sort(lateness.begin(), lateness.end());
        const auto at = [&](double share) { return lateness[std::size_t(share * (lateness.size() - 1))]; };
        std::printf("%10lld %8lld %8lld %8lld %8lld %8d\n", static_cast<long long>(wait),
                    static_cast<long long>(at(0.5)), static_cast<long long>(at(0.9)), static_cast<long long>(at(0.99)),
                    static_cast<long long>(lateness.back()), early);
    }
    return 0;
}
