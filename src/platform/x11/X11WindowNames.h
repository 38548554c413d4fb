#pragma once

#include "platform/Platform.h"

typedef struct _XDisplay Display;

// How a top-level window of an X11 desktop is named. Errors for windows that have gone are the caller's to
// trap.

// The client window inside a child of the root: the one with WM_STATE that a window manager manages in its
// frame, or the child itself when none has it.
unsigned long clientWindowOf(Display *display, unsigned long frame);

// The names (WM_CLASS, the title) and client area in screen pixels of a viewable window; false when it has
// gone or is not viewable.
bool describeWindow(Display *display, unsigned long window, TopLevelWindow &out);
