#include "TestHarness.h"
#include "TestInput.h"

#include "platform/win32/Win32HotkeyCore.h"
#include "platform/win32/Win32HotkeyRegistry.h"
#include "platform/win32/Win32InputHook.h"

#include <utility>
#include <vector>

#include <windows.h>

using namespace testinput;

namespace
{

using Fired = std::vector<std::pair<unsigned, int>>;

constexpr int kAltScan = 0x38;
constexpr int kShiftScan = 0x2A;
constexpr int kControlScan = 0x1D;
constexpr int kF9Scan = 0x43;
constexpr int kF10Scan = 0x44;

// A key combination pressed and released as a user would: modifiers down, key down and up, modifiers up.
void press(const std::vector<std::pair<int, int>> &modifiers, int virtualKey, int scanCode)
{
    for (const auto &modifier : modifiers)
        sendKey(modifier.first, modifier.second, 0);
    sendKey(virtualKey, scanCode, 0);
    sendKey(virtualKey, scanCode, KEYEVENTF_KEYUP);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        sendKey(it->first, it->second, KEYEVENTF_KEYUP);
}

const std::pair<int, int> kAlt{VK_MENU, kAltScan};
const std::pair<int, int> kShift{VK_SHIFT, kShiftScan};
const std::pair<int, int> kControl{VK_CONTROL, kControlScan};

// Runs a helper process that registers Alt+F9 first and keeps it until stop().
class HotkeyHolder
{
  public:
    HotkeyHolder()
    {
        const std::string suffix = std::to_string(GetCurrentProcessId());
        const std::string readyName = "TapsmithHolderReady" + suffix;
        const std::string quitName = "TapsmithHolderQuit" + suffix;
        m_ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
        m_quit = CreateEventA(nullptr, TRUE, FALSE, quitName.c_str());
        std::string command = "\"" + harness::programFolder() + "hotkey_holder.exe\" " + readyName + " " + quitName;
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        m_started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &m_process) != 0;
        m_started = m_started && WaitForSingleObject(m_ready, 30000) == WAIT_OBJECT_0;
    }
    ~HotkeyHolder()
    {
        stop();
        CloseHandle(m_ready);
        CloseHandle(m_quit);
    }
    bool started() const { return m_started; }
    /// Ends the helper; its exit code: times the hotkey fired there, 100 when it could not register it.
    DWORD stop()
    {
        if (!m_process.hProcess)
            return m_exitCode;
        SetEvent(m_quit);
        WaitForSingleObject(m_process.hProcess, 30000);
        GetExitCodeProcess(m_process.hProcess, &m_exitCode);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
        m_process = {};
        return m_exitCode;
    }

  private:
    HANDLE m_ready = nullptr;
    HANDLE m_quit = nullptr;
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
    DWORD m_exitCode = 0xFFFF;
};

std::string show(const Fired &fired)
{
    std::string text;
    for (const auto &hotkey : fired)
        text += std::to_string(hotkey.first) + "+" + std::to_string(hotkey.second) + "; ";
    return text;
}

} // namespace

TEST_CASE(registryTellsWhichPressesFireAHotkey)
{
    Win32HotkeyRegistry registry;
    registry.add(MOD_ALT, VK_F9);
    registry.add(MOD_ALT | MOD_SHIFT, VK_F9);
    registry.add(MOD_ALT, VK_F10);
    registry.add(MOD_CONTROL, VK_F12);

    const struct {
        unsigned held;
        int key;
        bool fires;
    } cases[] = {
        {MOD_ALT, VK_F9, true},
        {MOD_ALT | MOD_SHIFT, VK_F9, true},
        {MOD_ALT | MOD_CONTROL, VK_F9, false},
        {Modifier::Alt | Modifier::Win, VK_F9, false},
        {0, VK_F9, false},
        {MOD_SHIFT, VK_F9, false},
        {MOD_ALT, VK_F11, false},
        {MOD_ALT | MOD_SHIFT, VK_F10, false},
        {MOD_CONTROL, VK_F12, false}, // only Alt combinations are taken out of the recording
    };
    for (const auto &testCase : cases) {
        if (registry.firesOnPress(testCase.held, testCase.key) != testCase.fires)
            harness::fail(__FILE__, __LINE__,
                          "held " + std::to_string(testCase.held) + " key " + std::to_string(testCase.key));
    }

    registry.add(MOD_ALT, VK_F9);
    registry.remove(MOD_ALT, VK_F9);
    CHECK(registry.firesOnPress(MOD_ALT, VK_F9)); // one of the two registrations is left
    registry.remove(MOD_ALT, VK_F9);
    CHECK(!registry.firesOnPress(MOD_ALT, VK_F9));
    CHECK(registry.firesOnPress(MOD_ALT | MOD_SHIFT, VK_F9));
}

