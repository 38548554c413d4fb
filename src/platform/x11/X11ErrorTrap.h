#pragma once

#include <string>

typedef struct _XDisplay Display;

// Catches the X errors of one connection while it lives, instead of Xlib's default handler ending the
// process; errors of other connections go to the handler that was installed before. Traps nest.
class X11ErrorTrap
{
  public:
    // With `syncAtEnds`, requests sent before the trap are settled first and the trap settles its own
    // requests before it goes; a connection that must not send requests (a RECORD data connection) passes
    // false and settles its requests otherwise.
    explicit X11ErrorTrap(Display *display, bool syncAtEnds = true);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap &) = delete;
    X11ErrorTrap &operator=(const X11ErrorTrap &) = delete;

    /// Waits until the server has handled every request sent so far; returns errorCode().
    int sync();
    /// The code of the first error caught (BadAccess...), 0 when none.
    int errorCode() const { return m_errorCode; }
    /// The first error caught in the server's words ("BadAccess (attempt to access private resource
    /// denied)"), empty when none.
    std::string errorText() const;

  private:
    using OpaqueHandler = void (*)();

    friend struct X11ErrorTrapDispatch;

    Display *m_display;
    bool m_syncAtEnds;
    int m_errorCode = 0;
    OpaqueHandler m_previousHandler = nullptr;
    X11ErrorTrap *m_outer = nullptr;
};
