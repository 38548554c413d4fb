// Playback timing: plays a generated script into the X server through the real backend while an
// independent client watches through RECORD what arrives and when (CLOCK_MONOTONIC receive times).
// Starts its own Xvfb. Arguments: [rows] [speed percent] [rows with every delay 0].
//
// The paced rows are played four ways: by the engine alone; as `tapsmith --play` plays them
// (CommandLinePlayback: the stop key watch, the end-request handler); as the window's Play does
// (TFmain::ToolButton3Click: the tray icon and its progress tooltip, the hotkeys, the watch); and by the
// program itself, `tapsmith --play FILE` run as a process of its own. Each way in this process also
// reports, from a trace of the clock and the injector, where the late rows lost their time: in the work
// before their wait (the wait began after its deadline), in the wait itself (the sleep woke late), or
// between the wake and the event leaving for the server.

#include "CpuTime.h"
#include "app/CommandLinePlayback.h"
#include "app/TFmain.h"
#include "app/UpdateSettings.h"
#include "core/FileSystem.h"
#include "fakes/FakeDesktop.h"
#include "platform/Platform.h"
#include "platform/SystemFileSystem.h"
#include "platform/XRecordObserver.h"
#include "play/PlaybackEngine.h"
#include "play/StopRequest.h"
#include "script/ScriptFile.h"
#include "script/ScriptTable.h"

#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include <csignal>
#include <string>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace
{

constexpr int kClickEvery = 50; // a click or a key (down, then up) after every 50 moves
constexpr int kKeycodeA = 38;

struct Expected {
    int type;
    unsigned detail;
    int x;
    int y;
    std::int64_t delayMicros; // scaled, before this event
};

// Moves 1..20 ms apart along a path that never repeats a point; every so often a left click or a key A
// press and release 30..200 ms apart.
std::vector<Expected> generate(ScriptTable &table, int rows, int percent, bool zeroDelays)
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> moveDelay(1, 20);
    std::uniform_int_distribution<int> clickDelay(30, 200);
    std::vector<Expected> expected;
    int x = 100, y = 100;
    bool key = false;
    const auto add = [&](const char *action, const QByteArray &parameters, Expected event, int delay) {
        const int d = zeroDelays ? 0 : delay;
        event.delayMicros = std::int64_t(PlaybackEngine::scaledDelay(d, percent)) * 1000;
        table.appendToLastRow(QByteArrayView(action), QByteArray(parameters + ';' + QByteArray::number(d)));
        expected.push_back(event);
    };
    for (int row = 0; row < rows;) {
        if ((row + 1) % (kClickEvery + 2) == 0 && row + 2 <= rows) {
            const QByteArray at = QByteArray::number(x) + ';' + QByteArray::number(y);
            if (key) {
                add("KeyDown()", "VK_A;30", {KeyPress, kKeycodeA, 0, 0, 0}, clickDelay(random));
                add("KeyUp()", "VK_A;30", {KeyRelease, kKeycodeA, 0, 0, 0}, clickDelay(random));
            } else {
                add("LDown()", at, {ButtonPress, 1, x, y, 0}, clickDelay(random));
                add("LUp()", at, {ButtonRelease, 1, x, y, 0}, clickDelay(random));
            }
            key = !key;
            row += 2;
            continue;
        }
        x = 100 + (row * 7) % 1000;
        y = 100 + (row * 7) / 1000 % 800;
        add("Move()", QByteArray::number(x) + ';' + QByteArray::number(y), {MotionNotify, 0, x, y, 0},
            moveDelay(random));
        ++row;
    }
    return expected;
}

// The observed events that answer the rows: motions that stay in place (placing the cursor before a
// click) are not counted.
std::vector<XRecordObserver::Event> relevant(const std::vector<XRecordObserver::Event> &events)
{
    std::vector<XRecordObserver::Event> kept;
    int x = -1, y = -1;
    for (const auto &event : events) {
        if (event.type == MotionNotify) {
            if (event.x == x && event.y == y)
                continue;
            x = event.x;
            y = event.y;
        } else if ((event.type == KeyPress || event.type == KeyRelease) && event.detail != unsigned(kKeycodeA)) {
            continue;
        }
        kept.push_back(event);
    }
    return kept;
}

