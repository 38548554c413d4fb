#pragma once

#include "platform/Platform.h"

#include <functional>
#include <memory>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP as requests to end the program. The signal handler only writes to an eventfd
// and wakes the clock; the request is handled on the GUI thread when the event loop (or a playback's round
// of events) sees the eventfd readable. The signals are caught only while a handler is set; without one they
// keep their default action, so a process that never says how to end (a test) still ends on them. One
// instance per process.
class X11EndRequests : public EndRequests
{
  public:
    explicit X11EndRequests(Clock &clock);
    ~X11EndRequests() override;
    X11EndRequests(const X11EndRequests &) = delete;
    X11EndRequests &operator=(const X11EndRequests &) = delete;

    void setHandler(std::function<void()> handler) override;

  private:
    void takeRequests();

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_handler;
};
