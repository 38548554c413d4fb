#pragma once

#include "platform/win32/Win32MessageWindow.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class Win32HotkeyRegistry;

// System-wide hotkeys registered for a message window of the GUI thread. It does not depend on a toolkit:
// whatever runs the message loop either hands each message to handleMessage() first (an event filter) or
// just dispatches it; the hotkey arrives once either way.
class Win32HotkeyCore
{
  public:
    using Handler = std::function<void(unsigned modifiers, int virtualKey)>;

    explicit Win32HotkeyCore(std::shared_ptr<Win32HotkeyRegistry> registry);
    ~Win32HotkeyCore();
    Win32HotkeyCore(const Win32HotkeyCore &) = delete;
    Win32HotkeyCore &operator=(const Win32HotkeyCore &) = delete;

    /// Registers (modifiers, virtual key) under `id`; false when the system refuses it (another program or
    /// an earlier registration holds it).
    bool registerHotKey(int id, unsigned modifiers, int virtualKey);
    /// The system's words for the last refusal; empty after a registration that worked.
    const std::string &lastError() const { return m_lastError; }
    /// Receives (modifiers, virtual key) of each hotkey pressed.
    void setHandler(Handler handler);
    /// Takes a message (a MSG) from the loop; true when it was one of our hotkeys, which has then been handled.
    bool handleMessage(const void *message);

  private:
    bool onMessage(unsigned message, std::intptr_t lParam);

    struct Registered {
        int id;
        unsigned modifiers;
        int virtualKey;
    };

    std::shared_ptr<Win32HotkeyRegistry> m_registry;
    Handler m_handler;
    std::vector<Registered> m_registered;
    std::string m_lastError;
    Win32MessageWindow m_window; // last: it dispatches into the members above
};
