#include "Win32HotkeyRegistry.h"

#include "platform/Platform.h"

#include <algorithm>

namespace
{

constexpr unsigned kModifierBits = Modifier::Alt | Modifier::Control | Modifier::Shift | Modifier::Win;

} // namespace

void Win32HotkeyRegistry::add(unsigned modifiers, int virtualKey)
{
    m_hotkeys.push_back({modifiers & kModifierBits, virtualKey});
}

void Win32HotkeyRegistry::remove(unsigned modifiers, int virtualKey)
{
    const auto found = std::find_if(m_hotkeys.begin(), m_hotkeys.end(), [&](const Hotkey &hotkey) {
        return hotkey.modifiers == (modifiers & kModifierBits) && hotkey.virtualKey == virtualKey;
    });
    if (found != m_hotkeys.end())
        m_hotkeys.erase(found);
}

bool Win32HotkeyRegistry::contains(unsigned modifiers, int virtualKey) const
{
    return std::any_of(m_hotkeys.begin(), m_hotkeys.end(), [&](const Hotkey &hotkey) {
        return hotkey.modifiers == (modifiers & kModifierBits) && hotkey.virtualKey == virtualKey;
    });
}

bool Win32HotkeyRegistry::firesOnPress(unsigned heldModifiers, int virtualKey) const
{
    return (heldModifiers & Modifier::Alt) != 0 && contains(heldModifiers, virtualKey);
}
