#pragma once

#include "platform/Platform.h"

#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

// Platform fakes that record every call, so logic can be tested without a display.

class FakeInputHook : public InputHook
{
  public:
    HookHandle install(HookProc proc) override
    {
        calls << QStringLiteral("install");
        if (failInstall)
            return 0;
        this->proc = std::move(proc);
        installed = nextHandle++;
        return installed;
    }
    void remove(HookHandle handle) override
    {
        calls << QStringLiteral("remove %1").arg(handle);
        if (handle != 0 && handle == installed) {
            installed = 0;
            proc = nullptr;
        }
    }
    // Delivers one event as the desktop would while the hook is installed.
    void deliver(const EventMsg &event)
    {
        if (proc)
            proc(Hook::Action, event);
    }
    std::string lastError() const override { return failInstall ? "RECORD is switched off here" : ""; }
    void setPressWindows(bool on) override { pressWindows = on; }

    QStringList calls;
    bool pressWindows = false;
    HookProc proc;
    HookHandle installed = 0;
    HookHandle nextHandle = 1;
    bool failInstall = false;
};

class FakeInjector : public Injector
{
  public:
    void setCursorPos(int x, int y) override { calls << QStringLiteral("cursor %1 %2").arg(x).arg(y); }
    void placeCursorForButton(int x, int y) override
    {
        calls << QString::fromLatin1(placementsApart ? "place %1 %2" : "cursor %1 %2").arg(x).arg(y);
    }
    void checkCursorForButton(int x, int y) override
    {
        if (placementsApart)
            calls << QStringLiteral("check %1 %2").arg(x).arg(y);
    }
    void mouseEvent(std::uint32_t flags) override { calls << QStringLiteral("mouse %1").arg(flags); }
    void mouseWheel(std::int32_t delta, bool horizontal) override
    {
        calls << QStringLiteral("wheel %1 %2").arg(delta).arg(horizontal ? "horizontal" : "vertical");
    }
    void keybdEvent(int virtualKey, std::uint32_t flags) override
    {
        calls << QStringLiteral("key %1 %2").arg(virtualKey).arg(flags);
    }
    bool modifiersHeld() override
    {
        ++modifierQueries;
        if (modifiersHeldFor > 0) {
            --modifiersHeldFor;
            return true;
        }
        return false;
    }
    void flush() override
    {
        flushedCalls = int(calls.size());
        ++flushes;
    }
    // True when every event given so far has been flushed.
    bool allFlushed() const { return flushedCalls == calls.size(); }
    QStringList calls;
    int flushedCalls = 0; // how many of `calls` the last flush sent on
    int flushes = 0;
    int modifiersHeldFor = 0; // how many more queries report a held modifier
    int modifierQueries = 0;
    bool placementsApart = false; // log placeCursorForButton as "place", not as "cursor", and log checks
};

class FakeHotkeys : public Hotkeys
{
  public:
    struct Registration {
        int id;
        unsigned modifiers;
        int virtualKey;
    };
    bool registerHotKey(int id, unsigned modifiers, int virtualKey) override
    {
        registrations.push_back({id, modifiers, virtualKey});
        return !failAll;
    }
    void setHandler(std::function<void(unsigned, int)> h) override { handler = std::move(h); }
    void press(unsigned modifiers, int virtualKey)
    {
        if (handler)
            handler(modifiers, virtualKey);
    }

    std::vector<Registration> registrations;
    std::function<void(unsigned, int)> handler;
    bool failAll = false;
};

// Time passes only in sleepUntil, unless a test moves `micros` itself. `interrupt` runs inside the sleep that
// reaches `interruptAt`, as a stop from another thread or a signal would, and a wake() there ends that sleep.
class FakeClock : public Clock
{
  public:
    std::uint32_t tickCount() override { return std::uint32_t(micros / 1000); }
    std::int64_t monotonicMicros() override { return micros; }
    bool sleepUntil(std::int64_t deadline) override
    {
        const std::int64_t start = micros;
        if (!woken && interrupt && interruptAt >= micros && interruptAt < deadline) {
            micros = interruptAt;
            const std::function<void()> action = std::move(interrupt);
            interrupt = nullptr;
            action();
        }
        const bool reached = !woken;
        woken = false;
        if (reached && deadline > micros)
            micros = deadline;
        sleeps.push_back(micros - start);
        if (onSleep)
            onSleep();
        return reached;
    }
    void wake() override
    {
        ++wakes;
        woken = true;
    }
    std::int64_t micros = 0;
    std::vector<std::int64_t> sleeps; // microseconds of each sleepUntil
    std::function<void()> onSleep;    // runs after each sleep, as if the desktop acted meanwhile
    std::int64_t interruptAt = 0;
    std::function<void()> interrupt;
    bool woken = false; // a wake() not yet taken by a sleep
    int wakes = 0;
};

