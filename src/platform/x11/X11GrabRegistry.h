#pragma once

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

  private:
    struct Grab {
        unsigned keycode;
        unsigned modifierMask;
        Hotkey hotkey;
    };

    std::vector<Grab> m_grabs;
    unsigned m_ignoredModifiers = 0;
};
