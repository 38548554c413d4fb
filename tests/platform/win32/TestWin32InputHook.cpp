#include "TestHarness.h"
#include "TestInput.h"
#include "WineDifferences.h"

#include "platform/win32/Win32HotkeyRegistry.h"
#include "platform/win32/Win32InputHook.h"

#include <windows.h>

using namespace testinput;

namespace
{

struct KeyStroke {
    int virtualKey;
    int scanCode;
    bool extended;
};

std::shared_ptr<Win32HotkeyRegistry> noHotkeys()
{
    return std::make_shared<Win32HotkeyRegistry>();
}

LRESULT CALLBACK closeAtAPress(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN) {
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A window that destroys itself as soon as the left button goes down on it, as a button that ends its
// program does.
HWND windowThatClosesAtAPress(const wchar_t *title, int x, int y)
{
    static const ATOM registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = closeAtAPress;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TapsmithClosesAtAPress";
        return RegisterClassW(&windowClass);
    }();
    if (registered == 0)
        return nullptr;
    HWND window = CreateWindowExW(0, L"TapsmithClosesAtAPress", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, 300, 200,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    pumpUntil([] { return false; }, 200);
    return window;
}

const EventMsg *firstOf(const std::vector<EventMsg> &events, std::uint32_t message)
{
    for (const EventMsg &event : events) {
        if (event.message == message)
            return &event;
    }
    return nullptr;
}

} // namespace

TEST_CASE(keysArriveInOrderWithTheirScanCodesAndTimes)
{
    ProbeHook probe; // installed first, so it sees only what our hook hands on
    Win32InputHook hook(noHotkeys());
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);

    const KeyStroke strokes[] = {
        {'A', 0x1E, false},       {VK_RIGHT, 0x4D, true},  {VK_RCONTROL, 0x1D, true}, {VK_RETURN, 0x1C, true},
        {VK_RETURN, 0x1C, false}, {VK_DELETE, 0x53, true}, {VK_NUMPAD1, 0x4F, false}, {VK_SPACE, 0x39, false},
    };
    const DWORD before = GetTickCount();
    std::string expected;
    for (const KeyStroke &stroke : strokes) {
        const std::uint32_t extended = stroke.extended ? KEYEVENTF_EXTENDEDKEY : 0;
        sendKey(stroke.virtualKey, stroke.scanCode, extended);
        sendKey(stroke.virtualKey, stroke.scanCode, extended | KEYEVENTF_KEYUP);
        const int code = stroke.scanCode + (stroke.extended ? 32768 : 0);
        expected += "256 " + std::to_string(stroke.virtualKey) + " " + std::to_string(code) + "; ";
        expected += "257 " + std::to_string(stroke.virtualKey) + " " + std::to_string(code) + "; ";
    }
    REQUIRE(probe.settle());
    const DWORD after = GetTickCount();
    hook.remove(handle);

    CHECK_EQUAL(describe(recording.events), expected);
    for (const EventMsg &event : recording.events)
        CHECK(event.time - before <= after - before); // the event's own time, on the tick clock
    // Handed on: the next hook saw every event, marked as injected and without our tag.
    CHECK_EQUAL(probe.seen().size(), std::size(strokes) * 2);
    for (const Seen &seen : probe.seen()) {
        CHECK((seen.flags & LLKHF_INJECTED) != 0);
        CHECK_EQUAL(seen.extraInfo, std::uintptr_t(0));
    }
}

TEST_CASE(keysInjectedByVirtualKeyAloneCarryTheSystemsScanCode)
{
    ProbeHook probe;
    Win32InputHook hook(noHotkeys());
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);
    tapKey('A');
    REQUIRE(probe.settle());
    hook.remove(handle);
    const int code = wine::expected(wine::Difference::ScanCodeOfVirtualKeyOnlyInjection);
    CHECK_EQUAL(describe(recording.events),
                "256 65 " + std::to_string(code) + "; 257 65 " + std::to_string(code) + "; ");
}

TEST_CASE(altCombinationsArriveAsSystemKeys)
{
    ProbeHook probe;
    Win32InputHook hook(noHotkeys());
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);
    sendKey(VK_MENU, 0x38, 0);
    sendKey('A', 0x1E, 0);
    sendKey('A', 0x1E, KEYEVENTF_KEYUP);
    sendKey(VK_MENU, 0x38, KEYEVENTF_KEYUP);
    // Alt pressed and released alone.
    sendKey(VK_MENU, 0x38, 0);
    sendKey(VK_MENU, 0x38, KEYEVENTF_KEYUP);
    REQUIRE(probe.settle());
    hook.remove(handle);

    CHECK_EQUAL(describeKeys(recording.events), "260 56; 260 30; 261 30; 257 56; 260 56; 261 56; ");
    REQUIRE(probe.seen().size() == 6);
    const Seen &aPressed = probe.seen()[1];
    CHECK_EQUAL(aPressed.virtualKey, std::uint32_t('A'));
    if ((aPressed.flags & LLKHF_ALTDOWN ? 1 : 0) != wine::expected(wine::Difference::AltDownFlagWithAltHeld))
        harness::fail(__FILE__, __LINE__, wine::describe(wine::Difference::AltDownFlagWithAltHeld));
}

