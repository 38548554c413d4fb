#include "X11Injector.h"

#include "X11KeyCodes.h"

#include <array>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace
{

struct ButtonFlag {
    std::uint32_t flag;
    unsigned button;
    bool press;
};

// In the order the flags take effect when several are given at once.
constexpr std::array<ButtonFlag, 6> kButtonFlags = {{
    {MouseEventFlag::LeftDown, Button1, true},
    {MouseEventFlag::LeftUp, Button1, false},
    {MouseEventFlag::RightDown, Button3, true},
    {MouseEventFlag::RightUp, Button3, false},
    {MouseEventFlag::MiddleDown, Button2, true},
    {MouseEventFlag::MiddleUp, Button2, false},
}};

constexpr int kCurrentScreen = -1;

} // namespace

X11Injector::X11Injector(X11Display display) : m_display(std::move(display)) {}

void X11Injector::setCursorPos(int x, int y)
{
    XTestFakeMotionEvent(m_display.get(), kCurrentScreen, x, y, CurrentTime);
    XFlush(m_display.get());
}

void X11Injector::mouseEvent(std::uint32_t flags)
{
    for (const ButtonFlag &button : kButtonFlags) {
        if (flags & button.flag)
            XTestFakeButtonEvent(m_display.get(), button.button, button.press ? True : False, CurrentTime);
    }
    XFlush(m_display.get());
}

void X11Injector::keybdEvent(int virtualKey, std::uint32_t flags)
{
    const unsigned keycode = X11KeyCodes::keycodeFromVirtualKey(virtualKey);
    if (keycode == 0)
        return;
    XTestFakeKeyEvent(m_display.get(), keycode, (flags & KEYEVENTF_KEYUP) ? False : True, CurrentTime);
    XFlush(m_display.get());
}
