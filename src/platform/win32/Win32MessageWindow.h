#pragma once

#include <cstdint>
#include <functional>

// A message-only window of the calling thread: a target for posted messages and hotkeys that needs no
// visible window. Its messages reach `handler` whichever loop dispatches them (ours, the toolkit's, or a
// system modal loop). Must be destroyed on the thread that made it.
class Win32MessageWindow
{
  public:
    /// Returns true when it handled the message; others go to the default window procedure.
    using Handler = std::function<bool(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)>;

    /// Throws std::runtime_error when the window cannot be made.
    explicit Win32MessageWindow(Handler handler);
    ~Win32MessageWindow();
    Win32MessageWindow(const Win32MessageWindow &) = delete;
    Win32MessageWindow &operator=(const Win32MessageWindow &) = delete;

    /// The window handle (an HWND).
    void *handle() const { return m_window; }
    /// Posts `message` to the window; false when the queue refused it.
    bool post(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) const;
    /// Runs the handler for a message addressed to this window, as dispatching it would.
    bool handle(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) const;

  private:
    Handler m_handler;
    void *m_window = nullptr;
};
