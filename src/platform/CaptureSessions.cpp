#include "CaptureSessions.h"

HookHandle CaptureSessions::start(std::unique_ptr<CaptureSession> session, HookProc proc)
{
    session->handle = ++m_lastHandle;
    session->proc = std::make_shared<const HookProc>(std::move(proc));
    m_session = std::move(session);
    return m_session->handle;
}

std::unique_ptr<CaptureSession> CaptureSessions::take(HookHandle handle)
{
    if (!m_session || handle == 0 || handle != m_session->handle)
        return nullptr;
    return std::move(m_session);
}

void CaptureSessions::finish(CaptureSession &session)
{
    if (m_deliveryDepth == 0)
        deliver(session, true);
}

void CaptureSessions::deliverCurrent()
{
    if (m_session && m_deliveryDepth == 0)
        deliver(*m_session, false);
}

void CaptureSessions::deliver(CaptureSession &session, bool detached)
{
    // The procedure may remove the hook (and install another), so the session is checked by handle.
    const HookHandle handle = session.handle;
    const auto stillCurrent = [&] { return detached || (m_session && m_session->handle == handle); };
    const std::shared_ptr<const HookProc> proc = session.proc;
    std::vector<EventMsg> batch;
    ++m_deliveryDepth;
    while (stillCurrent() && !session.pending.empty()) {
        batch.clear();
        batch.swap(session.pending);
        for (const EventMsg &event : batch) {
            if (!stillCurrent())
                break;
            (*proc)(Hook::Action, event);
        }
    }
    --m_deliveryDepth;
    // Hand the buffer back so that its capacity is reused by the next batch.
    if (stillCurrent() && session.pending.empty()) {
        batch.clear();
        session.pending.swap(batch);
    }
}
