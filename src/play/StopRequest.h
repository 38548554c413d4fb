#pragma once

#include <atomic>

// Whether the playback in progress has been asked to stop. Whoever starts a run owns one and hands it to the
// engine; the stop command, the stop key's watch and the end-request handler set it. The watch sets it on a
// thread of its own, hence atomic.
class StopRequest
{
  public:
    void request() { m_requested.store(true); }
    void clear() { m_requested.store(false); }
    bool requested() const { return m_requested.load(); }

  private:
    std::atomic<bool> m_requested{false};
};
