#pragma once

#include <cstdint>

// Between X keycodes (evdev code + 8, the keycodes of every current X server) and the PC scan codes and
// virtual-key codes the program records and plays.
namespace X11KeyCodes
{

/// The recorded key code of an X keycode: the set-1 scan code, with the extended bit for extended keys.
std::uint32_t scanCodeFromKeycode(unsigned keycode);

/// The X keycode of the physical key a virtual-key code is typed with; 0 when the key-name table has none.
/// `extended`: the key of the extended scan code instead (right Alt for VK_MENU, right Ctrl for VK_CONTROL),
/// where there is one.
unsigned keycodeFromVirtualKey(int virtualKey, bool extended = false);

/// The virtual-key code of the key-name table for a recorded key code; 0 when it has none.
int virtualKeyFromScanCode(std::uint32_t scanCode);

/// True for the keycodes of the left and right Alt keys.
bool isAltKeycode(unsigned keycode);

/// The hotkey modifier bit (Modifier::Alt, Modifier::Control, Modifier::Shift, Modifier::Win) of a modifier key's
/// keycode; 0 for every other key.
unsigned hotkeyModifierOfKeycode(unsigned keycode);

} // namespace X11KeyCodes
