#pragma once

#include <array>
#include <cstdint>

// How long before its deadline a timed sleep should end, so that spinning out the rest absorbs the lateness
// of the wake-up. It follows the wake-ups this thread actually got: the second latest of the last History,
// plus SlackMicros. One stall of the machine does not raise it, a lateness that keeps coming back does.
// A wait never spins longer than a quarter of itself, nor longer than MaxMicros.
class WakeMargin
{
  public:
    static constexpr int History = 32;
    static constexpr std::int64_t InitialMicros = 200;
    static constexpr std::int64_t SlackMicros = 20;
    static constexpr std::int64_t MaxMicros = 1000;

    /// The margin for a wait of `waitMicros` from now.
    std::int64_t forWait(std::int64_t waitMicros) const;
    /// Notes how late a timed sleep woke after the time it was set to.
    void noteLateness(std::int64_t micros);
    std::int64_t current() const { return m_margin; }

  private:
    std::array<std::int64_t, History> m_lateness{};
    int m_next = 0;
    int m_count = 0;
    std::int64_t m_margin = InitialMicros;
};
