#include "Win32Injector.h"

#include <array>

#include <windows.h>

namespace
{

constexpr std::array<int, 5> kModifierKeys = {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN};

} // namespace

void Win32Injector::setCursorPos(int x, int y)
{
    SetCursorPos(x, y);
}

void Win32Injector::mouseEvent(std::uint32_t flags)
{
    // No move flag and position 0: the button acts wherever the cursor was placed.
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dwExtraInfo = injectedTag;
    SendInput(1, &input, sizeof(input));
}

void Win32Injector::keybdEvent(int virtualKey, std::uint32_t flags)
{
    if (virtualKey <= 0 || virtualKey > 0xFE)
        return;
    // By virtual key, scan code 0; the extended flag only where asked for (the right-hand Alt and Ctrl).
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = WORD(virtualKey);
    input.ki.dwFlags = flags & (KEYEVENTF_KEYUP | KEYEVENTF_EXTENDEDKEY);
    input.ki.dwExtraInfo = injectedTag;
    SendInput(1, &input, sizeof(input));
}

bool Win32Injector::modifiersHeld()
{
    for (const int key : kModifierKeys) {
        if (GetAsyncKeyState(key) & 0x8000)
            return true;
    }
    return false;
}
