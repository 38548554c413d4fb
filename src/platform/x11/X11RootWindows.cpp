#include "X11RootWindows.h"

#include "X11ErrorTrap.h"
#include "X11WindowNames.h"

#include <algorithm>

#include <X11/Xlib.h>
#include <X11/Xproto.h>

X11RootWindows::X11RootWindows(X11Display display) : m_display(std::move(display))
{
    Display *const x = m_display.get();
    m_root = DefaultRootWindow(x);
    X11ErrorTrap trap(x);
    XSelectInput(x, m_root, SubstructureNotifyMask);
    // Read after the selection: what changes from here on comes recorded, and what the recording brings
    // from before the reading only repeats what it found.
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(x, m_root, &rootReturn, &parent, &children, &count) == 0 || children == nullptr)
        return;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(x, children[i], &attributes) == 0)
            continue;
        Child seen;
        seen.window = children[i];
        seen.x = attributes.x;
        seen.y = attributes.y;
        seen.width = attributes.width;
        seen.height = attributes.height;
        seen.border = attributes.border_width;
        seen.mapped = attributes.map_state != IsUnmapped;
        seen.overrideRedirect = attributes.override_redirect != 0;
        seen.inputOnly = attributes.c_class == InputOnly;
        seen.sized = true;
        if (seen.mapped && !seen.overrideRedirect && !seen.inputOnly)
            read(seen);
        m_children.push_back(std::move(seen));
    }
    XFree(children);
}

void X11RootWindows::discardEvents()
{
    XSync(m_display.get(), True);
}

X11RootWindows::Child *X11RootWindows::find(unsigned long window)
{
    const auto it =
        std::find_if(m_children.begin(), m_children.end(), [window](const Child &c) { return c.window == window; });
    return it == m_children.end() ? nullptr : &*it;
}

X11RootWindows::Child &X11RootWindows::adopt(unsigned long window)
{
    if (Child *const known = find(window))
        return *known;
    Child added;
    added.window = window;
    m_children.push_back(std::move(added));
    return m_children.back();
}

void X11RootWindows::remove(unsigned long window)
{
    m_children.erase(
        std::remove_if(m_children.begin(), m_children.end(), [window](const Child &c) { return c.window == window; }),
        m_children.end());
}

void X11RootWindows::restack(unsigned long window, unsigned long sibling)
{
    const auto it =
        std::find_if(m_children.begin(), m_children.end(), [window](const Child &c) { return c.window == window; });
    if (it == m_children.end())
        return;
    Child moved = std::move(*it);
    m_children.erase(it);
    const auto below =
        std::find_if(m_children.begin(), m_children.end(), [sibling](const Child &c) { return c.window == sibling; });
    // Above the sibling; a sibling we do not know of (none) puts it at the bottom.
    m_children.insert(below == m_children.end() ? m_children.begin() : below + 1, std::move(moved));
}

void X11RootWindows::apply(const xEvent &event)
{
    // Events sent by clients (a window manager's synthetic ConfigureNotify) change no window.
    if ((event.u.u.type & 0x80) != 0)
        return;
    switch (event.u.u.type) {
    case CreateNotify: {
        if (event.u.createNotify.parent != m_root || find(event.u.createNotify.window) != nullptr)
            return;
        Child &created = adopt(event.u.createNotify.window);
        created.x = std::int16_t(event.u.createNotify.x);
        created.y = std::int16_t(event.u.createNotify.y);
        created.width = event.u.createNotify.width;
        created.height = event.u.createNotify.height;
        created.border = event.u.createNotify.borderWidth;
        created.overrideRedirect = event.u.createNotify.override != 0;
        created.sized = true;
        return;
    }
    case DestroyNotify:
        if (event.u.destroyNotify.event == m_root)
            remove(event.u.destroyNotify.window);
        return;
    case UnmapNotify:
        if (event.u.unmapNotify.event != m_root)
            return;
        if (Child *const unmapped = find(event.u.unmapNotify.window))
            unmapped->mapped = false;
        return;
    case MapNotify: {
        if (event.u.mapNotify.event != m_root)
            return;
        Child &mapped = adopt(event.u.mapNotify.window);
        const bool again = mapped.mapped;
        mapped.mapped = true;
        mapped.overrideRedirect = event.u.mapNotify.override != 0;
        // Named now, while it is most likely still there: a window may go again at the first press on it.
        if (!again && !mapped.overrideRedirect)
            read(mapped);
        return;
    }
    case ReparentNotify:
        if (event.u.reparent.event != m_root)
            return;
        if (event.u.reparent.parent == m_root) {
            Child &adopted = adopt(event.u.reparent.window);
            adopted.x = std::int16_t(event.u.reparent.x);
            adopted.y = std::int16_t(event.u.reparent.y);
            adopted.overrideRedirect = event.u.reparent.override != 0;
        } else {
            remove(event.u.reparent.window);
        }
        return;
    case ConfigureNotify: {
        if (event.u.configureNotify.event != m_root)
            return;
        Child *const configured = find(event.u.configureNotify.window);
        if (configured == nullptr)
            return;
        configured->x = std::int16_t(event.u.configureNotify.x);
        configured->y = std::int16_t(event.u.configureNotify.y);
        configured->width = event.u.configureNotify.width;
        configured->height = event.u.configureNotify.height;
        configured->border = event.u.configureNotify.borderWidth;
        configured->overrideRedirect = event.u.configureNotify.override != 0;
        configured->sized = true;
        restack(event.u.configureNotify.window, event.u.configureNotify.aboveSibling);
        return;
    }
    case CirculateNotify: {
        if (event.u.circulate.event != m_root)
            return;
        const unsigned long window = event.u.circulate.window;
        if (event.u.circulate.place == PlaceOnTop)
            restack(window, m_children.empty() ? 0 : m_children.back().window);
        else
            restack(window, 0);
        return;
    }
    default:
        return;
    }
}