bool matches(const Expected &want, const XRecordObserver::Event &got)
{
    if (want.type != got.type || want.detail != got.detail)
        return false;
    return want.type == KeyPress || want.type == KeyRelease || (want.x == got.x && want.y == got.y);
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t index = std::min(values.size() - 1, std::size_t(std::ceil(p * double(values.size())) - 1));
    return values[index];
}

// The clock and the injector of the platform, wrapped to note when each wait began, was due and ended,
// and when each event was handed to the injector and flushed.
struct Trace {
    struct Sleep {
        std::int64_t deadline, entered, returned;
        bool completed;
    };
    std::vector<Sleep> sleeps;
    std::vector<std::int64_t> events;     // when each mouse or key event was handed over
    std::vector<std::size_t> sleepBefore; // per event: the number of sleeps begun before it
    std::vector<std::int64_t> flushes;
    std::vector<std::int64_t> placements; // per placeCursorForButton: how long it took
    bool on = false;
    void clear()
    {
        sleeps.clear();
        events.clear();
        sleepBefore.clear();
        flushes.clear();
        placements.clear();
    }
};

class TracingClock : public Clock
{
  public:
    TracingClock(std::unique_ptr<Clock> clock, Trace &trace) : m_clock(std::move(clock)), m_trace(trace) {}
    std::uint32_t tickCount() override { return m_clock->tickCount(); }
    std::int64_t monotonicMicros() override { return m_clock->monotonicMicros(); }
    bool sleepUntil(std::int64_t deadline) override
    {
        const std::int64_t entered = m_clock->monotonicMicros();
        const bool completed = m_clock->sleepUntil(deadline);
        if (m_trace.on)
            m_trace.sleeps.push_back({deadline, entered, m_clock->monotonicMicros(), completed});
        return completed;
    }
    void wake() override { m_clock->wake(); }
    Clock &inner() { return *m_clock; }

  private:
    std::unique_ptr<Clock> m_clock;
    Trace &m_trace;
};

class TracingInjector : public Injector
{
  public:
    TracingInjector(std::unique_ptr<Injector> injector, Clock &clock, Trace &trace)
        : m_injector(std::move(injector)), m_clock(clock), m_trace(trace)
    {
    }
    void setCursorPos(int x, int y) override
    {
        note();
        m_injector->setCursorPos(x, y);
    }
    void placeCursorForButton(int x, int y) override
    {
        note();
        m_injector->placeCursorForButton(x, y);
        if (m_trace.on)
            m_trace.placements.push_back(m_clock.monotonicMicros() - m_trace.events.back());
    }
    void checkCursorForButton(int x, int y) override { m_injector->checkCursorForButton(x, y); }
    void mouseEvent(std::uint32_t flags) override
    {
        note();
        m_injector->mouseEvent(flags);
    }
    void mouseWheel(std::int32_t delta, bool horizontal) override
    {
        note();
        m_injector->mouseWheel(delta, horizontal);
    }
    void keybdEvent(int virtualKey, std::uint32_t flags) override
    {
        note();
        m_injector->keybdEvent(virtualKey, flags);
    }
    bool modifiersHeld() override { return m_injector->modifiersHeld(); }
    // Noted as the flush begins: that is when the requests are handed to the kernel for the server. The
    // write may return later, when the woken server has been run on this thread's processor first.
    void flush() override
    {
        if (m_trace.on)
            m_trace.flushes.push_back(m_clock.monotonicMicros());
        m_injector->flush();
    }

  private:
    void note()
    {
        if (!m_trace.on)
            return;
        m_trace.events.push_back(m_clock.monotonicMicros());
        m_trace.sleepBefore.push_back(m_trace.sleeps.size());
    }
    std::unique_ptr<Injector> m_injector;
    Clock &m_clock;
    Trace &m_trace;
};

Trace g_trace;

