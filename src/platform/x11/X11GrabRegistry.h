#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// The hotkey grabs this program holds, shared by the hotkeys (which fire them) and the input hook (which
// must not record the key press that fired one).
class X11GrabRegistry
{
  public:
    struct Hotkey {
        unsigned modifiers; // MOD_ bits
        int virtualKey;
    };

    /// Modifier bits (X state mask) that never change which hotkey a key press is: the lock modifiers.
    void setIgnoredModifiers(unsigned stateMask) { m_ignoredModifiers = stateMask; }
    unsigned ignoredModifiers() const { return m_ignoredModifiers; }

    void add(unsigned keycode, unsigned modifierMask, Hotkey hotkey);
    bool contains(unsigned keycode, unsigned modifierMask) const;
    void remove(unsigned keycode, unsigned modifierMask);

    /// The hotkey a key press with this keycode and X event state fires, if any.
    std::optional<Hotkey> find(unsigned keycode, unsigned state) const;

    /// Around the handler of a hotkey, with the server time of the press that fired it. Handlers nest (a
    /// playback runs inside the handler of Play).
    void beginFiring(std::uint32_t pressTime) { m_firing.push_back(pressTime); }
    void endFiring()
    {
        m_lastFired = m_firing.back();
        m_firing.pop_back();
    }
    /// The press whose handler runs now, innermost first; none outside every handler.
    std::optional<std::uint32_t> firing() const
    {
        return m_firing.empty() ? std::nullopt : std::optional<std::uint32_t>(m_firing.back());
    }
    /// The press whose handler returned last.
    std::optional<std::uint32_t> lastFired() const { return m_lastFired; }

  private:
    struct Grab {
        unsigned keycode;
        unsigned modifierMask;
        Hotkey hotkey;
    };

    std::vector<Grab> m_grabs;
    unsigned m_ignoredModifiers = 0;
    std::vector<std::uint32_t> m_firing;
    std::optional<std::uint32_t> m_lastFired;
};
