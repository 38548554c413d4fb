#pragma once

#include "KeyCodes.h"

#include <QByteArrayView>

#include <cstdint>
#include <optional>

// Key name of a recorded key code (set-1 scan code, plus ExtendedKeyBit for extended keys); empty for a
// code the table does not list.
QByteArrayView KeyNameFromScanCode(std::uint32_t keyCode);

// Virtual-key code of a key name, by exact case-sensitive comparison; nothing for an unknown name.
std::optional<int> VirtualKeyFromKeyName(QByteArrayView keyName);

// The plain scan code a virtual-key code is typed with (the physical key of its name); 0 when the table
// has no key for it. Injection uses it so that playback does not depend on the keyboard layout.
std::uint32_t ScanCodeFromVirtualKey(int virtualKey);
