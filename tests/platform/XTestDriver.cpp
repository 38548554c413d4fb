#include "XTestDriver.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

XTestDriver::XTestDriver(const char *displayName) : m_display(XOpenDisplay(displayName)) {}

XTestDriver::~XTestDriver()
{
    if (!m_display)
        return;
    for (const unsigned keycode : m_keysDown)
        XTestFakeKeyEvent(m_display, keycode, False, CurrentTime);
    for (const unsigned button : m_buttonsDown)
        XTestFakeButtonEvent(m_display, button, False, CurrentTime);
    XSync(m_display, False);
    XCloseDisplay(m_display);
}

void XTestDriver::key(unsigned keycode, bool press)
{
    XTestFakeKeyEvent(m_display, keycode, press ? True : False, CurrentTime);
    if (press)
        m_keysDown.insert(keycode);
    else
        m_keysDown.erase(keycode);
}

void XTestDriver::tap(unsigned keycode)
{
    key(keycode, true);
    key(keycode, false);
}

void XTestDriver::chord(std::initializer_list<unsigned> modifiers, unsigned keycode)
{
    for (const unsigned modifier : modifiers)
        key(modifier, true);
    tap(keycode);
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it)
        key(*it, false);
    sync();
}

void XTestDriver::button(unsigned button, bool press)
{
    XTestFakeButtonEvent(m_display, button, press ? True : False, CurrentTime);
    if (press)
        m_buttonsDown.insert(button);
    else
        m_buttonsDown.erase(button);
}

void XTestDriver::motion(int x, int y)
{
    XTestFakeMotionEvent(m_display, -1, x, y, CurrentTime);
}

void XTestDriver::flush()
{
    XFlush(m_display);
}

void XTestDriver::sync()
{
    XSync(m_display, False);
}

QSize XTestDriver::screenSize() const
{
    return {DisplayWidth(m_display, DefaultScreen(m_display)), DisplayHeight(m_display, DefaultScreen(m_display))};
}

QPoint XTestDriver::pointer() const
{
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned mask = 0;
    XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &rootX, &rootY, &windowX, &windowY, &mask);
    return {rootX, rootY};
}

unsigned XTestDriver::pointerState() const
{
    Window root = 0;
    Window child = 0;
    int coordinates[4] = {};
    unsigned mask = 0;
    XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &coordinates[0], &coordinates[1],
                  &coordinates[2], &coordinates[3], &mask);
    return mask;
}

bool XTestDriver::isKeyDown(unsigned keycode) const
{
    char keys[32] = {};
    XQueryKeymap(m_display, keys);
    return (static_cast<unsigned char>(keys[keycode / 8]) >> (keycode % 8)) & 1u;
}

bool XTestDriver::isLockOn(unsigned lockMask) const
{
    XkbStateRec state{};
    XkbGetState(m_display, XkbUseCoreKbd, &state);
    return (state.locked_mods & lockMask) != 0;
}

namespace
{

int g_lastError = 0;

int rememberError(Display *, XErrorEvent *error)
{
    g_lastError = error->error_code;
    return 0;
}

} // namespace

bool XTestDriver::grabKey(unsigned keycode, unsigned modifierMask)
{
    XSync(m_display, False);
    g_lastError = 0;
    const auto previous = XSetErrorHandler(rememberError);
    XGrabKey(m_display, int(keycode), modifierMask, DefaultRootWindow(m_display), False, GrabModeAsync, GrabModeAsync);
    XSync(m_display, False);
    XSetErrorHandler(previous);
    return g_lastError == 0;
}

bool XTestDriver::grabKeyboardAndPointer()
{
    const Window root = DefaultRootWindow(m_display);
    const bool keyboard =
        XGrabKeyboard(m_display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    const bool pointer = XGrabPointer(m_display, root, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                      GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    return keyboard && pointer;
}

void XTestDriver::ungrabKeyboardAndPointer()
{
    XUngrabKeyboard(m_display, CurrentTime);
    XUngrabPointer(m_display, CurrentTime);
    XSync(m_display, False);
}
