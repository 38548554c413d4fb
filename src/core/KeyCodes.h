#pragma once

// Codes of keys that the program names itself; free of the toolkit, so that every backend can use them.

#include <cstdint>

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
