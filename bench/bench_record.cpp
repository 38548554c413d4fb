// Recording throughput: a child process types through XTEST while this process records every event into
// a script table through the X11 input hook. Needs DISPLAY set to a private X server.

#include "CpuTime.h"
#include "ProcessMemory.h"
#include "app/RecoveryJournal.h"
#include "app/TFmain.h"
#include "app/UpdateSettings.h"
#include "core/KeyNames.h"
#include "edit/ScriptGrid.h"
#include "fakes/FakeDesktop.h"
#include "platform/Platform.h"
#include "script/ScriptTable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace
{

constexpr int kMotions = 50000;
constexpr int kKeyEvery = 50; // a key press and release after every 50 motions
constexpr int kKeyEvents = 2 * (kMotions / kKeyEvery);
constexpr int kEvents = kMotions + kKeyEvents;
constexpr int kClickEvents = kKeyEvents; // with clicks: a press and release after each key
constexpr int kPacedRate = 5000;         // events per second
constexpr int kSyncEvery = 250;
constexpr unsigned kKeycodeA = 38;
constexpr int kColumns = 1200;

int motionX(int i)
{
    return 10 + i % kColumns;
}
int motionY(int i)
{
    return 10 + i / kColumns;
}

// Writes a number and then a separator, leaving room for the separator.
template <typename Number> char *putField(char *out, char *end, Number value, char separator)
{
    char *const last = std::to_chars(out, end - 1, value).ptr;
    if (last < end)
        *last = separator;
    return last + 1;
}

// The typist: waits for the go byte, then sends every event, paced or as fast as it can; with `clicks`, a
// left click follows each key.
[[noreturn]] void typist(int goFd, int doneFd, bool paced, bool clicks)
{
    Display *const display = XOpenDisplay(nullptr);
    char go = 0;
    if (!display || read(goFd, &go, 1) != 1)
        _exit(1);
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    const long step = 1000000000L / kPacedRate;
    int sent = 0;
    const auto pace = [&] {
        ++sent;
        if (!paced)
            return;
        XFlush(display); // one request at a time, as a hand would make them
        if (sent % kSyncEvery == 0)
            XSync(display, False);
        next.tv_nsec += step;
        if (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    };
    for (int i = 0; i < kMotions; ++i) {
        XTestFakeMotionEvent(display, -1, motionX(i), motionY(i), CurrentTime);
        pace();
        if ((i + 1) % kKeyEvery == 0) {
            XTestFakeKeyEvent(display, kKeycodeA, True, CurrentTime);
            pace();
            XTestFakeKeyEvent(display, kKeycodeA, False, CurrentTime);
            pace();
            if (clicks) {
                XTestFakeButtonEvent(display, 1, True, CurrentTime);
                pace();
                XTestFakeButtonEvent(display, 1, False, CurrentTime);
                pace();
            }
        }
    }
    XSync(display, False);
    XCloseDisplay(display);
    close(doneFd);
    _exit(0);
}

// A named top-level window of a connection of its own, mapped while it lives.
class NamedWindow
{
  public:
    explicit NamedWindow(const QRect &area) : m_display(XOpenDisplay(nullptr))
    {
        if (!m_display)
            return;
        const Window window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), area.x(), area.y(),
                                                  unsigned(area.width()), unsigned(area.height()), 0, 0, 0);
        XClassHint hint{const_cast<char *>("bench"), const_cast<char *>("Bench")};
        XSetClassHint(m_display, window, &hint);
        XStoreName(m_display, window, "Clicked on");
        // Where asked and without a title bar, whose double clicks the window manager would act on.
        XSizeHints size{};
        size.flags = USPosition | USSize;
        size.x = area.x();
        size.y = area.y();
        size.width = area.width();
        size.height = area.height();
        XSetWMNormalHints(m_display, window, &size);
        const Atom motif = XInternAtom(m_display, "_MOTIF_WM_HINTS", False);
        const long noDecorations[5] = {2, 0, 0, 0, 0};
        XChangeProperty(m_display, window, motif, motif, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(noDecorations), 5);
        XMapWindow(m_display, window);
        XSync(m_display, False);
    }
    ~NamedWindow()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    NamedWindow(const NamedWindow &) = delete;
    NamedWindow &operator=(const NamedWindow &) = delete;

  private:
    Display *m_display;
};

