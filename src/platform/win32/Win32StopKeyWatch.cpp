#include "Win32StopKeyWatch.h"

#include "Win32ErrorText.h"
#include "Win32Injector.h"

#include <windows.h>

#include <algorithm>
#include <future>

struct Win32StopKeySession {
    unsigned modifiers = 0;
    int virtualKey = 0;
    std::function<void()> onPress;
    unsigned held = 0; // the user's modifiers
    bool fired = false;
    DWORD threadId = 0;
};

namespace
{

// The hook procedure gets no context of its own; the hook belongs to the watch's thread.
thread_local Win32StopKeySession *t_session = nullptr;

unsigned modifierOf(int virtualKey)
{
    switch (virtualKey) {
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU:
        return Modifier::Alt;
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL:
        return Modifier::Control;
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT:
        return Modifier::Shift;
    case VK_LWIN:
    case VK_RWIN:
        return Modifier::Win;
    default:
        return 0;
    }
}

LRESULT CALLBACK keyboardProcedure(int code, WPARAM wParam, LPARAM lParam)
{
    Win32StopKeySession *const session = t_session;
    if (code == HC_ACTION && session) {
        const auto &key = *reinterpret_cast<const KBDLLHOOKSTRUCT *>(lParam);
        // Our own playback's keys are not the user's.
        if (key.dwExtraInfo != Win32Injector::injectedTag) {
            const bool press = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
            session->held = Win32StopKeyWatch::modifiersAfter(session->held, int(key.vkCode), press);
            if (press && !session->fired && int(key.vkCode) == session->virtualKey &&
                session->held == session->modifiers) {
                session->fired = true;
                session->onPress();
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The modifiers down on the keyboard right now. Taken when the watch starts, before our playback presses
// anything, so they are the user's: Alt still held after the shortcut that started the run counts.
unsigned modifiersDown()
{
    unsigned held = 0;
    for (const int key : {VK_MENU, VK_CONTROL, VK_SHIFT, VK_LWIN, VK_RWIN}) {
        if (GetAsyncKeyState(key) & 0x8000)
            held |= modifierOf(key);
    }
    return held;
}

} // namespace

Win32StopKeyWatch::Win32StopKeyWatch() = default;

Win32StopKeyWatch::~Win32StopKeyWatch()
{
    stop();
}

unsigned Win32StopKeyWatch::modifiersAfter(unsigned modifiers, int virtualKey, bool press)
{
    const unsigned modifier = modifierOf(virtualKey);
    return press ? modifiers | modifier : modifiers & ~modifier;
}

bool Win32StopKeyWatch::start(unsigned modifiers, int virtualKey, std::function<void()> onPress)
{
    stop();
    auto session = std::make_unique<Win32StopKeySession>();
    session->modifiers = modifiers;
    session->virtualKey = virtualKey;
    session->onPress = std::move(onPress);
    session->held = modifiersDown();
    std::promise<DWORD> installed; // 0, or the error of the refused hook
    std::future<DWORD> result = installed.get_future();
    Win32StopKeySession *const watched = session.get();
    m_thread = std::thread([watched, &installed] {
        MSG message;
        // Gives the thread its message queue before anyone can post the quit message to it.
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        watched->threadId = GetCurrentThreadId();
        t_session = watched;
        HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardProcedure, GetModuleHandleW(nullptr), 0);
        installed.set_value(hook != nullptr ? 0 : std::max<DWORD>(GetLastError(), 1));
        if (!hook)
            return;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
        UnhookWindowsHookEx(hook);
        t_session = nullptr;
    });
    const DWORD error = result.get();
    m_lastError.clear();
    if (error != 0) {
        m_thread.join();
        m_lastError = "the system refused the keyboard hook: " + win32ErrorText(error);
        return false;
    }
    m_session = std::move(session);
    return true;
}

void Win32StopKeyWatch::stop()
{
    if (!m_thread.joinable())
        return;
    if (m_session)
        PostThreadMessageW(m_session->threadId, WM_QUIT, 0, 0);
    m_thread.join();
    m_session.reset();
}
