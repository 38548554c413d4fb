#include "Win32HotkeyCore.h"

#include "Win32ErrorText.h"
#include "Win32HotkeyRegistry.h"

#include <windows.h>

namespace
{

constexpr unsigned kModifierBits = MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN;

} // namespace

Win32HotkeyCore::Win32HotkeyCore(std::shared_ptr<Win32HotkeyRegistry> registry)
    : m_registry(std::move(registry)),
      m_window([this](unsigned message, std::uintptr_t, std::intptr_t lParam) { return onMessage(message, lParam); })
{
}

Win32HotkeyCore::~Win32HotkeyCore()
{
    const HWND window = static_cast<HWND>(m_window.handle());
    for (const Registered &hotkey : m_registered) {
        UnregisterHotKey(window, hotkey.id);
        m_registry->remove(hotkey.modifiers, hotkey.virtualKey);
    }
}

bool Win32HotkeyCore::registerHotKey(int id, unsigned modifiers, int virtualKey)
{
    const unsigned wanted = modifiers & kModifierBits;
    m_lastError.clear();
    if (!RegisterHotKey(static_cast<HWND>(m_window.handle()), id, wanted, UINT(virtualKey))) {
        m_lastError = win32ErrorText(GetLastError());
        return false;
    }
    m_registered.push_back({id, wanted, virtualKey});
    m_registry->add(wanted, virtualKey);
    return true;
}

void Win32HotkeyCore::setHandler(Handler handler)
{
    m_handler = std::move(handler);
}

bool Win32HotkeyCore::handleMessage(const void *message)
{
    const MSG &msg = *static_cast<const MSG *>(message);
    if (msg.hwnd != static_cast<HWND>(m_window.handle()))
        return false;
    return onMessage(msg.message, msg.lParam);
}

bool Win32HotkeyCore::onMessage(unsigned message, std::intptr_t lParam)
{
    if (message != WM_HOTKEY)
        return false;
    // The message carries the modifiers in its low word and the virtual key in its high word.
    const unsigned modifiers = unsigned(lParam) & 0xFFFFu;
    const int virtualKey = int((unsigned(lParam) >> 16) & 0xFFFFu);
    if (m_handler)
        m_handler(modifiers, virtualKey);
    return true;
}
