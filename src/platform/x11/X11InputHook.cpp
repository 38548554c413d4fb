#include "X11InputHook.h"

#include "X11ErrorTrap.h"
#include "X11GrabRegistry.h"
#include "X11KeyCodes.h"
#include "X11PointerEvents.h"
#include "X11RecordContext.h"
#include "X11RootWindows.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>

namespace
{

using namespace std::chrono_literals;

constexpr auto kRoundTripInterval = 200ms;
constexpr auto kReplyTimeout = 3s;
constexpr auto kHoldLimit = 1s;

// Reads the data connection until `done` holds or the time runs out; false on time-out.
template <typename Done> bool processRepliesUntil(Display *data, Done done)
{
    const auto deadline = std::chrono::steady_clock::now() + kReplyTimeout;
    for (;;) {
        XRecordProcessReplies(data);
        if (done())
            return true;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd socket{ConnectionNumber(data), POLLIN, 0};
        poll(&socket, 1, int(left.count()));
    }
}

} // namespace

// Reads the data connection on a thread of its own. A server whose recording client stops reading for a
// while (the GUI thread busy with a large table) drops recorded events once their backlog has grown, so the
// reader takes them at once and only queues them; they are translated and delivered on the GUI thread.
struct X11InputHook::Session : CaptureSession {
    Session();
    ~Session() override;
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    X11Display data;
    XRecordContext context = 0;
    std::shared_ptr<const X11GrabRegistry> grabs;
    std::unique_ptr<X11RootWindows> rootWindows; // while presses name their windows
    // Events after a hotkey press wait here until that hotkey's handler has run: if it removes the hook
    // (the stop command) they came after the end of the recording.
    std::vector<EventMsg> held;
    std::optional<std::uint32_t> holdFrom; // server time of that press
    std::chrono::steady_clock::time_point holdSince;
    bool started = false;
    bool ended = false;
    std::unique_ptr<QSocketNotifier> notifier;
    std::unique_ptr<QTimer> roundTrip;
    std::mutex arrivedLock;
    std::vector<xEvent> arrived; // read from the server, not yet translated
    std::vector<xEvent> taken;
    std::thread reader;
    int quitFd = -1;  // ends the reader
    int readyFd = -1; // the reader queued events into an empty queue

    static void intercept(XPointer closure, XRecordInterceptData *data);
    void startReader();
    void stopReader();
    // Translates what the reader queued, in order, into events held or pending.
    void translateArrived();
    void translate(const xEvent &event);
    // Lets the held events go once the handler of the press they wait for has returned, or after a while
    // if it never runs (the grab could not fire).
    void releaseHeldWhenDue();
};

void X11InputHook::Session::intercept(XPointer closure, XRecordInterceptData *data)
{
    Session &session = *reinterpret_cast<Session *>(closure);
    switch (data->category) {
    case XRecordStartOfData:
        session.started = true;
        break;
    case XRecordEndOfData:
        session.ended = true;
        break;
    case XRecordFromServer:
        if (data->data_len * 4 >= sizeof(xEvent)) {
            bool first = false;
            {
                const std::lock_guard<std::mutex> guard(session.arrivedLock);
                first = session.arrived.empty();
                session.arrived.push_back(*reinterpret_cast<const xEvent *>(data->data));
            }
            const std::uint64_t one = 1;
            if (first && write(session.readyFd, &one, sizeof one) < 0) {
                // The counter is full: the GUI thread has been told already.
            }
        }
        break;
    default:
        break;
    }
    XRecordFreeData(data);
}

X11InputHook::Session::Session()
    : quitFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), readyFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

X11InputHook::Session::~Session()
{
    stopReader();
    for (const int fd : {quitFd, readyFd}) {
        if (fd >= 0)
            close(fd);
    }
}

void X11InputHook::Session::startReader()
{
    reader = std::thread([this] {
        Display *const display = data.get();
        for (;;) {
            pollfd sockets[2] = {{ConnectionNumber(display), POLLIN, 0}, {quitFd, POLLIN, 0}};
            if (poll(sockets, 2, -1) < 0 && errno != EINTR)
                return;
            if (sockets[1].revents != 0)
                return;
            XRecordProcessReplies(display);
            if ((sockets[0].revents & (POLLHUP | POLLERR)) != 0)
                return;
        }
    });
}

