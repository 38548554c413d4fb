#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// What the program needs from the desktop, in the terms of the Windows calls it was designed around, so
// that the commands read the same on every backend. One backend is compiled in; tests use fakes.

// Message numbers of input event records.
namespace InputMessage
{
constexpr std::uint32_t KeyDown = 256;    // WM_KEYDOWN
constexpr std::uint32_t KeyUp = 257;      // WM_KEYUP
constexpr std::uint32_t SysKeyDown = 260; // WM_SYSKEYDOWN, a key pressed while Alt is held
constexpr std::uint32_t SysKeyUp = 261;   // WM_SYSKEYUP
constexpr std::uint32_t MouseMove = 512;
constexpr std::uint32_t LButtonDown = 513;
constexpr std::uint32_t LButtonUp = 514;
constexpr std::uint32_t LButtonDblClk = 515;
constexpr std::uint32_t RButtonDown = 516;
constexpr std::uint32_t RButtonUp = 517;
constexpr std::uint32_t RButtonDblClk = 518;
constexpr std::uint32_t MButtonDown = 519;
constexpr std::uint32_t MButtonUp = 520;
constexpr std::uint32_t MButtonDblClk = 521;
constexpr std::uint32_t MouseWheel = 522;
constexpr std::uint32_t XButtonDown = 523;
constexpr std::uint32_t XButtonUp = 524;
constexpr std::uint32_t MouseHWheel = 526; // WM_MOUSEHWHEEL, a tilt of the wheel
} // namespace InputMessage

struct TopLevelWindow;

// One input event as the recorder sees it. For keys paramH is the scan code (plus 32768 for extended
// keys); for the mouse paramL/paramH are the screen X/Y (signed values stored in 32 bits).
struct EventMsg {
    std::uint32_t message = 0;
    std::uint32_t paramL = 0;
    std::uint32_t paramH = 0;
    std::uint32_t time = 0; // milliseconds, the clock of TickCount
    // MouseWheel and MouseHWheel: the turn in Windows' units, 120 per notch, positive away from the user or
    // to the right.
    std::int32_t wheelDelta = 0;
    // Left, right and middle button presses while the hook names windows (InputHook::setPressWindows): the
    // top-level window under the pointer as the button went down, handle 0 for the desktop itself. Null
    // otherwise, and from a backend that cannot tell.
    std::shared_ptr<const TopLevelWindow> window = nullptr;
};

// Hook codes handed to the recorder (HC_*); only Action carries an event to record.
namespace Hook
{
constexpr int Action = 0;
} // namespace Hook

using HookHandle = std::uintptr_t; // 0: none
using HookProc = std::function<void(int code, const EventMsg &event)>;

// Global input capture.
class InputHook
{
  public:
    virtual ~InputHook() = default;
    // Starts delivering every keyboard and mouse event of the desktop to `proc`, on the GUI thread and in
    // input order; returns 0 when capture cannot start. A key press that fires one of our hotkeys is not
    // delivered; its release is.
    virtual HookHandle install(HookProc proc) = 0;
    /// Why the last install() returned 0, in words (the X error, the system's error text); empty after one
    /// that worked.
    virtual std::string lastError() const { return {}; }
    // Delivers the events up to this moment, then stops; none arrive afterwards. 0 is accepted.
    virtual void remove(HookHandle handle) = 0;
    /// From the next install() on, button presses name the window under the pointer as of the event's time
    /// (EventMsg::window), where the backend can tell; off, nothing is spent on windows.
    virtual void setPressWindows(bool on) { static_cast<void>(on); }
};

// Mouse event flags (MOUSEEVENTF_*).
namespace MouseEventFlag
{
constexpr std::uint32_t LeftDown = 0x0002;
constexpr std::uint32_t LeftUp = 0x0004;
constexpr std::uint32_t RightDown = 0x0008;
constexpr std::uint32_t RightUp = 0x0010;
constexpr std::uint32_t MiddleDown = 0x0020;
constexpr std::uint32_t MiddleUp = 0x0040;
constexpr std::uint32_t Absolute = 0x8000;
} // namespace MouseEventFlag

// Key event flags (KEYEVENTF_*).
namespace KeyEventFlag
{
constexpr std::uint32_t ExtendedKey = 1;
constexpr std::uint32_t KeyUp = 2;
} // namespace KeyEventFlag

// Synthetic input on the whole desktop.
class Injector
{
  public:
    virtual ~Injector() = default;
    /// Places the cursor at screen pixel (x, y).
    virtual void setCursorPos(int x, int y) = 0;
    /// Places the cursor at (x, y) for the button event that follows. A backend whose desktop reports a
    /// motion even for a pointer put where it already is leaves it alone then, so that a replay sends no
    /// motion its script does not hold.
    virtual void placeCursorForButton(int x, int y) { setCursorPos(x, y); }
    /// Said shortly before a placeCursorForButton(x, y) is due: a backend that must ask the desktop where
    /// the pointer is asks now, so that the button event does not wait for the answer. The answer serves
    /// the next placement at (x, y) if nothing moves the cursor before it.
    virtual void checkCursorForButton(int /*x*/, int /*y*/) {}
    /// Presses or releases a mouse button at the cursor (MouseEventFlag values).
    virtual void mouseEvent(std::uint32_t flags) = 0;
    /// Turns the wheel at the cursor by `delta` (120 per notch, positive away from the user), or tilts it
    /// (`horizontal`, positive to the right). A desktop that knows only whole notches keeps the rest of a
    /// part notch for the next turn.
    virtual void mouseWheel(std::int32_t delta, bool horizontal) = 0;
    /// Presses (flags 0) or releases (KeyEventFlag::KeyUp) the key of a virtual-key code; with
    /// KeyEventFlag::ExtendedKey the right-hand key of VK_MENU (AltGr) and VK_CONTROL.
    virtual void keybdEvent(int virtualKey, std::uint32_t flags) = 0;
    /// True while a modifier key (Shift, Ctrl, Alt, AltGr, the logo keys) is down on the keyboard.
    virtual bool modifiersHeld() = 0;
    /// Sends the events given so far on their way; a backend may hold them back until then.
    virtual void flush() = 0;
};

