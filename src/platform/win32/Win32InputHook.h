#pragma once

#include "platform/CaptureSessions.h"
#include "platform/Platform.h"
#include "platform/win32/Win32MessageWindow.h"

#include <memory>

class Win32HotkeyRegistry;
struct Win32CaptureSession;

// Global input capture with the low-level keyboard and mouse hooks of the GUI thread. The hook procedures
// only queue each event and return, so the system never waits on the recorder; the queue is handed to the
// procedure from a message posted to our own window. Events we injected ourselves are not captured, nor
// the key press that fires one of our hotkeys. A press that is to name its window looks for it in the hook
// procedure, before the system hands the press on to that window. One capture runs at a time: installing
// while one is installed removes that one first. A hook removed from inside its own procedure receives
// nothing more.
class Win32InputHook : public InputHook
{
  public:
    explicit Win32InputHook(std::shared_ptr<const Win32HotkeyRegistry> hotkeys);
    ~Win32InputHook() override;

    HookHandle install(HookProc proc) override;
    void remove(HookHandle handle) override;
    std::string lastError() const override { return m_lastError; }
    void setPressWindows(bool on) override { m_pressWindows = on; }

  private:
    std::shared_ptr<const Win32HotkeyRegistry> m_hotkeys;
    bool m_pressWindows = false;
    CaptureSessions m_sessions;
    std::string m_lastError;
    Win32MessageWindow m_window; // last: it dispatches into the members above
};