void X11InputHook::Session::stopReader()
{
    if (!reader.joinable())
        return;
    const std::uint64_t one = 1;
    if (write(quitFd, &one, sizeof one) < 0) {
        // Only a full counter fails, and that already ends the reader.
    }
    reader.join();
}

void X11InputHook::Session::translateArrived()
{
    std::uint64_t count = 0;
    if (read(readyFd, &count, sizeof count) < 0) {
        // Nothing was signalled; the queue is read all the same.
    }
    taken.clear();
    {
        const std::lock_guard<std::mutex> guard(arrivedLock);
        taken.swap(arrived);
    }
    for (const xEvent &event : taken)
        translate(event);
}

void X11InputHook::Session::translate(const xEvent &event)
{
    const int type = event.u.u.type & 0x7F;
    const unsigned detail = event.u.u.detail;
    const unsigned state = event.u.keyButtonPointer.state;
    const std::uint32_t time = event.u.keyButtonPointer.time;
    // Signed screen coordinates travel in the unsigned fields as two's complement.
    const auto x = std::uint32_t(std::int32_t(std::int16_t(event.u.keyButtonPointer.rootX)));
    const auto y = std::uint32_t(std::int32_t(std::int16_t(event.u.keyButtonPointer.rootY)));

    if (type >= CreateNotify && type <= CirculateNotify) {
        if (rootWindows)
            rootWindows->apply(event);
        return;
    }
    std::optional<EventMsg> message;
    switch (type) {
    case KeyPress:
    case KeyRelease: {
        const bool press = type == KeyPress;
        // The press that fires one of our hotkeys is consumed by it, as a registered hotkey would be.
        if (press && grabs->find(detail, state)) {
            if (!holdFrom) {
                holdFrom = time;
                holdSince = std::chrono::steady_clock::now();
            }
            return;
        }
        const bool alt = (state & Mod1Mask) != 0 || (press && X11KeyCodes::isAltKeycode(detail));
        using namespace InputMessage;
        const std::uint32_t number = press ? (alt ? SysKeyDown : KeyDown) : (alt ? SysKeyUp : KeyUp);
        const std::uint32_t scanCode = X11KeyCodes::scanCodeFromKeycode(detail);
        message = EventMsg{number, std::uint32_t(X11KeyCodes::virtualKeyFromScanCode(scanCode)), scanCode, 0};
        break;
    }
    case ButtonPress:
    case ButtonRelease:
        message = x11ButtonEvent(detail, type == ButtonPress);
        if (message) {
            message->paramL = x;
            message->paramH = y;
            if (rootWindows && type == ButtonPress && detail <= 3)
                message->window = std::make_shared<const TopLevelWindow>(rootWindows->windowAt(int(x), int(y)));
        }
        break;
    case MotionNotify:
        message = EventMsg{InputMessage::MouseMove, x, y, 0};
        break;
    default:
        break;
    }
    if (message) {
        message->time = time;
        (holdFrom ? held : pending).push_back(*message);
    }
}

void X11InputHook::Session::releaseHeldWhenDue()
{
    if (!holdFrom)
        return;
    const std::optional<std::uint32_t> fired = grabs->lastFired();
    const bool handled = fired && std::int32_t(*fired - *holdFrom) >= 0;
    if (!handled && std::chrono::steady_clock::now() - holdSince < kHoldLimit)
        return;
    pending.insert(pending.end(), held.begin(), held.end());
    held.clear();
    holdFrom.reset();
}

X11InputHook::X11InputHook(X11Display control, std::shared_ptr<const X11GrabRegistry> grabs)
    : m_control(std::move(control)), m_grabs(std::move(grabs))
{
    int major = 0;
    int minor = 0;
    m_recordAvailable = XRecordQueryVersion(m_control.get(), &major, &minor) != 0;
}

X11InputHook::~X11InputHook()
{
    m_sessions.stopDelivering();
    remove(m_sessions.runningHandle());
}

