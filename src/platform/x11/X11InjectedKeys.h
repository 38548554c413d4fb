#pragma once

#include <array>
#include <atomic>

// The key presses our injection has sent and the stop key watch has not yet seen come back from the server,
// per keycode. Input arrives at the server from the user and from us alike; counting our own presses lets the
// watch tell the two apart in the order the server reports them. Shared by the injector (GUI thread) and the
// watch (its own thread).
class X11InjectedKeys
{
  public:
    /// Called by the injector just before it sends a press of `keycode`.
    void pressing(unsigned keycode)
    {
        if (keycode < m_pending.size())
            m_pending[keycode].fetch_add(1, std::memory_order_relaxed);
    }
    /// Called for each press the server reports: true (and the count goes down) when it was one of ours.
    bool takePress(unsigned keycode)
    {
        if (keycode >= m_pending.size())
            return false;
        int pending = m_pending[keycode].load(std::memory_order_relaxed);
        while (pending > 0 && !m_pending[keycode].compare_exchange_weak(pending, pending - 1))
            ;
        return pending > 0;
    }
    /// Forgets presses counted while nobody watched.
    void clear()
    {
        for (auto &pending : m_pending)
            pending.store(0, std::memory_order_relaxed);
    }

  private:
    std::array<std::atomic<int>, 256> m_pending{};
};
