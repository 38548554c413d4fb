#pragma once

#include "platform/Platform.h"
#include "platform/win32/Win32MessageWindow.h"

#include <functional>

// Ctrl+C, Ctrl+Break and the closing of the console the program is attached to (`--play` started from a
// console) as requests to end the program. The system calls the console handler on a thread of its own: it
// posts to our message window and wakes the clock, and the request is handled on the GUI thread by whichever
// loop dispatches the window's messages (a playback's round of events among them). The events are caught only
// while a handler is set; without one they keep their default action, which ends the process at once. One
// instance per process, made on the GUI thread.
class Win32EndRequests : public EndRequests
{
  public:
    explicit Win32EndRequests(Clock &clock);
    ~Win32EndRequests() override;
    Win32EndRequests(const Win32EndRequests &) = delete;
    Win32EndRequests &operator=(const Win32EndRequests &) = delete;

    void setHandler(std::function<void()> handler) override;

    // What the console handler does with a control event (CTRL_C_EVENT...); true when it was taken as a
    // request. The system calls it; tests call it as the system would.
    static bool consoleEvent(unsigned long type);

  private:
    std::function<void()> m_handler;
    bool m_installed = false;
    Win32MessageWindow m_window; // last: it dispatches into the members above
};
