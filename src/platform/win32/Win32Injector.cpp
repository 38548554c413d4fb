#include "Win32Injector.h"

#include <algorithm>
#include <array>

#include <windows.h>

namespace
{

constexpr std::array<int, 5> kModifierKeys = {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN};

} // namespace

void Win32Injector::setCursorPos(int x, int y)
{
    // An absolute move over the whole virtual desktop rather than SetCursorPos: it carries our tag, so a
    // recording made while a playback runs leaves our moves out. The normalised units are the smallest that
    // land on the pixel; a point off the desktop goes to its nearest edge, as SetCursorPos would.
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = std::max(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1);
    const int height = std::max(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1);
    const auto units = [](std::int64_t offset, int size) {
        const std::int64_t pixel = std::clamp<std::int64_t>(offset, 0, size - 1);
        return LONG((pixel * 65536 + size - 1) / size);
    };
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = units(std::int64_t(x) - left, width);
    input.mi.dy = units(std::int64_t(y) - top, height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    input.mi.dwExtraInfo = injectedTag;
    SendInput(1, &input, sizeof(input));
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

void Win32Injector::mouseWheel(std::int32_t delta, bool horizontal)
{
    // The delta as it came, part notches included: the system passes them on to programs that scroll
    // finely.
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.mouseData = DWORD(delta);
    input.mi.dwFlags = horizontal ? MOUSEEVENTF_HWHEEL : MOUSEEVENTF_WHEEL;
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
    input.ki.dwFlags = ((flags & KeyEventFlag::KeyUp) != 0 ? DWORD(KEYEVENTF_KEYUP) : 0) |
                       ((flags & KeyEventFlag::ExtendedKey) != 0 ? DWORD(KEYEVENTF_EXTENDEDKEY) : 0);
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