HookHandle X11InputHook::install(HookProc proc)
{
    remove(m_sessions.runningHandle());
    m_lastError.clear();
    if (!m_recordAvailable) {
        m_lastError = "the X server has no RECORD extension";
        return 0;
    }
    if (!proc)
        return 0;
    Display *const control = m_control.get();

    auto session = std::make_unique<Session>();
    if (session->quitFd < 0 || session->readyFd < 0)
        return 0;
    session->grabs = m_grabs;
    session->data = openX11Display(DisplayString(control));
    if (!session->data) {
        m_lastError = std::string("cannot open a second connection to the display ") + DisplayString(control);
        return 0;
    }
    Display *const data = session->data.get();

    // Presses that name their windows follow the root's children through their structure events, recorded in
    // the server's order together with the input.
    session->context = m_pressWindows
                           ? createRecordContext(control, KeyPress, MotionNotify, CreateNotify, CirculateNotify)
                           : createRecordContext(control, KeyPress, MotionNotify);
    if (session->context == 0) {
        m_lastError = "the X server refused a RECORD context";
        return 0;
    }

    bool enabled = false;
    std::string refusal;
    {
        // The data connection carries nothing but the recording from here on, so its errors are awaited
        // as replies rather than with a round trip.
        X11ErrorTrap trap(data, false);
        if (XRecordEnableContextAsync(data, session->context, &Session::intercept,
                                      reinterpret_cast<XPointer>(session.get()))) {
            XFlush(data);
            enabled = processRepliesUntil(data, [&] { return session->started || trap.errorCode() != 0; }) &&
                      trap.errorCode() == 0;
        }
        refusal = trap.errorCode() != 0 ? trap.errorText() : "the connection ended";
    }
    if (!enabled) {
        m_lastError = "the X server did not start the recording: " + refusal;
        X11ErrorTrap trap(control);
        XRecordFreeContext(control, session->context);
        return 0;
    }

    if (m_pressWindows) {
        if (X11Display windows = openX11Display(DisplayString(control)))
            session->rootWindows = std::make_unique<X11RootWindows>(std::move(windows));
    }
    session->startReader();
    session->notifier = std::make_unique<QSocketNotifier>(session->readyFd, QSocketNotifier::Read);
    QObject::connect(session->notifier.get(), &QSocketNotifier::activated, session->notifier.get(),
                     [this] { processReplies(); });
    // The server holds recorded data back until it has other output to send; a round trip on the control
    // connection makes it send what it holds, so rows arrive while the user is still working.
    session->roundTrip = std::make_unique<QTimer>();
    session->roundTrip->setInterval(kRoundTripInterval);
    QObject::connect(session->roundTrip.get(), &QTimer::timeout, session->roundTrip.get(), [this] {
        XSync(m_control.get(), False);
        if (Session *current = m_sessions.current<Session>(); current && current->rootWindows)
            current->rootWindows->discardEvents();
        processReplies();
    });
    session->roundTrip->start();
    return m_sessions.start(std::move(session), std::move(proc));
}

void X11InputHook::remove(HookHandle handle)
{
    const std::unique_ptr<CaptureSession> taken = m_sessions.take(handle);
    if (!taken)
        return;
    auto *const session = static_cast<Session *>(taken.get());
    session->roundTrip.reset();
    session->notifier.reset();
    session->stopReader();
    Display *const control = m_control.get();
    {
        // Disabling flushes what the server holds and ends the data with a last reply; after the round
        // trip every event up to now is on its way and none after it will be.
        X11ErrorTrap trap(control);
        XRecordDisableContext(control, session->context);
        trap.sync();
    }
    processRepliesUntil(session->data.get(), [&] { return session->ended; });
    {
        X11ErrorTrap trap(control);
        XRecordFreeContext(control, session->context);
    }
    session->translateArrived();
    // Removed by the handler of the hotkey press the events after it wait for (Alt+F10): the recording
    // ended at that press. Removed otherwise, everything up to now belongs to it.
    if (!(session->holdFrom && m_grabs->firing() == session->holdFrom)) {
        session->pending.insert(session->pending.end(), session->held.begin(), session->held.end());
        session->held.clear();
    }
    m_sessions.finish(*session);
}

void X11InputHook::processReplies()
{
    if (Session *session = m_sessions.current<Session>()) {
        session->translateArrived();
        session->releaseHeldWhenDue();
        m_sessions.deliverCurrent();
    }
}
