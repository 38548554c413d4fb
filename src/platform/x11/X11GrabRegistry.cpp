#include "X11GrabRegistry.h"

#include <algorithm>

namespace
{

constexpr unsigned kModifierBits = 0xFF; // Shift, Lock, Control, Mod1..Mod5; the rest are buttons

} // namespace

void X11GrabRegistry::add(unsigned keycode, unsigned modifierMask, Hotkey hotkey)
{
    if (!contains(keycode, modifierMask))
        m_grabs.push_back({keycode, modifierMask, hotkey});
}

bool X11GrabRegistry::contains(unsigned keycode, unsigned modifierMask) const
{
    return std::any_of(m_grabs.begin(), m_grabs.end(),
                       [&](const Grab &grab) { return grab.keycode == keycode && grab.modifierMask == modifierMask; });
}

void X11GrabRegistry::remove(unsigned keycode, unsigned modifierMask)
{
    m_grabs.erase(
        std::remove_if(m_grabs.begin(), m_grabs.end(),
                       [&](const Grab &grab) { return grab.keycode == keycode && grab.modifierMask == modifierMask; }),
        m_grabs.end());
}

std::optional<X11GrabRegistry::Hotkey> X11GrabRegistry::find(unsigned keycode, unsigned state) const
{
    const unsigned modifierMask = state & kModifierBits & ~m_ignoredModifiers;
    for (const Grab &grab : m_grabs) {
        if (grab.keycode == keycode && grab.modifierMask == modifierMask)
            return grab.hotkey;
    }
    return std::nullopt;
}