TEST_CASE(absoluteMovesArriveAtTheExactPoint)
{
    ProbeHook probe;
    Win32InputHook hook(noHotkeys());
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const POINT points[] = {{0, 0}, {1, 1}, {123, 457}, {width / 2, height / 2}, {width - 1, height - 1}, {7, 3}};
    std::string expected;
    for (const POINT &point : points) {
        moveTo(point.x, point.y);
        expected += "512 " + std::to_string(point.x) + " " + std::to_string(point.y) + "; ";
    }
    REQUIRE(probe.settle());
    POINT cursor{};
    GetCursorPos(&cursor);
    hook.remove(handle);

    CHECK_EQUAL(describe(recording.events), expected);
    // The cursor stands where the last move put it, the hook's own procedure running in between.
    CHECK_EQUAL(cursor.x, 7L);
    CHECK_EQUAL(cursor.y, 3L);
}

TEST_CASE(buttonsAndTheWheelArriveAtThePointer)
{
    ProbeHook probe;
    Win32InputHook hook(noHotkeys());
    moveTo(200, 150);
    REQUIRE(probe.settle());
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    sendMouse(MOUSEEVENTF_LEFTUP);
    sendMouse(MOUSEEVENTF_RIGHTDOWN);
    sendMouse(MOUSEEVENTF_RIGHTUP);
    sendMouse(MOUSEEVENTF_MIDDLEDOWN);
    sendMouse(MOUSEEVENTF_MIDDLEUP);
    sendMouse(MOUSEEVENTF_WHEEL, 0, 0, std::uint32_t(-WHEEL_DELTA));
    sendMouse(MOUSEEVENTF_HWHEEL, 0, 0, WHEEL_DELTA);
    sendMouse(MOUSEEVENTF_XDOWN, 0, 0, XBUTTON1);
    sendMouse(MOUSEEVENTF_XUP, 0, 0, XBUTTON1);
    REQUIRE(probe.settle());
    hook.remove(handle);

    std::string expected;
    for (const int message : {513, 514, 516, 517, 519, 520, 522, 526, 523, 524})
        expected += std::to_string(message) + " 200 150; ";
    CHECK_EQUAL(describe(recording.events), expected);
    // The turn of the wheel and the tilt carry their deltas: down is negative, right positive.
    std::string deltas;
    for (const EventMsg &event : recording.events) {
        // The markers the probe types between steps are keys.
        if (event.message >= InputMessage::MouseMove)
            deltas += std::to_string(event.wheelDelta) + ' ';
    }
    CHECK_EQUAL(deltas, std::string("0 0 0 0 0 0 -120 120 0 0 "));
}

TEST_CASE(aPressNamesTheWindowItWentDownOnThoughThePressClosesIt)
{
    HWND window = windowThatClosesAtAPress(L"Closes \u0416", 150, 120);
    if (window == nullptr) {
        harness::skip("no top-level windows can be made here (wine without a display)");
        return;
    }
    SetForegroundWindow(window);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    RECT client{};
    GetClientRect(window, &client);
    ProbeHook probe;
    moveTo(origin.x + 40, origin.y + 30);
    REQUIRE(probe.settle());

    Win32InputHook hook(noHotkeys());
    hook.setPressWindows(true);
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    sendMouse(MOUSEEVENTF_LEFTUP);
    REQUIRE(probe.settle());
    hook.remove(handle);
    // The press reached the window and closed it before the events were handed over.
    CHECK(!IsWindow(window));
    const EventMsg *press = firstOf(recording.events, InputMessage::LButtonDown);
    REQUIRE(press != nullptr && press->window != nullptr);
    CHECK_EQUAL(press->window->handle, reinterpret_cast<std::uintptr_t>(window));
    CHECK_EQUAL(press->window->windowClass, std::string("TapsmithClosesAtAPress"));
    CHECK_EQUAL(press->window->title, std::string("Closes \xD0\x96"));
    CHECK_EQUAL(press->window->x, int(origin.x));
    CHECK_EQUAL(press->window->y, int(origin.y));
    CHECK_EQUAL(press->window->width, int(client.right));
    CHECK_EQUAL(press->window->height, int(client.bottom));
    // Only presses name a window, and only when asked to.
    const EventMsg *release = firstOf(recording.events, InputMessage::LButtonUp);
    CHECK(release != nullptr && release->window == nullptr);
    hook.setPressWindows(false);
    Recording plain;
    const HookHandle again = hook.install(plain.proc());
    REQUIRE(again != 0);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    sendMouse(MOUSEEVENTF_LEFTUP);
    REQUIRE(probe.settle());
    hook.remove(again);
    press = firstOf(plain.events, InputMessage::LButtonDown);
    REQUIRE(press != nullptr);
    CHECK(press->window == nullptr);
}

