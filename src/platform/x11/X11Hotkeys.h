#pragma once

#include "platform/Platform.h"
#include "platform/x11/X11Display.h"

#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
class X11GrabRegistry;

// Hotkeys as passive key grabs on the root window, on a connection of their own. Each hotkey is grabbed
// with and without CapsLock and NumLock, so the lock keys do not change what fires.
class X11Hotkeys : public Hotkeys
{
  public:
    X11Hotkeys(X11Display display, std::shared_ptr<X11GrabRegistry> grabs);
    ~X11Hotkeys() override;

    bool registerHotKey(int id, unsigned modifiers, int virtualKey) override;
    void setHandler(std::function<void(unsigned modifiers, int virtualKey)> handler) override;
    std::string lastError() const override { return m_lastError; }

  private:
    void processEvents();

    struct Registered {
        unsigned keycode;
        unsigned modifierMask;
    };

    X11Display m_display;
    std::shared_ptr<X11GrabRegistry> m_grabs;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void(unsigned, int)> m_handler;
    std::vector<Registered> m_registered;
    std::string m_lastError;
};
