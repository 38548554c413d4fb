#include "X11WindowNames.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace
{

bool hasProperty(Display *display, Window window, Atom property)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    const bool has = XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType, &type, &format, &count,
                                        &after, &data) == Success &&
                     type != None;
    if (data != nullptr)
        XFree(data);
    return has;
}

std::string textProperty(Display *display, Window window, Atom property, Atom type)
{
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, window, property, 0, 4096, False, type, &actual, &format, &count, &after, &data) ==
            Success &&
        data != nullptr && format == 8 && actual == type)
        text.assign(reinterpret_cast<const char *>(data), count);
    if (data != nullptr)
        XFree(data);
    return text;
}

// _NET_WM_NAME in UTF-8, else WM_NAME as the client's locale text.
std::string titleOf(Display *display, Window window)
{
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    std::string title = textProperty(display, window, netName, utf8);
    if (!title.empty())
        return title;
    XTextProperty property{};
    if (XGetWMName(display, window, &property) != 0 && property.value != nullptr) {
        char **list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(display, &property, &list, &count) >= Success && list != nullptr && count > 0)
            title = list[0];
        if (list != nullptr)
            XFreeStringList(list);
        XFree(property.value);
    }
    return title;
}

} // namespace

unsigned long clientWindowOf(Display *display, unsigned long frame)
{
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    // Breadth first: the client is near the top of its frame.
    std::vector<Window> level{frame};
    for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
        std::vector<Window> next;
        for (const Window window : level) {
            if (hasProperty(display, window, wmState))
                return window;
            Window root = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            if (XQueryTree(display, window, &root, &parent, &children, &count) != 0 && children != nullptr) {
                next.insert(next.end(), children, children + count);
                XFree(children);
            }
        }
        level = std::move(next);
    }
    return frame;
}

bool describeWindow(Display *display, unsigned long window, TopLevelWindow &out)
{
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0 || attributes.map_state != IsViewable)
        return false;
    Window child = 0;
    int x = 0;
    int y = 0;
    if (XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child) == 0)
        return false;
    out.handle = window;
    out.x = x;
    out.y = y;
    out.width = attributes.width;
    out.height = attributes.height;
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint) != 0) {
        out.instance = hint.res_name != nullptr ? hint.res_name : "";
        out.windowClass = hint.res_class != nullptr ? hint.res_class : "";
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    out.title = titleOf(display, window);
    return true;
}
