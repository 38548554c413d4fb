#pragma once

#include "platform/Platform.h"

#include <optional>

// The event record of X button `button` going down (`press`) or up: buttons 1/2/3 are left/middle/right,
// 4-7 one wheel notch each way (their release none), 8/9 the X buttons; nothing for other buttons. The
// position is left to the caller.
std::optional<EventMsg> x11ButtonEvent(unsigned button, bool press);
