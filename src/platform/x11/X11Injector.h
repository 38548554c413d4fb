#pragma once

#include "platform/Platform.h"
#include "platform/x11/X11Display.h"

#include <memory>

class X11InjectedKeys;

// Synthetic input through the XTEST extension, on a connection of its own. Events wait in Xlib's
// output buffer until flush() (or a full buffer, or a round trip such as modifiersHeld()) sends them.
class X11Injector : public Injector
{
  public:
    // `injected` counts the key presses sent, for the stop key watch; may be null.
    explicit X11Injector(X11Display display, std::shared_ptr<X11InjectedKeys> injected = nullptr);

    void setCursorPos(int x, int y) override;
    void mouseEvent(std::uint32_t flags) override;
    void keybdEvent(int virtualKey, std::uint32_t flags) override;
    bool modifiersHeld() override;
    void flush() override;

  private:
    X11Display m_display;
    std::shared_ptr<X11InjectedKeys> m_injected;
};