bool X11RootWindows::read(Child &known)
{
    Display *const x = m_display.get();
    // Every request here waits for its reply, which brings its error with it: no round trips around them.
    X11ErrorTrap trap(x, false);
    XWindowAttributes frame;
    if (XGetWindowAttributes(x, known.window, &frame) == 0)
        return false;
    known.inputOnly = frame.c_class == InputOnly;
    if (!known.sized) {
        known.width = frame.width;
        known.height = frame.height;
        known.border = frame.border_width;
        known.sized = true;
    }
    if (frame.map_state != IsViewable || known.inputOnly)
        return false;
    // The client's place within the frame, which a move of the frame meanwhile does not change: the frame's
    // place at the press is the recorded one.
    TopLevelWindow names;
    int left = 0;
    int top = 0;
    // A window that goes while it is read fails one of the requests: what was read of it does not count.
    const auto describe = [&](unsigned long client) {
        X11ErrorTrap clientTrap(x, false);
        names = TopLevelWindow();
        Window inner = 0;
        return describeWindow(x, client, names) &&
               XTranslateCoordinates(x, client, known.window, 0, 0, &left, &top, &inner) != 0 &&
               clientTrap.errorCode() == 0;
    };
    // The client found once stays while the frame is mapped; looking for it again takes a request per window
    // of the frame.
    if (!(known.client != 0 && describe(known.client))) {
        known.client = 0;
        if (!describe(clientWindowOf(x, known.window)))
            return false;
    }
    // A frame whose client has no names yet (not managed yet) is looked into again next time.
    if (!(names.windowClass.empty() && names.instance.empty() && names.title.empty()))
        known.client = names.handle;
    known.left = left + frame.border_width;
    known.top = top + frame.border_width;
    known.right = frame.width + 2 * frame.border_width - known.left - names.width;
    known.bottom = frame.height + 2 * frame.border_width - known.top - names.height;
    known.names = std::move(names);
    known.named = true;
    return true;
}

TopLevelWindow X11RootWindows::windowAt(int x, int y)
{
    // The rules of DesktopWindows::windowAt: input-only windows, popups that no window manager frames and
    // windows that name nothing are looked through.
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        Child &candidate = *it;
        if (!candidate.mapped || candidate.inputOnly || candidate.overrideRedirect || !candidate.sized ||
            x < candidate.x || y < candidate.y || x >= candidate.x + candidate.width + 2 * candidate.border ||
            y >= candidate.y + candidate.height + 2 * candidate.border)
            continue;
        read(candidate);
        const TopLevelWindow &names = candidate.names;
        if (!candidate.named || candidate.inputOnly ||
            (names.windowClass.empty() && names.instance.empty() && names.title.empty()))
            continue;
        TopLevelWindow found = names;
        found.x = candidate.x + candidate.left;
        found.y = candidate.y + candidate.top;
        found.width = candidate.width + 2 * candidate.border - candidate.left - candidate.right;
        found.height = candidate.height + 2 * candidate.border - candidate.top - candidate.bottom;
        return found;
    }
    return TopLevelWindow();
}
