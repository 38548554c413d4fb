#include "TestHarness.h"
#include "TestInput.h"

#include "platform/win32/Win32Injector.h"
#include "platform/win32/Win32StopKeyWatch.h"

#include <atomic>

#include <windows.h>

using namespace testinput;

namespace
{

constexpr int kAltScan = 0x38;
constexpr int kShiftScan = 0x2A;
constexpr int kF10Scan = 0x44;

// The user's Alt+F10 (untagged, as the hook sees real keys), with `extra` modifiers held as well.
void userChord(std::initializer_list<std::pair<int, int>> modifiers)
{
    for (const auto &[key, scan] : modifiers)
        sendKey(key, scan, 0);
    sendKey(VK_F10, kF10Scan, 0);
    sendKey(VK_F10, kF10Scan, KEYEVENTF_KEYUP);
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it)
        sendKey(it->first, it->second, KEYEVENTF_KEYUP);
}

} // namespace

TEST_CASE(stopKeyFiresOnTheUsersChordWhateverOurPlaybackHolds)
{
    ProbeHook probe;
    Win32StopKeyWatch watch;
    std::atomic<int> fired{0};
    REQUIRE(watch.start(MOD_ALT, VK_F10, [&fired] { ++fired; }));

    // The playback holds Ctrl and Shift: the system sees Ctrl+Shift+Alt+F10, the user pressed Alt+F10.
    Win32Injector injector;
    injector.keybdEvent(VK_CONTROL, 0);
    injector.keybdEvent(VK_SHIFT, 0);
    userChord({{VK_MENU, kAltScan}});
    REQUIRE(probe.settle());
    CHECK(pumpUntil([&fired] { return fired.load() > 0; }, 2000));
    injector.keybdEvent(VK_SHIFT, KEYEVENTF_KEYUP);
    injector.keybdEvent(VK_CONTROL, KEYEVENTF_KEYUP);
    // At most once per start.
    userChord({{VK_MENU, kAltScan}});
    REQUIRE(probe.settle());
    watch.stop();
    CHECK_EQUAL(fired.load(), 1);
}

TEST_CASE(stopKeyIgnoresOtherChordsAndOurOwnKeys)
{
    ProbeHook probe;
    Win32StopKeyWatch watch;
    std::atomic<int> fired{0};
    REQUIRE(watch.start(MOD_ALT, VK_F10, [&fired] { ++fired; }));
    userChord({});                                            // F10 alone
    userChord({{VK_MENU, kAltScan}, {VK_SHIFT, kShiftScan}}); // the user's Alt+Shift+F10
    Win32Injector injector;                                   // a played Alt+F10
    injector.keybdEvent(VK_MENU, 0);
    injector.keybdEvent(VK_F10, 0);
    injector.keybdEvent(VK_F10, KEYEVENTF_KEYUP);
    injector.keybdEvent(VK_MENU, KEYEVENTF_KEYUP);
    REQUIRE(probe.settle());
    pumpUntil([] { return false; }, 100);
    CHECK_EQUAL(fired.load(), 0);

    // Stopped, it reports nothing; started again, it does.
    watch.stop();
    userChord({{VK_MENU, kAltScan}});
    REQUIRE(probe.settle());
    CHECK_EQUAL(fired.load(), 0);
    REQUIRE(watch.start(MOD_ALT, VK_F10, [&fired] { ++fired; }));
    userChord({{VK_MENU, kAltScan}});
    REQUIRE(probe.settle());
    CHECK(pumpUntil([&fired] { return fired.load() == 1; }, 2000));
}

TEST_CASE(stopKeyCountsLeftAndRightModifiersAlike)
{
    unsigned held = Win32StopKeyWatch::modifiersAfter(0, VK_RMENU, true);
    CHECK_EQUAL(held, unsigned(MOD_ALT));
    held = Win32StopKeyWatch::modifiersAfter(held, VK_LCONTROL, true);
    CHECK_EQUAL(held, unsigned(MOD_ALT | MOD_CONTROL));
    held = Win32StopKeyWatch::modifiersAfter(held, VK_CAPITAL, true); // a lock key is no modifier
    CHECK_EQUAL(held, unsigned(MOD_ALT | MOD_CONTROL));
    held = Win32StopKeyWatch::modifiersAfter(held, VK_CONTROL, false);
    CHECK_EQUAL(held, unsigned(MOD_ALT));
}
