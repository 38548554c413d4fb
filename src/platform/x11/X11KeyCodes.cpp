#include "X11KeyCodes.h"

#include "core/KeyNames.h"
#include "platform/Platform.h"

#include <array>

namespace
{

constexpr unsigned kEvdevOffset = 8;
constexpr unsigned kEvdevPause = 119;
constexpr unsigned kEvdevLeftAlt = 56;
constexpr unsigned kEvdevRightAlt = 100;
constexpr int kVirtualKeyPause = 0x13;

struct ModifierKey {
    unsigned evdev;
    unsigned modifier;
};

constexpr std::array<ModifierKey, 8> kModifierKeys = {{
    {29, Modifier::Control}, // left Ctrl
    {97, Modifier::Control}, // right Ctrl
    {42, Modifier::Shift},   // left Shift
    {54, Modifier::Shift},   // right Shift
    {56, Modifier::Alt},     // left Alt
    {100, Modifier::Alt},    // right Alt
    {125, Modifier::Win},    // left Meta
    {126, Modifier::Win},    // right Meta
}};

struct SpecialKey {
    unsigned evdev;
    std::uint32_t scanCode;
};

// Keys whose scan code is not their evdev code: the extended keys, and Pause, whose set-1 sequence
// starts with the NumLock code.
constexpr std::array<SpecialKey, 20> kSpecialKeys = {{
    {96, 32796},  // KP_Enter
    {97, 32797},  // right Ctrl
    {98, 32821},  // KP_Divide
    {99, 32823},  // Print
    {100, 32824}, // right Alt
    {102, 32839}, // Home
    {103, 32840}, // Up
    {104, 32841}, // Page Up
    {105, 32843}, // Left
    {106, 32845}, // Right
    {107, 32847}, // End
    {108, 32848}, // Down
    {109, 32849}, // Page Down
    {110, 32850}, // Insert
    {111, 32851}, // Delete
    {125, 32859}, // left Meta
    {126, 32860}, // right Meta
    {69, 32837},  // NumLock
    {54, 32822},  // right Shift
    {kEvdevPause, 69},
}};

unsigned evdevFromScanCode(std::uint32_t scanCode)
{
    for (const SpecialKey &key : kSpecialKeys) {
        if (key.scanCode == scanCode)
            return key.evdev;
    }
    return (scanCode & ExtendedKeyBit) ? 0 : scanCode;
}

} // namespace

namespace X11KeyCodes
{

std::uint32_t scanCodeFromKeycode(unsigned keycode)
{
    if (keycode < kEvdevOffset)
        return 0;
    const unsigned evdev = keycode - kEvdevOffset;
    for (const SpecialKey &key : kSpecialKeys) {
        if (key.evdev == evdev)
            return key.scanCode;
    }
    return evdev;
}

unsigned keycodeFromVirtualKey(int virtualKey, bool extended)
{
    if (extended) {
        const std::uint32_t scanCode = ScanCodeFromVirtualKey(virtualKey);
        const unsigned evdev = scanCode == 0 ? 0 : evdevFromScanCode(scanCode | ExtendedKeyBit);
        if (evdev != 0)
            return evdev + kEvdevOffset;
    }
    // Pause is the one key of the table that is played but never recorded, so it has no scan code there.
    const unsigned evdev =
        virtualKey == kVirtualKeyPause ? kEvdevPause : evdevFromScanCode(ScanCodeFromVirtualKey(virtualKey));
    return evdev == 0 ? 0 : evdev + kEvdevOffset;
}

int virtualKeyFromScanCode(std::uint32_t scanCode)
{
    return VirtualKeyFromKeyName(KeyNameFromScanCode(scanCode)).value_or(0);
}

bool isAltKeycode(unsigned keycode)
{
    return keycode == kEvdevLeftAlt + kEvdevOffset || keycode == kEvdevRightAlt + kEvdevOffset;
}

unsigned hotkeyModifierOfKeycode(unsigned keycode)
{
    for (const ModifierKey &key : kModifierKeys) {
        if (key.evdev + kEvdevOffset == keycode)
            return key.modifier;
    }
    return 0;
}

} // namespace X11KeyCodes
