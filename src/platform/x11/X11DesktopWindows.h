#pragma once

#include "platform/Platform.h"
#include "platform/x11/X11Display.h"

// The top-level windows of an X11 desktop, on a connection of its own. A top-level window is the client
// window a window manager manages (the one with WM_STATE), or a child of the root without a window manager.
// The stacking order is the window manager's _NET_CLIENT_LIST_STACKING where it keeps one, else the order
// of the root's children. Activation asks the window manager with _NET_ACTIVE_WINDOW and raises the window.
class X11DesktopWindows : public DesktopWindows
{
  public:
    explicit X11DesktopWindows(X11Display display);

    TopLevelWindow windowAt(int x, int y) override;
    std::vector<TopLevelWindow> find(const std::string &windowClass, const std::string &instance) override;
    void activate(std::uintptr_t handle) override;

  private:
    // The top-level windows, bottom first.
    std::vector<unsigned long> stacking();

    X11Display m_display;
};
