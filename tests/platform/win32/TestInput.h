#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What the tests drive and watch input with: a test-side injector whose events carry no tag (so our hook
// captures them, as it would the user's), an independent low-level hook that sees every event with its
// raw flags, and a message pump.
namespace testinput
{

/// Key event by virtual key and scan code, untagged; `flags` are KEYEVENTF_ values.
void sendKey(int virtualKey, int scanCode, std::uint32_t flags);
/// Press and release of a key by virtual key alone, untagged.
void tapKey(int virtualKey);
/// Mouse event, untagged; `flags` are MOUSEEVENTF_ values.
void sendMouse(std::uint32_t flags, int dx = 0, int dy = 0, std::uint32_t data = 0);
/// An absolute move to screen pixel (x, y) in the normalised units of SendInput.
void moveTo(int x, int y);

/// Pumps the thread's messages until `done` holds or `timeoutMs` passes; returns `done()`. `filter`, when
/// given, sees each message first and swallows it by returning true (as a toolkit's event filter would).
bool pumpUntil(const std::function<bool()> &done, int timeoutMs = 5000,
               const std::function<bool(const void *message)> &filter = {});

/// One event as a low-level hook saw it.
struct Seen {
    bool keyboard = false;
    std::uint32_t message = 0;
    std::uint32_t virtualKey = 0; // keyboard
    std::uint32_t scanCode = 0;   // keyboard
    std::uint32_t flags = 0;      // LLKHF_ / LLMHF_ values
    std::uintptr_t extraInfo = 0;
    int x = 0; // mouse
    int y = 0;
};

// A second low-level keyboard and mouse hook, independent of the backend.
class ProbeHook
{
  public:
    ProbeHook();
    ~ProbeHook();
    ProbeHook(const ProbeHook &) = delete;
    ProbeHook &operator=(const ProbeHook &) = delete;

    const std::vector<Seen> &seen() const { return m_seen; }
    void clear() { m_seen.clear(); }
    /// Injects a marker key and pumps until this hook has seen it and the queue is empty, so every
    /// event injected before has been through every hook and handed on. False when it never came.
    bool settle(const std::function<bool(const void *message)> &filter = {});

  private:
    friend struct ProbeAccess;
    std::vector<Seen> m_seen;
    void *m_keyboard = nullptr;
    void *m_mouse = nullptr;
};

/// The virtual key of the marker that settle() injects; tests leave it out of what they compare.
constexpr int markerKey = 0x87; // VK_F24

/// Events as "message paramL paramH" lines, marker keys left out; times are not compared.
std::string describe(const std::vector<EventMsg> &events);
/// Key events as "message scanCode" lines, marker keys left out.
std::string describeKeys(const std::vector<EventMsg> &events);

// Collects what the backend's input hook delivers.
struct Recording {
    std::vector<EventMsg> events;
    HookProc proc()
    {
        return [this](int code, const EventMsg &event) {
            if (code == Hook::Action)
                events.push_back(event);
        };
    }
};

} // namespace testinput