// Where the late events lost their time. An event that follows a completed sleep is due at that sleep's
// deadline; its lateness is split into the work before the sleep that ran past the deadline, the sleep's
// own overshoot, the time from the wake to the event, and the time until the flush that sent it.
void reportTrace(const Trace &trace)
{
    struct Late {
        double total, before, overshoot, afterWake, unflushed;
    };
    std::vector<Late> late;
    std::size_t lastSleep = 0;
    for (std::size_t i = 0; i < trace.events.size(); ++i) {
        const std::size_t sleepsBefore = trace.sleepBefore[i];
        if (sleepsBefore == 0 || sleepsBefore == lastSleep)
            continue; // not the first event after a wait
        lastSleep = sleepsBefore;
        const Trace::Sleep &sleep = trace.sleeps[sleepsBefore - 1];
        if (!sleep.completed)
            continue;
        const auto flushed = std::lower_bound(trace.flushes.begin(), trace.flushes.end(), trace.events[i]);
        const std::int64_t sent = flushed == trace.flushes.end() ? trace.events[i] : *flushed;
        const std::int64_t start = std::max(sleep.entered, sleep.deadline);
        late.push_back({double(sent - sleep.deadline) / 1000.0,
                        double(std::max<std::int64_t>(0, sleep.entered - sleep.deadline)) / 1000.0,
                        double(sleep.returned - start) / 1000.0, double(trace.events[i] - sleep.returned) / 1000.0,
                        double(sent - trace.events[i]) / 1000.0});
    }
    if (late.empty())
        return;
    const auto column = [&late](double Late::*field) {
        std::vector<double> values;
        for (const Late &entry : late)
            values.push_back(entry.*field);
        return values;
    };
    std::printf("  in the player (ms after the deadline, %zu waits): sent p99 %.3f max %.3f; of which work before "
                "the wait p99 %.3f max %.3f, the sleep's overshoot p99 %.3f max %.3f, wake to event p99 %.3f max "
                "%.3f, event to flush p99 %.3f max %.3f\n",
                late.size(), percentile(column(&Late::total), 0.99), percentile(column(&Late::total), 1.0),
                percentile(column(&Late::before), 0.99), percentile(column(&Late::before), 1.0),
                percentile(column(&Late::overshoot), 0.99), percentile(column(&Late::overshoot), 1.0),
                percentile(column(&Late::afterWake), 0.99), percentile(column(&Late::afterWake), 1.0),
                percentile(column(&Late::unflushed), 0.99), percentile(column(&Late::unflushed), 1.0));
    int lateOverMs = 0;
    for (const Late &entry : late)
        lateOverMs += entry.total > 1.0 ? 1 : 0;
    std::printf("  waits sent more than 1 ms late: %d\n", lateOverMs);
    std::vector<double> placements;
    for (const std::int64_t micros : trace.placements)
        placements.push_back(double(micros) / 1000.0);
    if (!placements.empty())
        std::printf("  placing the cursor for a button row (ms, %zu rows): median %.3f, p99 %.3f, max %.3f\n",
                    placements.size(), percentile(placements, 0.5), percentile(placements, 0.99),
                    percentile(placements, 1.0));
}

// User plus system CPU time of the X server so far, in seconds; 0 when it is not our own.
pid_t g_serverPid = -1;
double serverCpuSeconds()
{
    if (g_serverPid <= 0)
        return 0;
    std::FILE *stat = std::fopen(("/proc/" + std::to_string(g_serverPid) + "/stat").c_str(), "r");
    if (stat == nullptr)
        return 0;
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, stat) != nullptr;
    std::fclose(stat);
    // Fields 14 and 15 (utime, stime) follow the command name in parentheses.
    const char *rest = read ? std::strrchr(line, ')') : nullptr;
    unsigned long user = 0, system = 0;
    if (rest == nullptr ||
        std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) != 2)
        return 0;
    return double(user + system) / double(sysconf(_SC_CLK_TCK));
}

// The injector may hold events back until a flush: the rate counts up to the moment the server has taken in
// the last of them. modifiersHeld() is a round trip on the injector's own connection, so it returns after
// the server handled every request sent before it.
void waitUntilHandled(Injector &injector)
{
    injector.flush();
    injector.modifiersHeld();
}

// Rows with every delay 0 and nobody recording: what the player itself can inject.
void burstUnwatched(Platform &platform, int rows)
{
    ScriptTable table;
    table.setRows(2);
    generate(table, rows, 100, true);
    const StopRequest stop;
    PlaybackEngine engine(table, *platform.injector, *platform.clock, stop,
                          {[] { return 100; }, [] { return 0; }, [] { QCoreApplication::processEvents(); }, 1000});
    const double cpuBefore = cpuSeconds();
    const double serverBefore = serverCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    engine.run(1, 0, 0);
    waitUntilHandled(*platform.injector);
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    std::printf("  unwatched: %.0f events injected per second, %.2f us CPU per event here, %.2f us in the "
                "X server\n",
                double(rows) / seconds, (cpuSeconds() - cpuBefore) * 1e6 / rows,
                (serverCpuSeconds() - serverBefore) * 1e6 / rows);
}

