#pragma once

#include "platform/Platform.h"
#include "script/ActionLine.h"

#include <QByteArrayView>

#include <cstdint>

// The three injections a script row can ask for, in the script's own words.

// MouseEventFlag value of a button word: absolute, with the button's down or up flag and never a move, so
// the event acts where the cursor stands.
std::uint32_t mouseEventFlags(MouseButtonAction button);

// Presses ("down") or releases ("up") the key of a virtual-key code; any other word injects nothing.
// `rightHand`: the right-hand key of VK_MENU or VK_CONTROL (the extended flag).
void SendKey(Injector &injector, int virtualKey, QByteArrayView mode, bool rightHand = false);
