// Recording throughput: a child process types through XTEST while this process records every event into
// a script table through the X11 input hook. Needs DISPLAY set to a private X server.

#include "CpuTime.h"
#include "app/RecoveryJournal.h"
#include "core/KeyNames.h"
#include "platform/Platform.h"
#include "script/ScriptTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace
{

constexpr int kMotions = 50000;
constexpr int kKeyEvery = 50; // a key press and release after every 50 motions
constexpr int kKeyEvents = 2 * (kMotions / kKeyEvery);
constexpr int kEvents = kMotions + kKeyEvents;
constexpr int kPacedRate = 5000; // events per second
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

// The typist: waits for the go byte, then sends every event, paced or as fast as it can.
[[noreturn]] void typist(int goFd, int doneFd, bool paced)
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
        }
    }
    XSync(display, False);
    XCloseDisplay(display);
    close(doneFd);
    _exit(0);
}

struct Typist {
    pid_t pid;
    int goFd;
    int doneFd;
};

Typist startTypist(bool paced)
{
    int go[2];
    int done[2];
    if (pipe(go) != 0 || pipe(done) != 0)
        std::exit(1);
    const pid_t pid = fork();
    if (pid == 0) {
        close(go[1]);
        close(done[0]);
        typist(go[0], done[1], paced);
    }
    close(go[0]);
    close(done[1]);
    return {pid, go[1], done[0]};
}

struct Counts {
    int rows = 0;
    int motions = 0;
    int keys = 0;
    int lastMotion = -1;
    bool inOrder = true;
    bool motionsExact = true;
    std::uint32_t lastTime = 0;
};

void run(const char *title, Platform &platform, const Typist &typist, bool paced, bool journal = false)
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
    const HookHandle handle = platform.inputHook->install(record);
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
    std::printf("  sent %d events (%d motion, %d key), typist exit status %d\n", kEvents, kMotions, kKeyEvents,
                WEXITSTATUS(status));
    std::printf("  rows %d (table rows %d), key rows %d of %d, motion rows %d of %d%s\n", counts.rows, table.rows(),
                counts.keys, kKeyEvents, counts.motions, kMotions,
                paced ? "" : " (the server may merge queued motion)");
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

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("DISPLAY")) {
        std::printf("bench_record: set DISPLAY to a private X server\n");
        return 0;
    }
    // The typists are forked before Qt starts any thread; they wait for their go byte.
    const Typist paced = startTypist(true);
    const Typist burst = startTypist(false);
    const Typist pacedJournal = startTypist(true);
    const Typist burstJournal = startTypist(false);
    QCoreApplication app(argc, argv);
    const auto platform = createPlatform();
    run("paced typing, 5000 events/s, sync every 250:", *platform, paced, true);
    run("free-running burst:", *platform, burst, false);
    // The CPU figures include the journal's own writes and syncs, which run on the same thread.
    run("paced typing with the recovery journal on:", *platform, pacedJournal, true, true);
    run("free-running burst with the recovery journal on:", *platform, burstJournal, false, true);
    return 0;
}
