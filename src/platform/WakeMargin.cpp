#include "WakeMargin.h"

#include <algorithm>

std::int64_t WakeMargin::forWait(std::int64_t waitMicros) const
{
    return std::clamp<std::int64_t>(std::min(m_margin, waitMicros / 4), 0, MaxMicros);
}

void WakeMargin::noteLateness(std::int64_t micros)
{
    m_lateness[std::size_t(m_next)] = std::max<std::int64_t>(micros, 0);
    m_next = (m_next + 1) % History;
    m_count = std::min(m_count + 1, History);
    if (m_count < 2)
        return; // one wake-up says nothing about the next
    std::int64_t latest = 0;
    std::int64_t second = 0;
    for (int i = 0; i < m_count; ++i) {
        const std::int64_t value = m_lateness[std::size_t(i)];
        if (value > latest) {
            second = latest;
            latest = value;
        } else if (value > second) {
            second = value;
        }
    }
    m_margin = std::min(second + SlackMicros, MaxMicros);
}