struct Typist {
    pid_t pid;
    int goFd;
    int doneFd;
    bool clicks = false;
};

Typist startTypist(bool paced, bool clicks = false)
{
    int go[2];
    int done[2];
    if (pipe(go) != 0 || pipe(done) != 0)
        std::exit(1);
    const pid_t pid = fork();
    if (pid == 0) {
        close(go[1]);
        close(done[0]);
        typist(go[0], done[1], paced, clicks);
    }
    close(go[0]);
    close(done[1]);
    return {pid, go[1], done[0], clicks};
}

struct Counts {
    int rows = 0;
    int motions = 0;
    int keys = 0;
    int presses = 0;
    int named = 0; // presses that came with their window
    int lastMotion = -1;
    bool inOrder = true;
    bool motionsExact = true;
    std::uint32_t lastTime = 0;
};

// How a press comes by its window: not at all, asked of the desktop as the event reaches the recorder (what the
// recorder does for a hook that tells none), or named by the hook as of the press.
enum class PressWindows { Off, AskedOnArrival, NamedByTheHook };

void run(const char *title, Platform &platform, const Typist &typist, bool paced, bool journal = false,
         PressWindows windows = PressWindows::Off)
{
    ScriptTable table;
    Counts counts;
    // As the window keeps it: following the table's signals, writing on its own timer.
    const QTemporaryDir folder;
    SystemJournalClock clock;
    const std::unique_ptr<JournalSystem> processes = createJournalSystem();
    std::unique_ptr<RecoveryJournal> recovery;
    if (journal)
        recovery = std::make_unique<RecoveryJournal>(folder.path(), clock, *processes, table, [] { return QString(); });
    const auto record = [&](int code, const EventMsg &event) {
        if (code != Hook::Action)
            return;
        const auto delay = std::int32_t(event.time - counts.lastTime);
        counts.lastTime = event.time;
        char buffer[48];
        char *const end = buffer + sizeof buffer;
        char *out = buffer;
        RecordedAction action{};
        if (event.message == InputMessage::MouseMove) {
            action = RecordedAction::Move;
            const int x = std::int32_t(event.paramL);
            const int y = std::int32_t(event.paramH);
            const int index = (y - 10) * kColumns + (x - 10);
            counts.inOrder = counts.inOrder && index > counts.lastMotion;
            counts.motionsExact = counts.motionsExact && index == counts.lastMotion + 1;
            counts.lastMotion = index;
            ++counts.motions;
            out = putField(out, end, x, ';');
            out = putField(out, end, y, ';');
        } else if (event.message == InputMessage::KeyDown || event.message == InputMessage::KeyUp) {
            action = event.message == InputMessage::KeyDown ? RecordedAction::KeyDown : RecordedAction::KeyUp;
            // Keys come after every kKeyEvery-th motion: their count tells where they must stand.
            counts.inOrder = counts.inOrder && counts.keys / 2 == (counts.lastMotion + 1) / kKeyEvery - 1;
            ++counts.keys;
            const QByteArrayView name = KeyNameFromScanCode(event.paramH);
            out = std::copy(name.begin(), name.begin() + std::min<qsizetype>(name.size(), 16), out);
            *out++ = ';';
            out = putField(out, end, event.paramH, ';');
        } else if (event.message == InputMessage::LButtonDown || event.message == InputMessage::LButtonUp) {
            action = event.message == InputMessage::LButtonDown ? RecordedAction::LDown : RecordedAction::LUp;
            if (action == RecordedAction::LDown) {
                ++counts.presses;
                if (windows == PressWindows::AskedOnArrival)
                    counts.named += platform.windows->windowAt(int(event.paramL), int(event.paramH)).handle != 0;
                else
                    counts.named += event.window && event.window->handle != 0 ? 1 : 0;
            }
            out = putField(out, end, std::int32_t(event.paramL), ';');
            out = putField(out, end, std::int32_t(event.paramH), ';');
        } else {
            return;
        }
        out = std::to_chars(out, end, delay).ptr;
        table.appendToLastRow(action, QByteArrayView(buffer, out - buffer));
        ++counts.rows;
    };

    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    platform.inputHook->setPressWindows(windows == PressWindows::NamedByTheHook);
    const HookHandle handle = platform.inputHook->install(record);
    platform.inputHook->setPressWindows(false);
    if (handle == 0) {
        std::printf("%s: the input hook cannot be installed\n", title);
        std::exit(1);
    }
    QEventLoop loop;
    QSocketNotifier done(typist.doneFd, QSocketNotifier::Read);
    QObject::connect(&done, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    const char go = 1;
    if (write(typist.goFd, &go, 1) != 1)
        std::exit(1);
    loop.exec();
    int status = 0;
    waitpid(typist.pid, &status, 0);
    platform.inputHook->remove(handle);
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;

    std::printf("%s\n", title);
    const int buttons = typist.clicks ? kClickEvents : 0;
    std::printf("  sent %d events (%d motion, %d key, %d button), typist exit status %d\n", kEvents + buttons, kMotions,
                kKeyEvents, buttons, WEXITSTATUS(status));
    std::printf("  rows %d (table rows %d), key rows %d of %d, motion rows %d of %d%s\n", counts.rows, table.rows(),
                counts.keys, kKeyEvents, counts.motions, kMotions,
                paced ? "" : " (the server may merge queued motion)");
    if (counts.presses > 0)
        std::printf("  presses %d, %d of them on a window named\n", counts.presses, counts.named);
    std::printf("  in order: %s, motion sequence without gaps: %s\n", counts.inOrder ? "yes" : "NO",
                counts.motionsExact ? "yes" : "no");
    std::printf("  recorder CPU %.3f s, %.2f us per event received; wall %.2f s (%.0f events/s)\n", cpu,
                counts.rows ? cpu * 1e6 / counts.rows : 0.0, seconds, counts.rows / seconds);
    if (recovery) {
        recovery->writeAll();
        const std::optional<RecoveryJournal::Content> content = RecoveryJournal::read(recovery->file());
        std::printf("  journal: %lld bytes of rows, %lld lines (table rows %d)\n",
                    content ? static_cast<long long>(content->rows.size()) : -1LL,
                    content ? static_cast<long long>(content->rows.count('\n')) : -1LL, table.rows() - 1);
    }
    close(typist.goFd);
    close(typist.doneFd);
}

// An hour of a mouse reporting at 1 kHz: 3 600 000 motions, sent faster. Each motion goes to a new point of a
// grid of kGridColumns x kGridRows, so that the recorded rows tell which motion each one is.
constexpr int kHourRows = 3600000;
constexpr int kGridColumns = 1200;
constexpr int kGridRows = 900;

QPoint hourPoint(int i)
{
    return {10 + i % kGridColumns, 10 + (i / kGridColumns) % kGridRows};
}

// The mouse: sends `count` motions at `rate` per second, a millisecond's worth at a time, with a round trip
// every 250 so that the server is never far behind.
[[noreturn]] void mouse(int goFd, int doneFd, int count, int rate)
{
    Display *const display = XOpenDisplay(nullptr);
    char go = 0;
    if (!display || read(goFd, &go, 1) != 1)
        _exit(1);
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    const double perMillisecond = rate / 1000.0;
    double due = 0;
    for (int i = 0; i < count;) {
        due += perMillisecond;
        for (; i < count && i < int(due); ++i) {
            const QPoint point = hourPoint(i);
            XTestFakeMotionEvent(display, -1, point.x(), point.y(), CurrentTime);
            if (i % kSyncEvery == kSyncEvery - 1)
                XSync(display, False);
        }
        XFlush(display);
        next.tv_nsec += 1000000L;
        if (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    XSync(display, False);
    XCloseDisplay(display);
    close(doneFd);
    _exit(0);
}

Typist startMouse(int count, int rate)
{
    int go[2];
    int done[2];
    if (pipe(go) != 0 || pipe(done) != 0)
        std::exit(1);
    const pid_t pid = fork();
    if (pid == 0) {
        close(go[1]);
        close(done[0]);
        mouse(go[0], done[1], count, rate);
    }
    close(go[0]);
    close(done[1]);
    return {pid, go[1], done[0]};
}

// Motion rows that are not the next motion sent: a gap is a lost event, anything else is out of order.
struct MotionCheck {
    int moves = 0;
    int lost = 0;
    int disorder = 0;
    std::vector<std::pair<int, int>> gaps; // the first few: the first motion missing, how many
};

MotionCheck checkMotions(const ScriptTable &table, int firstRow)
{
    MotionCheck check;
    int expected = 0;
    for (int row = firstRow; row < table.rows(); ++row) {
        if (table.action(row) != QByteArrayView("Move()"))
            continue;
        const QList<QByteArray> fields = table.parameters(row).toByteArray().split(';');
        if (fields.size() != 3) {
            ++check.disorder;
            continue;
        }
        const int x = fields[0].toInt() - 10;
        const int y = fields[1].toInt() - 10;
        // Where in the grid's cycle this motion is, and how many motions after the expected one that is.
        const int cycle = kGridColumns * kGridRows;
        const int found = y * kGridColumns + x;
        const int ahead = ((found - expected % cycle) % cycle + cycle) % cycle;
        if (ahead > cycle / 2)
            ++check.disorder;
        else
            check.lost += ahead;
        if (ahead > 0 && ahead <= cycle / 2 && check.gaps.size() < 5)
            check.gaps.push_back({expected, ahead});
        expected += ahead + 1;
        ++check.moves;
    }
    return check;
}

// The window records `count` motions sent at `rate` per second with its script view open and its recovery
// journal on, as the program runs. The process's processor time is sampled as the rows come in, so that the
// cost per row early in the recording can be set beside the cost at its end.
void recordAnHour(Platform &platform, const Typist &mouseProcess, int count, int rate)
{
    QTemporaryDir folder;
    SystemJournalClock clock;
    const std::unique_ptr<JournalSystem> processes = createJournalSystem();
    FakeDesktop desktop;
    TFmain window(platform, desktop, UpdateSettings());
    window.keepRecoveryJournal(folder.path(), clock, *processes);
    window.show();
    window.N10Click();
    QApplication::processEvents();
    const long rssBefore = statusKilobytes("VmRSS");

    struct Sample {
        int rows;
        double cpu;
        double wall;
    };
    std::vector<Sample> samples;
    QElapsedTimer wall;
    QTimer sampler;
    sampler.setInterval(100);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        samples.push_back({window.Script->rows(), cpuSeconds(), double(wall.nsecsElapsed()) / 1e9});
    });

    window.ToolButton1Click();
    const int firstRow = window.Script->rows() - 1;
    QEventLoop loop;
    QSocketNotifier done(mouseProcess.doneFd, QSocketNotifier::Read);
    QObject::connect(&done, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    const double cpuBefore = cpuSeconds();
    wall.start();
    sampler.start();
    const char go = 1;
    if (write(mouseProcess.goFd, &go, 1) != 1)
        std::exit(1);
    loop.exec();
    done.setEnabled(false);
    // The last motions may still be on their way from the server: wait until a quarter second brings none.
    for (int rows = -1; rows != window.Script->rows();) {
        rows = window.Script->rows();
        QElapsedTimer quiet;
        quiet.start();
        while (quiet.elapsed() < 250)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    sampler.stop();
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    int status = 0;
    waitpid(mouseProcess.pid, &status, 0);

    QElapsedTimer stop;
    stop.start();
    window.ToolButton2Click();
    QApplication::processEvents();
    const double stopMs = double(stop.nsecsElapsed()) / 1e6;
    const long rssAfter = statusKilobytes("VmRSS");
    ScriptGrid &grid = *window.StringGrid1;
    // The window comes back as the recording stops; its repaint counts once the server shows it.
    QElapsedTimer mapping;
    mapping.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && mapping.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    grid.scrollToBottom();
    QApplication::processEvents();
    QElapsedTimer paint;
    paint.start();
    constexpr int Repaints = 10;
    for (int i = 0; i < Repaints; ++i)
        grid.viewport()->repaint();
    const double repaintMs = double(paint.nsecsElapsed()) / 1e6 / Repaints;

    const MotionCheck check = checkMotions(*window.Script, firstRow);
    std::printf("an hour of a 1 kHz mouse: %d motions at %d/s into the window, script view open, journal on\n", count,
                rate);
    std::printf("  mouse exit status %d; rows %d, motion rows %d, lost %d (%d between rows), out of order %d\n",
                WEXITSTATUS(status), window.Script->rows() - 1 - firstRow, check.moves, count - check.moves, check.lost,
                check.disorder);
    for (const auto &[first, missing] : check.gaps)
        std::printf("  lost: motions %d to %d\n", first, first + missing - 1);
    std::printf("  wall %.1f s (%.0f rows/s), recorder CPU %.1f s: %.1f %% of a core at this rate, "
                "%.1f %% at 1 kHz\n",
                seconds, check.moves / seconds, cpu, 100.0 * cpu / seconds, 100.0 * cpu / (count / 1000.0));
    // The processor time per row over each tenth of the rows.
    const auto costOver = [&](double from, double to) {
        const Sample *first = nullptr;
        const Sample *last = nullptr;
        for (const Sample &sample : samples) {
            const double share = double(sample.rows - firstRow) / count;
            if (!first && share >= from)
                first = &sample;
            if (share <= to)
                last = &sample;
        }
        return first && last && last->rows > first->rows ? (last->cpu - first->cpu) * 1e6 / (last->rows - first->rows)
                                                         : -1.0;
    };
    std::printf("  CPU per row:");
    for (int tenth = 0; tenth < 10; ++tenth)
        std::printf(" %.2f", costOver(tenth / 10.0, (tenth + 1) / 10.0));
    std::printf(" us (each tenth of the rows, first to last)\n");
    std::printf("  stop (view shown, history step) %.1f ms; repaint at the end %.2f ms (%s); memory %.1f bytes/row\n",
                stopMs, repaintMs, grid.isVisible() ? "view shown" : "VIEW HIDDEN",
                double(rssAfter - rssBefore) * 1024.0 / count);
}

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("DISPLAY")) {
        std::printf("bench_record: set DISPLAY to a private X server\n");
        return 0;
    }
    // "hour [MOTIONS [RATE]]": only the hour of mouse motions through the window.
    if (argc > 1 && std::strcmp(argv[1], "hour") == 0) {
        const int count = argc > 2 ? std::atoi(argv[2]) : kHourRows;
        const int rate = argc > 3 ? std::atoi(argv[3]) : 20000;
        const Typist mouseProcess = startMouse(count, rate);
        QApplication app(argc, argv);
        const auto platform = createPlatform();
        recordAnHour(*platform, mouseProcess, count, rate);
        return 0;
    }
    // The typists are forked before Qt starts any thread; they wait for their go byte.
    const Typist paced = startTypist(true);
    const Typist burst = startTypist(false);
    const Typist pacedJournal = startTypist(true);
    const Typist burstJournal = startTypist(false);
    const Typist clicking = startTypist(true, true);
    const Typist clickingAsked = startTypist(true, true);
    const Typist clickingNamed = startTypist(true, true);
    QCoreApplication app(argc, argv);
    const auto platform = createPlatform();
    run("paced typing, 5000 events/s, sync every 250:", *platform, paced, true);
    run("free-running burst:", *platform, burst, false);
    // The CPU figures include the journal's own writes and syncs, which run on the same thread.
    run("paced typing with the recovery journal on:", *platform, pacedJournal, true, true);
    run("free-running burst with the recovery journal on:", *platform, burstJournal, false, true);
    // Clicks on a named window of our own that lies under the whole path, without and with the window of
    // each press followed (record/windows).
    const NamedWindow under(QRect(0, 0, kColumns + 40, 100));
    run("paced typing and clicks on a window:", *platform, clicking, true);
    run("paced typing and clicks on a window, each press's window asked for as it arrives:", *platform, clickingAsked,
        true, false, PressWindows::AskedOnArrival);
    run("paced typing and clicks on a window, each press naming its window as of the press:", *platform, clickingNamed,
        true, false, PressWindows::NamedByTheHook);
    return 0;
}
