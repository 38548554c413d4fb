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
    // The server reports a motion also for a pointer put where it already is: this sends none when the
    // pointer is at (x, y). Where the injector put it last is asked of the server only when it is (x, y),
    // since another client (the user's mouse) may have moved it meanwhile.
    void placeCursorForButton(int x, int y) override;
    // Asks the server now, for the placement at (x, y) that follows, when that question would be asked.
    void checkCursorForButton(int x, int y) override;
    void mouseEvent(std::uint32_t flags) override;
    // Buttons 4 and 5 (up, down), 6 and 7 (left, right), one press and release per whole notch.
    void mouseWheel(std::int32_t delta, bool horizontal) override;
    void keybdEvent(int virtualKey, std::uint32_t flags) override;
    bool modifiersHeld() override;
    void flush() override;

  private:
    // True when the pointer is at (x, y) by the server's own word.
    bool pointerIsAt(int x, int y);

    X11Display m_display;
    std::shared_ptr<X11InjectedKeys> m_injected;
    bool m_placed = false; // a motion was sent, to m_placedX, m_placedY
    int m_placedX = 0;
    int m_placedY = 0;
    // The server's answer to checkCursorForButton, kept for the next placement at the point it was asked for.
    enum class Check { Unasked, There, Elsewhere };
    Check m_check = Check::Unasked;
    int m_checkX = 0;
    int m_checkY = 0;
    std::int32_t m_wheelRest[2] = {0, 0}; // the part notch not turned yet, vertical and horizontal
};
