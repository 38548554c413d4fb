#include "X11DesktopWindows.h"

#include "X11ErrorTrap.h"
#include "X11WindowNames.h"

#include <algorithm>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace
{

// A property of 32-bit items, as a list of longs.
std::vector<unsigned long> windowList(Display *display, Window window, Atom property)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    std::vector<unsigned long> items;
    if (XGetWindowProperty(display, window, property, 0, 65536, False, XA_WINDOW, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr && format == 32) {
        const auto *values = reinterpret_cast<const unsigned long *>(data);
        items.assign(values, values + count);
    }
    if (data != nullptr)
        XFree(data);
    return items;
}

} // namespace

X11DesktopWindows::X11DesktopWindows(X11Display display) : m_display(std::move(display)) {}

std::vector<unsigned long> X11DesktopWindows::stacking()
{
    Display *const display = m_display.get();
    const Window root = DefaultRootWindow(display);
    std::vector<unsigned long> windows =
        windowList(display, root, XInternAtom(display, "_NET_CLIENT_LIST_STACKING", False));
    if (!windows.empty())
        return windows;
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) != 0 && children != nullptr) {
        for (unsigned i = 0; i < count; ++i)
            windows.push_back(clientWindowOf(display, children[i]));
        XFree(children);
    }
    return windows;
}

TopLevelWindow X11DesktopWindows::windowAt(int x, int y)
{
    Display *const display = m_display.get();
    // A window that goes while it is looked at is no window; its errors are caught.
    X11ErrorTrap trap(display);
    const Window root = DefaultRootWindow(display);
    TopLevelWindow found;
    // The topmost window under the point that a replay could find again: input-only windows, popups that
    // no window manager frames (menus, tooltips) and windows that name nothing are looked through.
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) == 0 || children == nullptr)
        return found;
    for (unsigned i = count; i-- > 0;) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) == 0 || attributes.map_state != IsViewable ||
            attributes.c_class == InputOnly || attributes.override_redirect || x < attributes.x || y < attributes.y ||
            x >= attributes.x + attributes.width + 2 * attributes.border_width ||
            y >= attributes.y + attributes.height + 2 * attributes.border_width)
            continue;
        TopLevelWindow candidate;
        if (describeWindow(display, clientWindowOf(display, children[i]), candidate) &&
            !(candidate.windowClass.empty() && candidate.instance.empty() && candidate.title.empty())) {
            found = std::move(candidate);
            break;
        }
    }
    XFree(children);
    // A window that went meanwhile failed its own requests above; another one's error changes nothing here.
    trap.sync();
    return found;
}

std::vector<TopLevelWindow> X11DesktopWindows::find(const std::string &windowClass, const std::string &instance)
{
    Display *const display = m_display.get();
    X11ErrorTrap trap(display);
    std::vector<TopLevelWindow> found;
    std::vector<unsigned long> windows = stacking();
    std::reverse(windows.begin(), windows.end());
    for (const unsigned long window : windows) {
        // The class first: one request, and most windows are of other classes.
        XClassHint hint{};
        if (XGetClassHint(display, window, &hint) == 0)
            continue;
        const bool same = windowClass == (hint.res_class != nullptr ? hint.res_class : "") &&
                          instance == (hint.res_name != nullptr ? hint.res_name : "");
        XFree(hint.res_name);
        XFree(hint.res_class);
        TopLevelWindow described;
        if (same && describeWindow(display, window, described))
            found.push_back(std::move(described));
    }
    trap.sync();
    return found;
}

void X11DesktopWindows::activate(std::uintptr_t handle)
{
    Display *const display = m_display.get();
    X11ErrorTrap trap(display);
    const Window root = DefaultRootWindow(display);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = Window(handle);
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; // from a pager or a tool acting for the user, which focus stealing rules let by
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    // Without a window manager that follows the request the raise at least brings it to the front.
    XRaiseWindow(display, Window(handle));
}
