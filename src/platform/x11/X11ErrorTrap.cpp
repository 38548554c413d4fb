#include "X11ErrorTrap.h"

#include <X11/Xlib.h>

namespace
{

using XlibHandler = int (*)(Display *, XErrorEvent *);

// Xlib's error handler takes no context, so the innermost live trap is process-wide.
X11ErrorTrap *g_innermostTrap = nullptr;

} // namespace

struct X11ErrorTrapDispatch {
    static int handle(Display *display, XErrorEvent *error)
    {
        for (X11ErrorTrap *trap = g_innermostTrap; trap; trap = trap->m_outer) {
            if (trap->m_display == display) {
                if (trap->m_errorCode == 0)
                    trap->m_errorCode = error->error_code;
                return 0;
            }
        }
        X11ErrorTrap *outermost = g_innermostTrap;
        while (outermost && outermost->m_outer)
            outermost = outermost->m_outer;
        const auto previous = outermost ? reinterpret_cast<XlibHandler>(outermost->m_previousHandler) : nullptr;
        return previous ? previous(display, error) : 0;
    }
};

X11ErrorTrap::X11ErrorTrap(Display *display, bool syncAtEnds)
    : m_display(display), m_syncAtEnds(syncAtEnds), m_outer(g_innermostTrap)
{
    if (m_syncAtEnds)
        XSync(m_display, False); // errors of earlier requests are not ours to catch
    m_previousHandler = reinterpret_cast<OpaqueHandler>(XSetErrorHandler(&X11ErrorTrapDispatch::handle));
    g_innermostTrap = this;
}

X11ErrorTrap::~X11ErrorTrap()
{
    if (m_syncAtEnds)
        XSync(m_display, False);
    g_innermostTrap = m_outer;
    XSetErrorHandler(reinterpret_cast<XlibHandler>(m_previousHandler));
}

std::string X11ErrorTrap::errorText() const
{
    if (m_errorCode == 0)
        return {};
    char text[256] = {};
    XGetErrorText(m_display, m_errorCode, text, sizeof text);
    return text;
}

int X11ErrorTrap::sync()
{
    XSync(m_display, False);
    return m_errorCode;
}