// Modifier bits of a hotkey (MOD_*).
namespace Modifier
{
constexpr unsigned Alt = 1;
constexpr unsigned Control = 2;
constexpr unsigned Shift = 4;
constexpr unsigned Win = 8;
} // namespace Modifier

// System-wide hotkeys.
class Hotkeys
{
  public:
    virtual ~Hotkeys() = default;
    /// Registers (modifiers, virtual key) under `id`; false when another program holds it.
    virtual bool registerHotKey(int id, unsigned modifiers, int virtualKey) = 0;
    /// Why the last registerHotKey() returned false, in words; empty after one that worked.
    virtual std::string lastError() const { return {}; }
    /// Receives (modifiers, virtual key) of each registered hotkey pressed, on the GUI thread.
    virtual void setHandler(std::function<void(unsigned modifiers, int virtualKey)> handler) = 0;
};

// Watches the keyboard for one key pressed by the user together with exactly the given modifiers, however the
// desktop is grabbed (an open menu of another program holds the keyboard) and whatever keys our own injection
// holds down: those are not the user's. Lock keys do not count as modifiers.
class StopKeyWatch
{
  public:
    virtual ~StopKeyWatch() = default;
    /// Starts watching for `virtualKey` with `modifiers` (Modifier bits); `onPress` runs on a thread of the
    /// watch, at most once per start. False when the watch cannot start.
    virtual bool start(unsigned modifiers, int virtualKey, std::function<void()> onPress) = 0;
    /// Why the last start() returned false, in words; empty after one that worked.
    virtual std::string lastError() const { return {}; }
    /// Stops watching; `onPress` does not run once this has returned.
    virtual void stop() = 0;
};

// The clock input events carry, and a finer monotonic one for pacing playback.
class Clock
{
  public:
    virtual ~Clock() = default;
    /// Milliseconds on the clock that input events carry; wraps at 2^32.
    virtual std::uint32_t tickCount() = 0;
    /// Microseconds on a monotonic clock that never wraps in practice.
    virtual std::int64_t monotonicMicros() = 0;
    /// Blocks the calling thread until monotonicMicros() reaches `deadline` and returns true; returns false
    /// as soon as wake() is called meanwhile (or was called since the last sleep ended).
    virtual bool sleepUntil(std::int64_t deadline) = 0;
    /// Cuts the sleep in progress short, or the next one if none is; callable from any thread and from a
    /// signal handler.
    virtual void wake() = 0;
};

// Requests from outside the program to end it (on X11: SIGTERM, SIGINT and SIGHUP). A request also wakes the
// clock's sleep, so that a playback waiting out a long delay lets the handler run at once.
class EndRequests
{
  public:
    virtual ~EndRequests() = default;
    /// Runs `handler` on the GUI thread for each request from now on.
    virtual void setHandler(std::function<void()> handler) = 0;
};

// A top-level window as a recording names it and a replay finds it again. Texts are UTF-8.
struct TopLevelWindow {
    std::uintptr_t handle = 0; // 0: none, the screen itself
    std::string windowClass;   // X11: the class of WM_CLASS; Windows: the window class
    std::string instance;      // X11: the instance of WM_CLASS; Windows: the file name of its program
    std::string title;
    int x = 0; // the client area in screen pixels
    int y = 0;
    int width = 0;
    int height = 0;
};

// The desktop's top-level windows.
class DesktopWindows
{
  public:
    virtual ~DesktopWindows() = default;
    /// The viewable top-level window that holds screen point (x, y); handle 0 on the desktop itself.
    virtual TopLevelWindow windowAt(int x, int y) = 0;
    /// The viewable top-level windows of this class and instance, the topmost first.
    virtual std::vector<TopLevelWindow> find(const std::string &windowClass, const std::string &instance) = 0;
    /// Raises the window and gives it the focus, as far as the desktop lets a program do so.
    virtual void activate(std::uintptr_t handle) = 0;
};

struct Platform {
    std::unique_ptr<InputHook> inputHook;
    std::unique_ptr<Injector> injector;
    std::unique_ptr<Hotkeys> hotkeys;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<StopKeyWatch> stopKeyWatch; // null where the backend has none
    std::unique_ptr<EndRequests> endRequests;   // null where the backend has none
    std::unique_ptr<DesktopWindows> windows;    // null where the backend has none
};

// The backend of this build, connected to the desktop; throws std::runtime_error when there is none.
std::unique_ptr<Platform> createPlatform();