class FakeStopKeyWatch : public StopKeyWatch
{
  public:
    bool start(unsigned modifiers, int virtualKey, std::function<void()> onPress) override
    {
        calls << QStringLiteral("start %1 %2").arg(modifiers).arg(virtualKey);
        this->onPress = std::move(onPress);
        return true;
    }
    void stop() override
    {
        calls << QStringLiteral("stop");
        onPress = nullptr;
    }
    // The user presses the watched key, as the watch's own thread would report it.
    void press()
    {
        if (onPress)
            onPress();
    }
    QStringList calls;
    std::function<void()> onPress;
};

class FakeEndRequests : public EndRequests
{
  public:
    void setHandler(std::function<void()> handler) override { this->handler = std::move(handler); }
    // A request from outside arrives, as a signal would: the clock is woken and the handler runs at the next
    // round of events.
    void request(Clock &clock)
    {
        QTimer::singleShot(0, [this] {
            if (handler)
                handler();
        });
        clock.wake();
    }
    std::function<void()> handler;
};

// Top-level windows as plain rectangles of their client areas, the topmost first.
class FakeDesktopWindows : public DesktopWindows
{
  public:
    TopLevelWindow windowAt(int x, int y) override
    {
        calls << QStringLiteral("at %1 %2").arg(x).arg(y);
        for (const TopLevelWindow &window : windows) {
            if (x >= window.x && x < window.x + window.width && y >= window.y && y < window.y + window.height)
                return window;
        }
        return TopLevelWindow();
    }
    std::vector<TopLevelWindow> find(const std::string &windowClass, const std::string &instance) override
    {
        ++finds;
        if (onFind)
            onFind();
        std::vector<TopLevelWindow> found;
        for (const TopLevelWindow &window : windows) {
            if (window.windowClass == windowClass && window.instance == instance)
                found.push_back(window);
        }
        return found;
    }
    void activate(std::uintptr_t handle) override
    {
        calls << QStringLiteral("activate %1").arg(handle);
        for (std::size_t i = 0; i < windows.size(); ++i) {
            if (windows[i].handle == handle) {
                const TopLevelWindow window = windows[i];
                windows.erase(windows.begin() + std::ptrdiff_t(i));
                windows.insert(windows.begin(), window);
                return;
            }
        }
    }
    std::vector<TopLevelWindow> windows; // the topmost first
    QStringList calls;
    int finds = 0;
    std::function<void()> onFind; // runs at each search, before it looks
};

// A Platform whose parts are fakes, with typed access to them.
struct FakePlatform {
    FakePlatform()
    {
        auto h = std::make_unique<FakeInputHook>();
        auto i = std::make_unique<FakeInjector>();
        auto k = std::make_unique<FakeHotkeys>();
        auto c = std::make_unique<FakeClock>();
        auto s = std::make_unique<FakeStopKeyWatch>();
        auto e = std::make_unique<FakeEndRequests>();
        auto w = std::make_unique<FakeDesktopWindows>();
        windows = w.get();
        platform.windows = std::move(w);
        hook = h.get();
        injector = i.get();
        hotkeys = k.get();
        clock = c.get();
        stopKeys = s.get();
        endRequests = e.get();
        platform.inputHook = std::move(h);
        platform.injector = std::move(i);
        platform.hotkeys = std::move(k);
        platform.clock = std::move(c);
        platform.stopKeyWatch = std::move(s);
        platform.endRequests = std::move(e);
    }
    Platform platform;
    FakeInputHook *hook;
    FakeInjector *injector;
    FakeHotkeys *hotkeys;
    FakeClock *clock;
    FakeStopKeyWatch *stopKeys;
    FakeEndRequests *endRequests;
    FakeDesktopWindows *windows;
};