TEST_CASE(removeDeliversWhatCameBeforeAndNothingAfter)
{
    ProbeHook probe;
    Win32InputHook hook(noHotkeys());
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);
    sendKey('A', 0x1E, 0);
    sendKey('A', 0x1E, KEYEVENTF_KEYUP);
    // No pumping in between: whatever is still queued or waiting comes out of remove itself.
    hook.remove(handle);
    CHECK_EQUAL(describe(recording.events), "256 65 30; 257 65 30; ");

    recording.events.clear();
    sendKey('B', 0x30, 0);
    sendKey('B', 0x30, KEYEVENTF_KEYUP);
    REQUIRE(probe.settle());
    CHECK_EQUAL(describe(recording.events), "");
    hook.remove(handle); // a second time does nothing
    hook.remove(0);
}

TEST_CASE(aProcedureThatRemovesItsHookGetsNothingMore)
{
    ProbeHook probe;
    Win32InputHook hook(noHotkeys());
    std::vector<EventMsg> events;
    HookHandle handle = 0;
    handle = hook.install([&](int, const EventMsg &event) {
        events.push_back(event);
        hook.remove(handle);
    });
    REQUIRE(handle != 0);
    tapKey('C');
    tapKey('D');
    REQUIRE(probe.settle());
    CHECK_EQUAL(events.size(), std::size_t(1));

    // The hook can be installed again afterwards.
    Recording recording;
    const HookHandle again = hook.install(recording.proc());
    CHECK(again != 0 && again != handle);
    sendKey('E', 0x12, 0);
    REQUIRE(probe.settle());
    hook.remove(again);
    CHECK_EQUAL(describe(recording.events), "256 69 18; ");
}

TEST_CASE(aSecondInstallReplacesTheFirst)
{
    ProbeHook probe;
    Win32InputHook hook(noHotkeys());
    Recording first;
    Recording second;
    const HookHandle firstHandle = hook.install(first.proc());
    const HookHandle secondHandle = hook.install(second.proc());
    REQUIRE(firstHandle != 0 && secondHandle != 0 && firstHandle != secondHandle);
    sendKey('F', 0x21, 0);
    REQUIRE(probe.settle());
    hook.remove(firstHandle); // stale: changes nothing
    sendKey('F', 0x21, KEYEVENTF_KEYUP);
    REQUIRE(probe.settle());
    hook.remove(secondHandle);
    CHECK_EQUAL(describe(first.events), "");
    CHECK_EQUAL(describe(second.events), "256 70 33; 257 70 33; ");
}

TEST_CASE(eventsQueuedInsideANestedLoopKeepTheirOrder)
{
    ProbeHook probe;
    Win32InputHook hook(noHotkeys());
    std::vector<EventMsg> events;
    bool nested = false;
    const HookHandle handle = hook.install([&](int, const EventMsg &event) {
        events.push_back(event);
        if (event.paramL == 'G' && event.message == WM_KEYDOWN && !nested) {
            // A dialog's loop inside the procedure: more input arrives while the first batch is not done.
            nested = true;
            sendKey('H', 0x23, 0);
            sendKey('H', 0x23, KEYEVENTF_KEYUP);
            pumpUntil([] { return false; }, 100);
        }
    });
    REQUIRE(handle != 0);
    sendKey('G', 0x22, 0);
    sendKey('G', 0x22, KEYEVENTF_KEYUP);
    REQUIRE(probe.settle());
    hook.remove(handle);
    CHECK_EQUAL(describe(events), "256 71 34; 257 71 34; 256 72 35; 257 72 35; ");
}

TEST_CASE(scanCodesKeepTheirLowByteOnly)
{
    ProbeHook probe;
    Win32InputHook hook(noHotkeys());
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);
    // AltGr as the system delivers it on such layouts: a left Ctrl whose scan code has 0x200 set, then
    // the right Alt.
    sendKey(VK_LCONTROL, 0x21D, 0);
    sendKey(VK_RMENU, 0x38, KEYEVENTF_EXTENDEDKEY);
    sendKey(VK_RMENU, 0x38, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP);
    sendKey(VK_LCONTROL, 0x21D, KEYEVENTF_KEYUP);
    REQUIRE(probe.settle());
    hook.remove(handle);

    REQUIRE(!probe.seen().empty());
    CHECK_EQUAL(probe.seen().front().scanCode, std::uint32_t(0x21D)); // the hooks do get the high bits
    std::string codes;
    for (const EventMsg &event : recording.events) {
        if (event.paramL != std::uint32_t(markerKey))
            codes += std::to_string(event.paramL) + ":" + std::to_string(event.paramH) + " ";
    }
    CHECK_EQUAL(codes, std::string("162:29 165:32824 165:32824 162:29 "));
}
