#pragma once

#include "platform/CaptureSessions.h"
#include "platform/Platform.h"
#include "platform/x11/X11Display.h"

#include <memory>

class X11GrabRegistry;

// Global input capture with the RECORD extension. Events are read from a data connection of their own by
// a thread of its own, and translated and handed to the procedure on the GUI thread; the context is made
// and ended on the control connection. At most one recording runs: installing while one is installed removes that one
// first. A hook removed from inside its own procedure receives nothing more.
class X11InputHook : public InputHook
{
  public:
    X11InputHook(X11Display control, std::shared_ptr<const X11GrabRegistry> grabs);
    ~X11InputHook() override;

    HookHandle install(HookProc proc) override;
    void remove(HookHandle handle) override;
    std::string lastError() const override { return m_lastError; }
    void setPressWindows(bool on) override { m_pressWindows = on; }

  private:
    struct Session;

    // Hands the events the reader has taken from the server to the procedure.
    void processReplies();

    X11Display m_control;
    std::shared_ptr<const X11GrabRegistry> m_grabs;
    bool m_recordAvailable = false;
    bool m_pressWindows = false;
    CaptureSessions m_sessions;
    std::string m_lastError;
};
