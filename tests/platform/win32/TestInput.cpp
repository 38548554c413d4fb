#include "TestInput.h"

#include <cmath>
#include <sstream>

#include <windows.h>

namespace testinput
{

struct ProbeAccess {
    static ProbeHook *current;

    static LRESULT CALLBACK keyboard(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HC_ACTION && current) {
            const auto &key = *reinterpret_cast<const KBDLLHOOKSTRUCT *>(lParam);
            Seen seen;
            seen.keyboard = true;
            seen.message = std::uint32_t(wParam);
            seen.virtualKey = key.vkCode;
            seen.scanCode = key.scanCode;
            seen.flags = key.flags;
            seen.extraInfo = key.dwExtraInfo;
            current->m_seen.push_back(seen);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static LRESULT CALLBACK mouse(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HC_ACTION && current) {
            const auto &event = *reinterpret_cast<const MSLLHOOKSTRUCT *>(lParam);
            Seen seen;
            seen.message = std::uint32_t(wParam);
            seen.flags = event.flags;
            seen.extraInfo = event.dwExtraInfo;
            seen.x = event.pt.x;
            seen.y = event.pt.y;
            current->m_seen.push_back(seen);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
};

ProbeHook *ProbeAccess::current = nullptr;

void sendKey(int virtualKey, int scanCode, std::uint32_t flags)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = WORD(virtualKey);
    input.ki.wScan = WORD(scanCode);
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

void tapKey(int virtualKey)
{
    sendKey(virtualKey, 0, 0);
    sendKey(virtualKey, 0, KEYEVENTF_KEYUP);
}

void sendMouse(std::uint32_t flags, int dx, int dy, std::uint32_t data)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.mouseData = data;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

void moveTo(int x, int y)
{
    // The smallest normalised value that lands on the pixel.
    const auto units = [](int pixel, int size) { return int(std::ceil(double(pixel) * 65536.0 / size)); };
    sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, units(x, GetSystemMetrics(SM_CXSCREEN)),
              units(y, GetSystemMetrics(SM_CYSCREEN)));
}

bool pumpUntil(const std::function<bool()> &done, int timeoutMs, const std::function<bool(const void *message)> &filter)
{
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMs);
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (filter && filter(&message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(std::min<ULONGLONG>(deadline - now, 20)), QS_ALLINPUT);
    }
}

ProbeHook::ProbeHook()
{
    ProbeAccess::current = this;
    m_keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, &ProbeAccess::keyboard, GetModuleHandleW(nullptr), 0);
    m_mouse = SetWindowsHookExW(WH_MOUSE_LL, &ProbeAccess::mouse, GetModuleHandleW(nullptr), 0);
}

ProbeHook::~ProbeHook()
{
    if (m_keyboard)
        UnhookWindowsHookEx(static_cast<HHOOK>(m_keyboard));
    if (m_mouse)
        UnhookWindowsHookEx(static_cast<HHOOK>(m_mouse));
    if (ProbeAccess::current == this)
        ProbeAccess::current = nullptr;
}

bool ProbeHook::settle(const std::function<bool(const void *message)> &filter)
{
    tapKey(markerKey);
    const auto markerReleased = [this] {
        for (const Seen &seen : m_seen) {
            if (seen.keyboard && seen.virtualKey == std::uint32_t(markerKey) &&
                (seen.message == WM_KEYUP || seen.message == WM_SYSKEYUP))
                return true;
        }
        return false;
    };
    const bool arrived = pumpUntil(markerReleased, 5000, filter);
    // Whatever the hooks posted on the way is handled too.
    pumpUntil([] { return true; }, 0, filter);
    std::vector<Seen> kept;
    for (const Seen &seen : m_seen) {
        if (!(seen.keyboard && seen.virtualKey == std::uint32_t(markerKey)))
            kept.push_back(seen);
    }
    m_seen.swap(kept);
    return arrived;
}

namespace
{

bool isMarker(const EventMsg &event)
{
    return event.message < WM_MOUSEFIRST && event.paramL == std::uint32_t(markerKey);
}

} // namespace

std::string describe(const std::vector<EventMsg> &events)
{
    std::ostringstream out;
    for (const EventMsg &event : events) {
        if (isMarker(event))
            continue;
        out << event.message << ' ' << std::int32_t(event.paramL) << ' ' << std::int32_t(event.paramH) << "; ";
    }
    return out.str();
}

std::string describeKeys(const std::vector<EventMsg> &events)
{
    std::ostringstream out;
    for (const EventMsg &event : events) {
        if (event.message >= WM_MOUSEFIRST || isMarker(event))
            continue;
        out << event.message << ' ' << event.paramH << "; ";
    }
    return out.str();
}

} // namespace testinput
