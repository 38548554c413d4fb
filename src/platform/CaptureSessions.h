#pragma once

#include "Platform.h"

#include <memory>
#include <vector>

// What a capture backend keeps of one recording: its handle, its procedure and the events captured but not
// yet handed over. Backends derive their session from it and add their own resources.
struct CaptureSession {
    virtual ~CaptureSession() = default;

    HookHandle handle = 0;
    std::shared_ptr<const HookProc> proc;
    std::vector<EventMsg> pending; // in input order
};

// The rules every capture backend follows: one session at a time with numbered handles; captured events
// reach the procedure in input order, on the caller's thread; a procedure may remove its own hook (and
// install another), after which the removed one receives nothing more; removing a session hands over what
// it captured up to the removal, except while the owner is being destroyed.
class CaptureSessions
{
  public:
    // The running session, or null.
    template <typename Session> Session *current() const { return static_cast<Session *>(m_session.get()); }
    // The running session's handle; 0 when none runs.
    HookHandle runningHandle() const { return m_session ? m_session->handle : 0; }

    // Makes `session` the running one with `proc` and a new handle, and returns the handle.
    HookHandle start(std::unique_ptr<CaptureSession> session, HookProc proc);

    // Takes the running session out when `handle` names it; null otherwise. Hand it to finish() once the
    // backend has collected its last events.
    std::unique_ptr<CaptureSession> take(HookHandle handle);
    // Hands the last events of a session taken out to its procedure.
    void finish(CaptureSession &session);

    // Hands the running session's queued events to its procedure. A delivery already in progress (the
    // procedure ran a nested event loop) takes them after its own instead, which keeps them in order.
    void deliverCurrent();

    // The owner is going away and its procedure may belong to objects already gone: nothing is handed over
    // from now on.
    void stopDelivering() { ++m_deliveryDepth; }

  private:
    void deliver(CaptureSession &session, bool detached);

    std::unique_ptr<CaptureSession> m_session;
    HookHandle m_lastHandle = 0;
    int m_deliveryDepth = 0;
};
