#include "XReactingWindow.h"

#include <chrono>

#include <poll.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace
{

// Waits up to five seconds for the MapNotify of `window`.
bool waitMapped(Display *display, Window window)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        XEvent event;
        if (XCheckTypedWindowEvent(display, window, MapNotify, &event))
            return true;
        pollfd socket{ConnectionNumber(display), POLLIN, 0};
        poll(&socket, 1, 20);
    }
    return false;
}

} // namespace

XReactingWindow::XReactingWindow(const QRect &geometry, Reaction reaction, QPoint movedTo)
    : m_display(XOpenDisplay(nullptr)), m_reaction(reaction), m_geometry(geometry), m_movedTo(movedTo)
{
    if (!m_display)
        return;
    m_window = createWindow(geometry, "goner", "Goner", "Goes at a press");
    XSelectInput(m_display, m_window, ButtonPressMask | StructureNotifyMask);
    XMapWindow(m_display, m_window);
    m_shown = waitMapped(m_display, m_window);
    m_thread = std::thread([this] { run(); });
}

XReactingWindow::~XReactingWindow()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_display)
        XCloseDisplay(m_display);
}

unsigned long XReactingWindow::createWindow(const QRect &geometry, const char *instance, const char *windowClass,
                                            const char *title)
{
    const int screen = DefaultScreen(m_display);
    const Window window = XCreateSimpleWindow(m_display, RootWindow(m_display, screen), geometry.x(), geometry.y(),
                                              unsigned(geometry.width()), unsigned(geometry.height()), 0,
                                              BlackPixel(m_display, screen), WhitePixel(m_display, screen));
    XClassHint hint{const_cast<char *>(instance), const_cast<char *>(windowClass)};
    XSetClassHint(m_display, window, &hint);
    XStoreName(m_display, window, title);
    // Placed where asked, not where the window manager would choose.
    XSizeHints size{};
    size.flags = USPosition | USSize;
    size.x = geometry.x();
    size.y = geometry.y();
    size.width = geometry.width();
    size.height = geometry.height();
    XSetWMNormalHints(m_display, window, &size);
    return window;
}

void XReactingWindow::react()
{
    switch (m_reaction) {
    case Reaction::Destroy:
        XDestroyWindow(m_display, m_window);
        break;
    case Reaction::Unmap:
        XUnmapWindow(m_display, m_window);
        break;
    case Reaction::Cover:
        XMapWindow(m_display, createWindow(m_geometry, "cover", "Cover", "Over it"));
        break;
    case Reaction::Move:
        XMoveWindow(m_display, m_window, m_movedTo.x(), m_movedTo.y());
        break;
    case Reaction::Lower:
        XLowerWindow(m_display, m_window);
        break;
    }
    XFlush(m_display);
    m_reacted = true;
}

void XReactingWindow::run()
{
    while (!m_stop) {
        while (XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == ButtonPress && !m_reacted)
                react();
        }
        pollfd socket{ConnectionNumber(m_display), POLLIN, 0};
        poll(&socket, 1, 20);
    }
}