TEST_CASE(altF9FiresOnceAndItsPressIsNotRecorded)
{
    ProbeHook probe;
    auto registry = std::make_shared<Win32HotkeyRegistry>();
    Win32HotkeyCore hotkeys(registry);
    Fired fired;
    hotkeys.setHandler([&](unsigned modifiers, int key) { fired.emplace_back(modifiers, key); });
    REQUIRE(hotkeys.registerHotKey(0xC001, MOD_ALT, VK_F9));
    REQUIRE(hotkeys.registerHotKey(0xC002, MOD_ALT | MOD_SHIFT, VK_F9));
    Win32InputHook hook(registry);
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);

    // Handed to the core first, as the toolkit's event filter does.
    const auto filter = [&](const void *message) { return hotkeys.handleMessage(message); };
    press({kAlt}, VK_F9, kF9Scan);
    press({kAlt, kShift}, VK_F9, kF9Scan);
    REQUIRE(probe.settle(filter));
    pumpUntil([&] { return fired.size() >= 2; }, 2000, filter);
    hook.remove(handle);

    CHECK_EQUAL(show(fired), "1+120; 5+120; ");
    CHECK_EQUAL(describeKeys(recording.events), "260 56; 261 67; 257 56; 260 56; 260 42; 261 67; 261 42; 257 56; ");
    // The system itself still handed the press on.
    std::size_t f9Presses = 0;
    for (const Seen &seen : probe.seen())
        f9Presses += seen.virtualKey == VK_F9 && (seen.message == WM_SYSKEYDOWN || seen.message == WM_KEYDOWN);
    CHECK_EQUAL(f9Presses, std::size_t(2));
}

TEST_CASE(hotkeysArriveThroughPlainDispatchToo)
{
    ProbeHook probe;
    Win32HotkeyCore hotkeys(std::make_shared<Win32HotkeyRegistry>());
    Fired fired;
    hotkeys.setHandler([&](unsigned modifiers, int key) { fired.emplace_back(modifiers, key); });
    REQUIRE(hotkeys.registerHotKey(0xC003, MOD_ALT, VK_F10));
    press({kAlt}, VK_F10, kF10Scan);
    REQUIRE(probe.settle());
    pumpUntil([&] { return !fired.empty(); }, 2000);
    CHECK_EQUAL(show(fired), "1+121; ");
}

TEST_CASE(otherCombinationsFireNothingAndAreRecorded)
{
    ProbeHook probe;
    auto registry = std::make_shared<Win32HotkeyRegistry>();
    Win32HotkeyCore hotkeys(registry);
    Fired fired;
    hotkeys.setHandler([&](unsigned modifiers, int key) { fired.emplace_back(modifiers, key); });
    REQUIRE(hotkeys.registerHotKey(0xC004, MOD_ALT, VK_F9));
    Win32InputHook hook(registry);
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);
    const auto filter = [&](const void *message) { return hotkeys.handleMessage(message); };
    press({}, VK_F9, kF9Scan);
    press({kControl}, VK_F9, kF9Scan);
    press({kAlt}, VK_F10, kF10Scan);
    REQUIRE(probe.settle(filter));
    hook.remove(handle);

    CHECK_EQUAL(show(fired), "");
    CHECK_EQUAL(describeKeys(recording.events),
                "256 67; 257 67; 256 29; 256 67; 257 67; 257 29; 260 56; 260 68; 261 68; 257 56; ");
}

TEST_CASE(aHotkeyHeldByAnotherProgramIsIgnored)
{
    HotkeyHolder holder;
    REQUIRE(holder.started());
    ProbeHook probe;
    auto registry = std::make_shared<Win32HotkeyRegistry>();
    Win32HotkeyCore hotkeys(registry);
    Fired fired;
    hotkeys.setHandler([&](unsigned modifiers, int key) { fired.emplace_back(modifiers, key); });
    CHECK(!hotkeys.registerHotKey(0xC005, MOD_ALT, VK_F9));
    CHECK(hotkeys.registerHotKey(0xC006, MOD_ALT, VK_F10)); // the others still register
    Win32InputHook hook(registry);
    Recording recording;
    const HookHandle handle = hook.install(recording.proc());
    REQUIRE(handle != 0);
    const auto filter = [&](const void *message) { return hotkeys.handleMessage(message); };
    press({kAlt}, VK_F9, kF9Scan);
    REQUIRE(probe.settle(filter));
    hook.remove(handle);

    CHECK_EQUAL(show(fired), "");
    // Not ours, so its press is recorded like any key.
    CHECK_EQUAL(describeKeys(recording.events), "260 56; 260 67; 261 67; 257 56; ");
    CHECK_EQUAL(holder.stop(), DWORD(1)); // the holder got it
}

TEST_CASE(registrationsEndWithTheirOwner)
{
    auto registry = std::make_shared<Win32HotkeyRegistry>();
    {
        Win32HotkeyCore first(registry);
        REQUIRE(first.registerHotKey(0xC007, MOD_ALT, VK_F11));
        Win32HotkeyCore second(registry);
        CHECK(!second.registerHotKey(0xC008, MOD_ALT, VK_F11));
        CHECK(registry->firesOnPress(MOD_ALT, VK_F11));
    }
    CHECK(!registry->firesOnPress(MOD_ALT, VK_F11));
    Win32HotkeyCore third(registry);
    CHECK(third.registerHotKey(0xC009, MOD_ALT, VK_F11));
}
