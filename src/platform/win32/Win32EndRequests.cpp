#include "Win32EndRequests.h"

#include <windows.h>

#include <atomic>

namespace
{

constexpr UINT kEndRequestMessage = WM_APP + 2;

// What the console handler may touch from its own thread.
std::atomic<HWND> requestWindow{nullptr};
std::atomic<Clock *> wakeClock{nullptr};
std::atomic<bool> taking{false}; // a handler is set
// Set once the GUI thread has handled a request: the system ends the process when the handler of a closing
// console returns, so that handler waits for it.
HANDLE handledEvent = nullptr;

BOOL WINAPI onConsoleEvent(DWORD type)
{
    return Win32EndRequests::consoleEvent(type) ? TRUE : FALSE;
}

} // namespace

bool Win32EndRequests::consoleEvent(unsigned long type)
{
    if (!taking || (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT))
        return false;
    const HWND window = requestWindow.load();
    if (window == nullptr || !PostMessageW(window, kEndRequestMessage, 0, 0))
        return false;
    if (Clock *const clock = wakeClock.load())
        clock->wake();
    // The console is going away and takes the process with it as soon as this returns: let the playback
    // release what it holds first (the system allows a few seconds).
    if (type == CTRL_CLOSE_EVENT && handledEvent != nullptr)
        WaitForSingleObject(handledEvent, 4000);
    return true;
}

Win32EndRequests::Win32EndRequests(Clock &clock)
    : m_window([this](unsigned message, std::uintptr_t, std::intptr_t) {
          if (message != kEndRequestMessage)
              return false;
          // A request that came just as the handler was taken away: nothing is left to let go of first.
          if (!m_handler)
              ExitProcess(0);
          m_handler();
          if (handledEvent != nullptr)
              SetEvent(handledEvent);
          return true;
      })
{
    handledEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    wakeClock = &clock;
    requestWindow = static_cast<HWND>(m_window.handle());
}

Win32EndRequests::~Win32EndRequests()
{
    setHandler(nullptr);
    requestWindow = nullptr;
    wakeClock = nullptr;
    if (handledEvent != nullptr) {
        CloseHandle(handledEvent);
        handledEvent = nullptr;
    }
}

void Win32EndRequests::setHandler(std::function<void()> handler)
{
    m_handler = std::move(handler);
    const bool wanted = static_cast<bool>(m_handler);
    taking = wanted;
    if (wanted != m_installed && SetConsoleCtrlHandler(onConsoleEvent, wanted ? TRUE : FALSE))
        m_installed = wanted;
}
