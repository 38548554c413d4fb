#pragma once

#include "platform/Platform.h"
#include "platform/x11/X11Display.h"

// Synthetic input through the XTEST extension, on a connection of its own. Events wait in Xlib's
// output buffer until flush() (or a full buffer, or a round trip such as modifiersHeld()) sends them.
class X11Injector : public Injector
{
  public:
    explicit X11Injector(X11Display display);

    void setCursorPos(int x, int y) override;
    void mouseEvent(std::uint32_t flags) override;
    void keybdEvent(int virtualKey, std::uint32_t flags) override;
    bool modifiersHeld() override;
    void flush() override;

  private:
    X11Display m_display;
};
