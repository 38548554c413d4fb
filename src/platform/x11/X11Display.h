#pragma once

#include <memory>

typedef struct _XDisplay Display;

// Closes an Xlib connection when its owner goes.
struct X11DisplayCloser {
    void operator()(Display *display) const;
};

using X11Display = std::unique_ptr<Display, X11DisplayCloser>;

// A new connection to the display named `name` (nullptr: $DISPLAY); empty when it cannot be opened.
X11Display openX11Display(const char *name = nullptr);
