#include "X11Injector.h"

#include "X11InjectedKeys.h"
#include "X11KeyCodes.h"

#include <array>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

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

// Keys that change what a click or a key means. Lock keys are left out: they stay "on" without being held.
constexpr std::array<KeySym, 13> kModifierKeysyms = {
    XK_Shift_L, XK_Shift_R, XK_Control_L, XK_Control_R,        XK_Alt_L,       XK_Alt_R, XK_Meta_L, XK_Meta_R,
    XK_Super_L, XK_Super_R, XK_Hyper_L,   XK_ISO_Level3_Shift, XK_Mode_switch,
};

} // namespace

X11Injector::X11Injector(X11Display display, std::shared_ptr<X11InjectedKeys> injected)
    : m_display(std::move(display)), m_injected(std::move(injected))
{
}

void X11Injector::setCursorPos(int x, int y)
{
    XTestFakeMotionEvent(m_display.get(), kCurrentScreen, x, y, CurrentTime);
    m_check = Check::Unasked;
    m_placed = true;
    m_placedX = x;
    m_placedY = y;
}

void X11Injector::placeCursorForButton(int x, int y)
{
    const Check check = m_check != Check::Unasked && x == m_checkX && y == m_checkY ? m_check : Check::Unasked;
    m_check = Check::Unasked;
    if (m_placed && x == m_placedX && y == m_placedY &&
        (check == Check::There || (check == Check::Unasked && pointerIsAt(x, y))))
        return;
    setCursorPos(x, y);
}

void X11Injector::checkCursorForButton(int x, int y)
{
    // Only a placement where the injector put the pointer last asks the server at all.
    if (!m_placed || x != m_placedX || y != m_placedY) {
        m_check = Check::Unasked;
        return;
    }
    m_check = pointerIsAt(x, y) ? Check::There : Check::Elsewhere;
    m_checkX = x;
    m_checkY = y;
}

bool X11Injector::pointerIsAt(int x, int y)
{
    Display *const display = m_display.get();
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
    unsigned mask = 0;
    // False when the pointer is on another screen than the default one.
    return XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX, &windowY,
                         &mask) == True &&
           rootX == x && rootY == y;
}

void X11Injector::mouseEvent(std::uint32_t flags)
{
    for (const ButtonFlag &button : kButtonFlags) {
        if (flags & button.flag)
            XTestFakeButtonEvent(m_display.get(), button.button, button.press ? True : False, CurrentTime);
    }
}

void X11Injector::mouseWheel(std::int32_t delta, bool horizontal)
{
    constexpr std::int32_t notch = 120;
    std::int32_t &rest = m_wheelRest[horizontal ? 1 : 0];
    const std::int64_t total = std::int64_t(rest) + delta;
    const std::int64_t notches = total / notch; // towards zero: the rest keeps the sign of the turn
    rest = std::int32_t(total - notches * notch);
    const unsigned button = horizontal ? (notches > 0 ? 7 : 6) : (notches > 0 ? 4 : 5);
    for (std::int64_t i = 0; i < (notches < 0 ? -notches : notches); ++i) {
        XTestFakeButtonEvent(m_display.get(), button, True, CurrentTime);
        XTestFakeButtonEvent(m_display.get(), button, False, CurrentTime);
    }
}

void X11Injector::keybdEvent(int virtualKey, std::uint32_t flags)
{
    const unsigned keycode = X11KeyCodes::keycodeFromVirtualKey(virtualKey, (flags & KeyEventFlag::ExtendedKey) != 0);
    if (keycode == 0)
        return;
    const bool press = (flags & KeyEventFlag::KeyUp) == 0;
    if (press && m_injected)
        m_injected->pressing(keycode);
    XTestFakeKeyEvent(m_display.get(), keycode, press ? True : False, CurrentTime);
}

void X11Injector::flush()
{
    XFlush(m_display.get());
}

bool X11Injector::modifiersHeld()
{
    char keys[32] = {};
    XQueryKeymap(m_display.get(), keys);
    for (const KeySym keysym : kModifierKeysyms) {
        const KeyCode keycode = XKeysymToKeycode(m_display.get(), keysym);
        if (keycode != 0 && (keys[keycode / 8] & (1 << (keycode % 8))))
            return true;
    }
    return false;
}