enum class Path { Engine, CommandLine, Window, Process };

// Plays `table` as the engine alone or as `tapsmith --play` does (from a file saved for it).
void runPath(Platform &platform, Path path, int percent, ScriptTable &table)
{
    if (path == Path::Engine) {
        const StopRequest stop;
        PlaybackEngine engine(
            table, *platform.injector, *platform.clock, stop,
            {[percent] { return percent; }, [] { return 0; }, [] { QCoreApplication::processEvents(); }, 1000});
        engine.run(1, 0, 0);
        return;
    }
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("bench.tpx"));
    saveScript(table, file);
    if (path == Path::Process) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(TAPSMITH_EXECUTABLE),
                      {QStringLiteral("--play"), file, QStringLiteral("--speed"), QString::number(percent)});
        if (!program.waitForFinished(-1) || program.exitStatus() != QProcess::NormalExit || program.exitCode() != 0)
            std::printf("  %s --play ended with status %d\n", TAPSMITH_EXECUTABLE, program.exitCode());
        return;
    }
    CommandLine::Play settings;
    settings.speed = percent;
    CommandLinePlayback::run(platform, file, settings, HotkeyBindings().binding(HotkeyBindings::Stop), stdout, stderr);
}

void play(Platform &platform, XRecordObserver &observer, int rows, int percent, bool zeroDelays,
          Path path = Path::Engine)
{
    ScriptTable ownTable;
    std::unique_ptr<FakeDesktop> desktop;
    std::unique_ptr<TFmain> window;
    if (path == Path::Window) {
        desktop = std::make_unique<FakeDesktop>();
        window = std::make_unique<TFmain>(platform, *desktop, UpdateSettings());
        window->TrackBar1->setValue(percent);
        window->show();
        QCoreApplication::processEvents();
    }
    ScriptTable &table = window ? *window->Script : ownTable;
    table.setRows(2);
    const std::vector<Expected> expected = generate(table, rows, percent, zeroDelays);
    observer.clear();
    if (!observer.start()) {
        std::printf("  RECORD is missing\n");
        return;
    }
    const double cpuBefore = cpuSeconds() + cpuSeconds(RUSAGE_CHILDREN);
    const double serverBefore = serverCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    g_trace.clear();
    g_trace.on = true;
    if (window)
        window->ToolButton3Click();
    else
        runPath(platform, path, percent, table);
    g_trace.on = false;
    waitUntilHandled(*platform.injector);
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() + cpuSeconds(RUSAGE_CHILDREN) - cpuBefore;
    const double serverCpu = serverCpuSeconds() - serverBefore;
    // The last events went out on the player's own connection: let the server take them in first.
    QThread::msleep(100);
    observer.stop();
    const std::vector<XRecordObserver::Event> all = observer.events();
    const std::vector<XRecordObserver::Event> seen = relevant(all);
    const auto isMotion = [](const auto &event) { return event.type == MotionNotify; };
    const auto motionsSent = std::count_if(all.cbegin(), all.cend(), isMotion);
    const auto moveRows = std::count_if(expected.cbegin(), expected.cend(), isMotion);

    // Walk both lists in order; an expected event without its match is lost.
    std::size_t matched = 0, s = 0, lostKeysAndButtons = 0;
    std::vector<std::pair<std::size_t, std::size_t>> pairs; // expected index, seen index
    for (std::size_t e = 0; e < expected.size(); ++e) {
        std::size_t look = s;
        while (look < seen.size() && look < s + 4 && !matches(expected[e], seen[look]))
            ++look;
        if (look < seen.size() && matches(expected[e], seen[look])) {
            pairs.emplace_back(e, look);
            s = look + 1;
            ++matched;
        } else if (expected[e].type != MotionNotify) {
            ++lostKeysAndButtons;
        }
    }
    std::printf("  rows %d, events expected %zu, seen %zu, lost %zu (keys and buttons %zu)\n", rows, expected.size(),
                seen.size(), expected.size() - matched, lostKeysAndButtons);
    if (!zeroDelays)
        std::printf("  pointer motions sent %td for %td Move rows\n", motionsSent, moveRows);
    if (zeroDelays) {
        std::printf("  all delays 0: %.0f events injected per second (%.3f s); CPU per event %.2f us here (the "
                    "observer's thread included), %.2f us in the X server\n",
                    double(rows) / seconds, seconds, cpu * 1e6 / rows, serverCpu * 1e6 / rows);
        return;
    }
    if (pairs.size() < 2)
        return;
    std::vector<double> errors;
    std::vector<double> serverErrors; // by the X server's own time stamps, in whole milliseconds
    for (std::size_t i = 1; i < pairs.size(); ++i) {
        const auto [e, k] = pairs[i];
        const auto [pe, pk] = pairs[i - 1];
        if (e != pe + 1)
            continue; // an event was lost between them
        const double interval = double(seen[k].receivedMicros - seen[pk].receivedMicros);
        errors.push_back(std::fabs(interval - double(expected[e].delayMicros)) / 1000.0);
        const double serverInterval = double(std::int32_t(seen[k].serverTime - seen[pk].serverTime));
        serverErrors.push_back(std::fabs(serverInterval - std::round(double(expected[e].delayMicros) / 1000.0)));
    }
    std::int64_t intended = 0;
    for (std::size_t e = pairs.front().first + 1; e <= pairs.back().first; ++e)
        intended += expected[e].delayMicros;
    const std::int64_t actual = seen[pairs.back().second].receivedMicros - seen[pairs.front().second].receivedMicros;
    std::printf("  interval error (ms): median %.3f, p99 %.3f, max %.3f over %zu intervals\n", percentile(errors, 0.5),
                percentile(errors, 0.99), percentile(errors, 1.0), errors.size());
    // The server stamps events in whole milliseconds: an exact replay reads 0 or 1 here, never more.
    std::printf("  interval error by the server's time stamps (ms): median %.0f, p99 %.0f, max %.0f\n",
                percentile(serverErrors, 0.5), percentile(serverErrors, 0.99), percentile(serverErrors, 1.0));
    // Each event against the schedule by the server's stamps: how much later than the run's usual offset the
    // server took it in. Beside the player's "sent" figures below, this tells the part of a late row that
    // came after the request had left the player.
    std::vector<double> lateness;
    std::int64_t due = 0;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const auto [e, k] = pairs[i];
        for (std::size_t between = i == 0 ? e : pairs[i - 1].first + 1; i > 0 && between <= e; ++between)
            due += expected[between].delayMicros;
        lateness.push_back(double(std::int32_t(seen[k].serverTime - seen[pairs.front().second].serverTime)) -
                           double(due) / 1000.0);
    }
    const double usual = percentile(lateness, 0.5);
    for (double &late : lateness)
        late -= usual;
    std::printf("  lateness against the schedule by the server's time stamps (ms, past the median): p99 %.1f, "
                "max %.1f\n",
                percentile(lateness, 0.99), percentile(lateness, 1.0));
    std::printf("  run %.3f s, intended %.3f s, drift %+.3f ms (%+.4f %%)\n", double(actual) / 1e6,
                double(intended) / 1e6, double(actual - intended) / 1000.0,
                100.0 * double(actual - intended) / double(intended));
    std::printf("  CPU %.1f %% of a core in the player and this process (the observer's thread included), %.1f %% in "
                "the X server\n",
                100.0 * cpu / seconds, 100.0 * serverCpu / seconds);
    reportTrace(g_trace);
}

