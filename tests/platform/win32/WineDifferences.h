#pragma once

#include <string>

// Where wine behaves unlike Windows, in one table, so that a change on either side shows up: the tests
// expect the value of the column of the system they run on.
namespace wine
{

enum class Difference {
    ScanCodeOfVirtualKeyOnlyInjection, // scan code a hook sees for VK_A injected with scan code 0
    AltDownFlagWithAltHeld,            // LLKHF_ALTDOWN on a key pressed while Alt is held (1 set, 0 not)
};

/// True when the tests run under wine.
bool running();
/// The value expected on the system the tests run on.
int expected(Difference difference);
/// A line naming the difference and both values, for failure messages.
std::string describe(Difference difference);

} // namespace wine
