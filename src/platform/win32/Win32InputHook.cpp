#include "Win32InputHook.h"

#include "Win32DesktopWindows.h"
#include "Win32ErrorText.h"
#include "Win32HotkeyRegistry.h"
#include "Win32Injector.h"
#include "core/KeyCodes.h"

#include <windows.h>

struct Win32CaptureSession : CaptureSession {
    std::shared_ptr<const Win32HotkeyRegistry> hotkeys;
    const Win32MessageWindow *window = nullptr;
    HHOOK keyboardHook = nullptr;
    HHOOK mouseHook = nullptr;
    bool deliveryPosted = false;
    bool pressWindows = false;

    ~Win32CaptureSession() override;
    void queue(const EventMsg &event);
    void keyboard(WPARAM message, const KBDLLHOOKSTRUCT &key);
    void mouse(WPARAM message, const MSLLHOOKSTRUCT &mouse);
};

namespace
{

constexpr UINT kDeliverMessage = WM_APP + 1;

// The low-level hook procedures get no context of their own; the hooks belong to the thread that installed
// them, and that thread has at most one capture.
thread_local Win32CaptureSession *t_capture = nullptr;

LRESULT CALLBACK keyboardProcedure(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && t_capture)
        t_capture->keyboard(wParam, *reinterpret_cast<const KBDLLHOOKSTRUCT *>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK mouseProcedure(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && t_capture)
        t_capture->mouse(wParam, *reinterpret_cast<const MSLLHOOKSTRUCT *>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

unsigned heldModifiers()
{
    const auto down = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
    return (down(VK_MENU) ? Modifier::Alt : 0u) | (down(VK_CONTROL) ? Modifier::Control : 0u) |
           (down(VK_SHIFT) ? Modifier::Shift : 0u) | (down(VK_LWIN) || down(VK_RWIN) ? Modifier::Win : 0u);
}

// Signed screen coordinates travel in the unsigned fields as two's complement.
std::uint32_t coordinate(LONG value)
{
    return std::uint32_t(std::int32_t(value));
}

} // namespace

Win32CaptureSession::~Win32CaptureSession()
{
    if (keyboardHook)
        UnhookWindowsHookEx(keyboardHook);
    if (mouseHook)
        UnhookWindowsHookEx(mouseHook);
    if (t_capture == this)
        t_capture = nullptr;
}

void Win32CaptureSession::queue(const EventMsg &event)
{
    pending.push_back(event);
    if (!deliveryPosted)
        deliveryPosted = window->post(kDeliverMessage);
}

void Win32CaptureSession::keyboard(WPARAM message, const KBDLLHOOKSTRUCT &key)
{
    if (key.dwExtraInfo == Win32Injector::injectedTag)
        return;
    const bool press = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    // The system consumes the press that fires a hotkey; its release goes through.
    if (press && hotkeys && hotkeys->firesOnPress(heldModifiers(), int(key.vkCode)))
        return;
    // Only the low byte is the key's scan code: the left Ctrl that the system adds to AltGr comes with 0x200
    // set, and other synthesised keys carry bits of their own above it.
    const std::uint32_t scanCode = (key.scanCode & 0xFFu) + ((key.flags & LLKHF_EXTENDED) ? ExtendedKeyBit : 0u);
    queue({std::uint32_t(message), key.vkCode, scanCode, key.time});
}

void Win32CaptureSession::mouse(WPARAM message, const MSLLHOOKSTRUCT &mouse)
{
    if (mouse.dwExtraInfo == Win32Injector::injectedTag)
        return;
    std::uint32_t number = 0;
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
        number = std::uint32_t(message);
        break;
    default:
        return;
    }
    EventMsg event{number, coordinate(mouse.pt.x), coordinate(mouse.pt.y), mouse.time};
    // The turn is the high word of mouseData, a signed number.
    if (message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL)
        event.wheelDelta = std::int16_t(HIWORD(mouse.mouseData));
    // The system hands the press on only once the hook has returned: the window is still there and where it
    // was, even when the press is about to close it.
    if (pressWindows && (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN))
        event.window = std::make_shared<const TopLevelWindow>(Win32DesktopWindows().windowAt(mouse.pt.x, mouse.pt.y));
    queue(event);
}

Win32InputHook::Win32InputHook(std::shared_ptr<const Win32HotkeyRegistry> hotkeys)
    : m_hotkeys(std::move(hotkeys)), m_window([this](unsigned message, std::uintptr_t, std::intptr_t) {
          if (message != kDeliverMessage)
              return false;
          if (auto *session = m_sessions.current<Win32CaptureSession>()) {
              session->deliveryPosted = false;
              m_sessions.deliverCurrent();
          }
          return true;
      })
{
}

Win32InputHook::~Win32InputHook()
{
    m_sessions.stopDelivering();
    remove(m_sessions.runningHandle());
}

HookHandle Win32InputHook::install(HookProc proc)
{
    remove(m_sessions.runningHandle());
    m_lastError.clear();
    if (t_capture) {
        m_lastError = "another capture runs on this thread";
        return 0;
    }
    if (!proc)
        return 0;
    auto session = std::make_unique<Win32CaptureSession>();
    session->hotkeys = m_hotkeys;
    session->window = &m_window;
    session->pressWindows = m_pressWindows;
    const HINSTANCE module = GetModuleHandleW(nullptr);
    session->keyboardHook = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardProcedure, module, 0);
    session->mouseHook = SetWindowsHookExW(WH_MOUSE_LL, mouseProcedure, module, 0);
    if (!session->keyboardHook || !session->mouseHook) {
        m_lastError = "the system refused the input hooks: " + win32ErrorText(GetLastError());
        return 0;
    }
    t_capture = session.get();
    return m_sessions.start(std::move(session), std::move(proc));
}

void Win32InputHook::remove(HookHandle handle)
{
    if (handle == 0 || handle != m_sessions.runningHandle())
        return;
    // Let the hooks see the input the system is already waiting to hand them, then stop them.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    const std::unique_ptr<CaptureSession> taken = m_sessions.take(handle);
    if (!taken)
        return;
    auto *const session = static_cast<Win32CaptureSession *>(taken.get());
    UnhookWindowsHookEx(session->keyboardHook);
    UnhookWindowsHookEx(session->mouseHook);
    session->keyboardHook = nullptr;
    session->mouseHook = nullptr;
    t_capture = nullptr;
    m_sessions.finish(*session);
}
