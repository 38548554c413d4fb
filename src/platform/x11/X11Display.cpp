#include "X11Display.h"

#include <X11/Xlib.h>

void X11DisplayCloser::operator()(Display *display) const
{
    if (display)
        XCloseDisplay(display);
}

X11Display openX11Display(const char *name)
{
    return X11Display(XOpenDisplay(name));
}
