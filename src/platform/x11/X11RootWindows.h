#pragma once

#include "platform/Platform.h"
#include "platform/x11/X11Display.h"

#include <vector>

struct _xEvent;

// The children of the root window as they stood at each event of a recording. Their stacking order, place,
// size and map state follow the structure events that the recording carries in the server's order, so the
// window under a button press is known as of the press however late the recording's data arrives, and even
// when the press closed it. Their names are read from the server while the window is still shown, else kept
// from the last reading (when it was mapped, or at an earlier press).
class X11RootWindows
{
  public:
    // Selects the root's structure events on `display`, a connection of its own, so that a recording of
    // every client sees them, and reads the root's children as they are now. Made once the recording runs.
    explicit X11RootWindows(X11Display display);

    // Follows a structure event of the root (CreateNotify .. CirculateNotify); other events change nothing.
    void apply(const _xEvent &event);
    // The top-level window that held screen point (x, y) as of the last event applied, by the rules of
    // DesktopWindows::windowAt; handle 0 on the desktop itself.
    TopLevelWindow windowAt(int x, int y);
    // Drops the structure events delivered to our own connection: they count only as they come recorded.
    void discardEvents();

  private:
    struct Child {
        unsigned long window = 0;
        int x = 0; // the outer corner, border included
        int y = 0;
        int width = 0;
        int height = 0;
        int border = 0;
        bool mapped = false;
        bool overrideRedirect = false;
        bool inputOnly = false;
        bool sized = false; // width and height are known
        bool named = false; // `names` and the insets were read
        TopLevelWindow names;
        unsigned long client = 0; // the named window inside, once found
        // The client area within the outer rectangle.
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
    };

    Child *find(unsigned long window);
    // The child, added on top when it is not there yet.
    Child &adopt(unsigned long window);
    void remove(unsigned long window);
    // Puts the child right above `sibling`, or at the bottom for none.
    void restack(unsigned long window, unsigned long sibling);
    // Reads the child's class and, while it is viewable, its names and insets; false when it has gone or is
    // not viewable now.
    bool read(Child &known);

    X11Display m_display;
    unsigned long m_root = 0;
    std::vector<Child> m_children; // the bottom first
};
