#pragma once

#include "platform/Platform.h"
#include "platform/x11/X11Display.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class X11InjectedKeys;

// The stop key watch over the RECORD extension, which reports every key event of the server whatever grab
// is active. It runs on a thread of its own: the GUI thread spends a playback asleep or injecting, and the
// stop must be seen then above all. Only key events are recorded, so the played motion costs it nothing.
// The server holds recorded data back until it flushes output to some client, so the thread makes a round
// trip every few milliseconds while it waits.
class X11StopKeyWatch : public StopKeyWatch
{
  public:
    X11StopKeyWatch(std::string displayName, std::shared_ptr<X11InjectedKeys> injected);
    ~X11StopKeyWatch() override;
    X11StopKeyWatch(const X11StopKeyWatch &) = delete;
    X11StopKeyWatch &operator=(const X11StopKeyWatch &) = delete;

    bool start(unsigned modifiers, int virtualKey, std::function<void()> onPress) override;
    void stop() override;
    std::string lastError() const override { return m_lastError; }

  private:
    struct Session;

    void watch(Session &session);

    std::string m_displayName;
    std::shared_ptr<X11InjectedKeys> m_injected;
    std::unique_ptr<Session> m_session;
    std::thread m_thread;
    int m_quitFd = -1;
    std::string m_lastError;
};
