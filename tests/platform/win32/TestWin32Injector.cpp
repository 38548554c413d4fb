#include "TestHarness.h"
#include "TestInput.h"

#include "platform/win32/Win32HotkeyRegistry.h"
#include "platform/win32/Win32Injector.h"
#include "platform/win32/Win32InputHook.h"

#include <climits>

#include <windows.h>

using namespace testinput;

TEST_CASE(injectedKeysAreTaggedPlainAndNotCaptured)
{
    ProbeHook probe;
    Win32InputHook hook(std::make_shared<Win32HotkeyRegistry>());
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);
    Win32Injector injector;
    const int keys[] = {'A', VK_RIGHT, VK_RETURN, VK_F9};
    for (const int key : keys) {
        injector.keybdEvent(key, 0);
        injector.keybdEvent(key, KEYEVENTF_KEYUP);
    }
    REQUIRE(probe.settle());
    hook.remove(handle);

    CHECK_EQUAL(describe(recording.events), "");
    REQUIRE(probe.seen().size() == std::size(keys) * 2);
    for (std::size_t i = 0; i < probe.seen().size(); ++i) {
        const Seen &seen = probe.seen()[i];
        CHECK_EQUAL(seen.virtualKey, std::uint32_t(keys[i / 2]));
        CHECK_EQUAL(seen.message, std::uint32_t(i % 2 == 0 ? WM_KEYDOWN : WM_KEYUP));
        CHECK_EQUAL(seen.extraInfo, Win32Injector::injectedTag);
        CHECK((seen.flags & LLKHF_INJECTED) != 0);
        // The navigation keys too go without the extended flag: the key is its virtual key alone.
        CHECK((seen.flags & LLKHF_EXTENDED) == 0);
    }
}

TEST_CASE(extendedFlagIsPassedOnForTheRightHandKeys)
{
    // Right Alt and right Ctrl are asked for with the extended flag; the injector passes it on.
    ProbeHook probe;
    Win32Injector injector;
    const int keys[] = {VK_MENU, VK_CONTROL};
    for (const int key : keys) {
        injector.keybdEvent(key, KEYEVENTF_EXTENDEDKEY);
        injector.keybdEvent(key, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP);
    }
    REQUIRE(probe.settle());
    REQUIRE(probe.seen().size() == std::size(keys) * 2);
    for (const Seen &seen : probe.seen())
        CHECK((seen.flags & LLKHF_EXTENDED) != 0);
}

TEST_CASE(keysOutsideTheVirtualKeyRangeAreNotInjected)
{
    ProbeHook probe;
    Win32Injector injector;
    injector.keybdEvent(0, 0);
    injector.keybdEvent(0x100 + 'A', 0); // would alias 'A' if cut to a byte
    injector.keybdEvent(-1, KEYEVENTF_KEYUP);
    REQUIRE(probe.settle());
    CHECK_EQUAL(probe.seen().size(), std::size_t(0));
}

TEST_CASE(mouseButtonsActAtTheCursorAndAreNotCaptured)
{
    ProbeHook probe;
    Win32Injector injector;
    injector.setCursorPos(300, 200);
    REQUIRE(probe.settle());
    POINT cursor{};
    GetCursorPos(&cursor);
    CHECK_EQUAL(cursor.x, 300L);
    CHECK_EQUAL(cursor.y, 200L);

    Win32InputHook hook(std::make_shared<Win32HotkeyRegistry>());
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);
    probe.clear();
    const std::uint32_t flags[] = {0x8002, 0x8004, 0x8008, 0x8010, 0x8020, 0x8040};
    for (const std::uint32_t flag : flags)
        injector.mouseEvent(flag);
    REQUIRE(probe.settle());
    hook.remove(handle);

    CHECK_EQUAL(describe(recording.events), "");
    const std::uint32_t messages[] = {WM_LBUTTONDOWN, WM_LBUTTONUP,   WM_RBUTTONDOWN,
                                      WM_RBUTTONUP,   WM_MBUTTONDOWN, WM_MBUTTONUP};
    REQUIRE(probe.seen().size() == std::size(messages));
    for (std::size_t i = 0; i < std::size(messages); ++i) {
        const Seen &seen = probe.seen()[i];
        CHECK_EQUAL(seen.message, messages[i]);
        CHECK_EQUAL(seen.extraInfo, Win32Injector::injectedTag);
        CHECK((seen.flags & LLMHF_INJECTED) != 0);
        // The absolute flag without the move flag: the position 0 of the event is not applied.
        CHECK_EQUAL(seen.x, 300);
        CHECK_EQUAL(seen.y, 200);
    }
    GetCursorPos(&cursor);
    CHECK_EQUAL(cursor.x, 300L);
    CHECK_EQUAL(cursor.y, 200L);
}

