#pragma once

#include <vector>

// The hotkeys this program holds, shared by the hotkeys (which register them) and the input hook (which
// must not record the key press that fires one, as the system consumes it).
class Win32HotkeyRegistry
{
  public:
    /// Modifiers are the interface's Modifier bits.
    void add(unsigned modifiers, int virtualKey);
    /// Forgets one registration of (modifiers, virtualKey), if there is one.
    void remove(unsigned modifiers, int virtualKey);
    bool contains(unsigned modifiers, int virtualKey) const;

    /// True when pressing `virtualKey` with exactly `heldModifiers` down fires one of our hotkeys. Only
    /// presses with Alt held count: every hotkey of the program is an Alt combination.
    bool firesOnPress(unsigned heldModifiers, int virtualKey) const;

  private:
    struct Hotkey {
        unsigned modifiers;
        int virtualKey;
    };

    std::vector<Hotkey> m_hotkeys;
};
