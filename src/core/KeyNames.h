#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <optional>

// Extended-key bit of a recorded key code.
constexpr std::uint32_t ExtendedKeyBit = 32768;

// The virtual-key codes the program names itself.
namespace VirtualKey
{
constexpr int Shift = 0x10;
constexpr int Control = 0x11;
constexpr int Menu = 0x12; // Alt
} // namespace VirtualKey

// The recorded codes of the right-hand Ctrl and Alt (AltGr): the left key's scan code, extended.
constexpr std::uint32_t RightControlCode = ExtendedKeyBit | 29;
constexpr std::uint32_t RightAltCode = ExtendedKeyBit | 56;

// Key name of a recorded key code (set-1 scan code, plus ExtendedKeyBit for extended keys); empty for a
// code the table does not list.
QByteArrayView KeyNameFromScanCode(std::uint32_t keyCode);

// Virtual-key code of a key name, by exact case-sensitive comparison; nothing for an unknown name.
std::optional<int> VirtualKeyFromKeyName(QByteArrayView keyName);

// The plain scan code a virtual-key code is typed with (the physical key of its name); 0 when the table
// has no key for it. Injection uses it so that playback does not depend on the keyboard layout.
std::uint32_t ScanCodeFromVirtualKey(int virtualKey);