TEST_CASE(modifiersHeldFollowsTheModifierKeys)
{
    ProbeHook probe;
    Win32Injector injector;
    CHECK(!injector.modifiersHeld());
    const int modifiers[] = {VK_SHIFT, VK_LSHIFT, VK_RSHIFT, VK_CONTROL, VK_RCONTROL,
                             VK_MENU,  VK_RMENU,  VK_LWIN,   VK_RWIN};
    for (const int key : modifiers) {
        injector.keybdEvent(key, 0);
        REQUIRE(probe.settle());
        if (!injector.modifiersHeld())
            harness::fail(__FILE__, __LINE__, "not held after pressing " + std::to_string(key));
        injector.keybdEvent(key, KEYEVENTF_KEYUP);
        REQUIRE(probe.settle());
        if (injector.modifiersHeld())
            harness::fail(__FILE__, __LINE__, "still held after releasing " + std::to_string(key));
    }
    injector.keybdEvent('A', 0);
    injector.keybdEvent(VK_CAPITAL, 0);
    REQUIRE(probe.settle());
    CHECK(!injector.modifiersHeld());
    injector.keybdEvent('A', KEYEVENTF_KEYUP);
    injector.keybdEvent(VK_CAPITAL, KEYEVENTF_KEYUP);
    injector.keybdEvent(VK_CAPITAL, 0); // CapsLock back off
    injector.keybdEvent(VK_CAPITAL, KEYEVENTF_KEYUP);
    REQUIRE(probe.settle());
}

TEST_CASE(cursorPlacementIsExactTaggedAndNotCaptured)
{
    ProbeHook probe;
    Win32InputHook hook(std::make_shared<Win32HotkeyRegistry>());
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);
    Win32Injector injector;
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int right = left + GetSystemMetrics(SM_CXVIRTUALSCREEN) - 1;
    const int bottom = top + GetSystemMetrics(SM_CYVIRTUALSCREEN) - 1;
    harness::note("virtual desktop " + std::to_string(left) + "," + std::to_string(top) + " to " +
                  std::to_string(right) + "," + std::to_string(bottom));
    struct Placement {
        POINT asked;
        POINT expected;
    };
    const Placement placements[] = {
        {{left, top}, {left, top}},
        {{right, bottom}, {right, bottom}},
        {{left + 1, top + 1}, {left + 1, top + 1}},
        {{left + 333, top + 257}, {left + 333, top + 257}},
        {{right - 1, top + 7}, {right - 1, top + 7}},
        {{left - 50, bottom + 50}, {left, bottom}}, // off the desktop: its nearest edge
        {{INT_MAX, INT_MIN}, {right, top}},
    };
    for (const Placement &placement : placements) {
        injector.setCursorPos(placement.asked.x, placement.asked.y);
        REQUIRE(probe.settle());
        POINT cursor{};
        GetCursorPos(&cursor);
        CHECK_EQUAL(cursor.x, placement.expected.x);
        CHECK_EQUAL(cursor.y, placement.expected.y);
    }
    hook.remove(handle);

    // A recording made meanwhile holds none of these moves; they went through the hooks with our tag.
    CHECK_EQUAL(describe(recording.events), "");
    int moves = 0;
    for (const Seen &seen : probe.seen()) {
        if (seen.keyboard)
            continue;
        ++moves;
        CHECK_EQUAL(seen.message, std::uint32_t(WM_MOUSEMOVE));
        CHECK_EQUAL(seen.extraInfo, Win32Injector::injectedTag);
    }
    CHECK(moves > 0);
}