// Starts Xvfb on a free display for the life of the object and points DISPLAY at it; leaves DISPLAY as it
// is when Xvfb cannot start.
class PrivateServer
{
  public:
    PrivateServer()
    {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            close(ready[0]);
            const std::string fd = std::to_string(ready[1]);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            // -noreset: the probe below is the server's first client, and a server that resets when it
            // leaves refuses the next connection while it starts again.
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-screen", "0", "1280x1024x24", "-nolisten",
                   "tcp", static_cast<char *>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        // Xvfb writes the number, then a newline in a write of its own, and gives up if that one fails:
        // read both before closing.
        std::string number;
        char c = 0;
        while (m_pid > 0 && number.size() < 16 && read(ready[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(ready[0]);
        if (number.empty())
            return;
        const std::string display = ":" + number;
        // Wait until it takes connections: on a busy machine it may take several seconds.
        for (int attempt = 0; attempt < 300; ++attempt) {
            if (Display *probe = XOpenDisplay(display.c_str())) {
                XCloseDisplay(probe);
                break;
            }
            usleep(100000);
        }
        setenv("DISPLAY", display.c_str(), 1);
    }
    pid_t pid() const { return m_pid; }
    ~PrivateServer()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    PrivateServer(const PrivateServer &) = delete;
    PrivateServer &operator=(const PrivateServer &) = delete;

  private:
    pid_t m_pid = -1;
};

// What an anchor row costs: the search for its window among `count` top-level windows of the server (no
// window manager here, so the search walks the root's children), and the look at the point of a press.
void anchorLookup(Platform &platform, int count)
{
    Display *const display = XOpenDisplay(nullptr);
    if (display == nullptr || !platform.windows)
        return;
    std::vector<Window> windows;
    for (int i = 0; i < count; ++i) {
        const Window window =
            XCreateSimpleWindow(display, DefaultRootWindow(display), 10 * i, 10 * i, 200, 150, 0, 0, 0);
        XClassHint hint{const_cast<char *>(i == 0 ? "target" : "other"), const_cast<char *>("BenchWindow")};
        XSetClassHint(display, window, &hint);
        XStoreName(display, window, i == 0 ? "Target" : "Other");
        XMapWindow(display, window);
        windows.push_back(window);
    }
    XSync(display, False);
    constexpr int lookups = 500;
    const auto started = std::chrono::steady_clock::now();
    std::size_t found = 0;
    for (int i = 0; i < lookups; ++i)
        found += platform.windows->find("BenchWindow", "target").size();
    const auto searched = std::chrono::steady_clock::now();
    for (int i = 0; i < lookups; ++i)
        found += platform.windows->windowAt(5, 5).handle != 0 ? 1 : 0;
    const auto looked = std::chrono::steady_clock::now();
    const auto micros = [](auto from, auto to) {
        return double(std::chrono::duration_cast<std::chrono::microseconds>(to - from).count()) / lookups;
    };
    std::printf("anchor lookup among %d top-level windows: find %.1f us, window at a point %.1f us (%zu found)\n",
                count, micros(started, searched), micros(searched, looked), found);
    for (const Window window : windows)
        XDestroyWindow(display, window);
    XCloseDisplay(display);
}

} // namespace

int main(int argc, char **argv)
{
    // A server of our own, without a window manager: nothing else acts on the events, and keys go to the
    // root window where the observer hears them.
    const PrivateServer server;
    g_serverPid = server.pid();
    QApplication app(argc, argv);
    setFileSystem(createFileSystem());
    const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int percent = argc > 2 ? std::atoi(argv[2]) : 100;
    const int burstRows = argc > 3 ? std::atoi(argv[3]) : 100000;
    std::unique_ptr<Platform> platform;
    try {
        platform = createPlatform();
    } catch (const std::exception &error) {
        std::printf("bench_play: %s\n", error.what());
        return 1;
    }
    // Every path plays through the same traced clock and injector.
    auto clock = std::make_unique<TracingClock>(std::move(platform->clock), g_trace);
    Clock &innerClock = clock->inner();
    platform->injector = std::make_unique<TracingInjector>(std::move(platform->injector), innerClock, g_trace);
    platform->clock = std::move(clock);
    // The pointer starts away from the script's first point.
    if (Display *display = XOpenDisplay(nullptr)) {
        XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, 1, 1);
        XSync(display, False);
        XCloseDisplay(display);
    }
    // Each observer's connections go with it: the timing observer's listener on the root window would
    // otherwise go on receiving every played motion, costing the server as much as a second watcher.
    {
        XRecordObserver observer;
        std::printf("playback of %d generated rows at %d %%, watched through RECORD\n", rows, percent);
        play(*platform, observer, rows, percent, false);
        std::printf("the same rows as tapsmith --play plays them (stop key watch, end-request handler)\n");
        play(*platform, observer, rows, percent, false, Path::CommandLine);
        std::printf("the same rows as the window's Play plays them (tray progress, hotkeys, stop key watch)\n");
        play(*platform, observer, rows, percent, false, Path::Window);
        std::printf("the same rows played by the program, tapsmith --play FILE, as a process of its own\n");
        play(*platform, observer, rows, percent, false, Path::Process);
        std::printf("the same rows with every delay 0, watched as above\n");
        play(*platform, observer, burstRows, 100, true);
    }
    {
        XRecordObserver observer(nullptr, XRecordObserver::Delivery::Batched);
        std::printf("the same rows with every delay 0, watched by a plain RECORD client\n");
        play(*platform, observer, burstRows, 100, true);
    }
    burstUnwatched(*platform, burstRows);
    anchorLookup(*platform, 30);
    return 0;
}
