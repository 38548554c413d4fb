#include "TestHarness.h"

#include "platform/win32/Win32DesktopWindows.h"

#include <string>

#include <windows.h>

namespace
{

constexpr wchar_t kClassName[] = L"TapsmithAnchorProbe";

void pumpMessages()
{
    for (int round = 0; round < 20; ++round) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

HWND probeWindow(const wchar_t *title, int x, int y)
{
    static const ATOM registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassW(&windowClass);
    }();
    if (registered == 0)
        return nullptr;
    HWND window = CreateWindowExW(0, kClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, 300, 200, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    pumpMessages();
    return window;
}

std::string programName()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string name;
    for (DWORD i = length; i > 0 && path[i - 1] != L'\\'; --i)
        name.insert(name.begin(), char(path[i - 1]));
    return name;
}

} // namespace

TEST_CASE(windowsAreFoundByClassAndProgramTopmostFirstWithTheirClientAreas)
{
    HWND first = probeWindow(L"\u0416 first;|", 100, 100);
    HWND second = probeWindow(L"second", 500, 300);
    if (first == nullptr || second == nullptr) {
        // wine without a display has no window driver for top-level windows.
        harness::skip("no top-level windows can be made here (wine without a display)");
        return;
    }
    SetForegroundWindow(second);
    pumpMessages();

    Win32DesktopWindows windows;
    const std::vector<TopLevelWindow> found = windows.find("TapsmithAnchorProbe", programName());
    REQUIRE(found.size() == 2);
    CHECK_EQUAL(found[0].handle, reinterpret_cast<std::uintptr_t>(second));
    CHECK_EQUAL(found[1].handle, reinterpret_cast<std::uintptr_t>(first));
    CHECK_EQUAL(found[1].title, std::string("\xD0\x96 first;|"));
    CHECK_EQUAL(found[1].instance, programName());
    POINT origin{0, 0};
    ClientToScreen(first, &origin);
    RECT client{};
    GetClientRect(first, &client);
    CHECK_EQUAL(found[1].x, int(origin.x));
    CHECK_EQUAL(found[1].y, int(origin.y));
    CHECK_EQUAL(found[1].width, int(client.right));
    CHECK_EQUAL(found[1].height, int(client.bottom));
    CHECK(windows.find("TapsmithAnchorProbe", "other.exe").empty());

    // A point inside a client area names its window; moved, the window is found at its new place.
    CHECK_EQUAL(windows.windowAt(origin.x + 10, origin.y + 10).handle, reinterpret_cast<std::uintptr_t>(first));
    SetWindowPos(first, nullptr, 150, 180, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pumpMessages();
    const std::vector<TopLevelWindow> moved = windows.find("TapsmithAnchorProbe", programName());
    REQUIRE(moved.size() == 2);
    CHECK_EQUAL(moved[1].x - found[1].x, 50);
    CHECK_EQUAL(moved[1].y - found[1].y, 80);

    // Hidden windows are not found.
    ShowWindow(second, SW_HIDE);
    pumpMessages();
    CHECK_EQUAL(windows.find("TapsmithAnchorProbe", programName()).size(), std::size_t(1));
    DestroyWindow(first);
    DestroyWindow(second);
    pumpMessages();
}
