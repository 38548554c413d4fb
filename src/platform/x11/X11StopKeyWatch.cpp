#include "X11StopKeyWatch.h"

#include "X11ErrorTrap.h"
#include "X11InjectedKeys.h"
#include "X11KeyCodes.h"
#include "X11RecordContext.h"

#include <chrono>
#include <cstdint>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>

namespace
{

using namespace std::chrono_literals;

// How long recorded key events may wait in the server before a round trip makes it send them.
constexpr auto kFlushInterval = 15ms;
constexpr auto kStartTimeout = 3s;

} // namespace

struct X11StopKeyWatch::Session {
    X11Display control;
    X11Display data;
    XRecordContext context = 0;
    unsigned modifiers = 0;
    unsigned keycode = 0;
    std::function<void()> onPress;
    X11InjectedKeys *injected = nullptr;
    bool started = false;
    bool fired = false;
    std::array<bool, 256> userDown{};     // keys the user holds
    std::array<bool, 256> injectedDown{}; // keys our injection holds, as the server reported them

    static void intercept(XPointer closure, XRecordInterceptData *data);
    void keyEvent(bool press, unsigned keycode);
    unsigned userModifiers() const;
};

void X11StopKeyWatch::Session::intercept(XPointer closure, XRecordInterceptData *data)
{
    Session &session = *reinterpret_cast<Session *>(closure);
    if (data->category == XRecordStartOfData) {
        session.started = true;
    } else if (data->category == XRecordFromServer && data->data_len * 4 >= sizeof(xEvent)) {
        const xEvent &event = *reinterpret_cast<const xEvent *>(data->data);
        const int type = event.u.u.type & 0x7F;
        if (type == KeyPress || type == KeyRelease)
            session.keyEvent(type == KeyPress, event.u.u.detail);
    }
    XRecordFreeData(data);
}

void X11StopKeyWatch::Session::keyEvent(bool press, unsigned keycode)
{
    if (keycode >= userDown.size())
        return;
    if (!press) {
        // A release ends our own press first: the user cannot hold a key the script holds down.
        if (injectedDown[keycode])
            injectedDown[keycode] = false;
        else
            userDown[keycode] = false;
        return;
    }
    if (injected->takePress(keycode)) {
        injectedDown[keycode] = true;
        return;
    }
    userDown[keycode] = true;
    if (keycode == this->keycode && !fired && userModifiers() == modifiers) {
        fired = true;
        onPress();
    }
}

unsigned X11StopKeyWatch::Session::userModifiers() const
{
    unsigned held = 0;
    for (unsigned keycode = 0; keycode < userDown.size(); ++keycode) {
        if (userDown[keycode])
            held |= X11KeyCodes::hotkeyModifierOfKeycode(keycode);
    }
    return held;
}

X11StopKeyWatch::X11StopKeyWatch(std::string displayName, std::shared_ptr<X11InjectedKeys> injected)
    : m_displayName(std::move(displayName)), m_injected(std::move(injected)),
      m_quitFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

X11StopKeyWatch::~X11StopKeyWatch()
{
    stop();
    if (m_quitFd >= 0)
        close(m_quitFd);
}

bool X11StopKeyWatch::start(unsigned modifiers, int virtualKey, std::function<void()> onPress)
{
    stop();
    const unsigned keycode = X11KeyCodes::keycodeFromVirtualKey(virtualKey);
    m_lastError.clear();
    if (keycode == 0) {
        m_lastError = "no key of this keyboard has the virtual-key code " + std::to_string(virtualKey);
        return false;
    }
    if (!onPress || m_quitFd < 0)
        return false;
    auto session = std::make_unique<Session>();
    session->control = openX11Display(m_displayName.c_str());
    session->data = openX11Display(m_displayName.c_str());
    if (!session->control || !session->data) {
        m_lastError = "cannot open two more connections to the display " + m_displayName;
        return false;
    }
    Display *const control = session->control.get();
    Display *const data = session->data.get();
    int major = 0;
    int minor = 0;
    if (!XRecordQueryVersion(control, &major, &minor)) {
        m_lastError = "the X server has no RECORD extension";
        return false;
    }
    session->modifiers = modifiers;
    session->keycode = keycode;
    session->onPress = std::move(onPress);
    session->injected = m_injected.get();

    session->context = createRecordContext(control, KeyPress, KeyRelease);
    if (session->context == 0) {
        m_lastError = "the X server refused a RECORD context";
        return false;
    }

    // Whatever is down now was pressed before any of our presses this watch will see: the user's.
    m_injected->clear();
    char keys[32] = {};
    XQueryKeymap(control, keys);
    for (unsigned keycode = 0; keycode < 256; ++keycode)
        session->userDown[keycode] = (keys[keycode / 8] & (1 << (keycode % 8))) != 0;

    if (!XRecordEnableContextAsync(data, session->context, &Session::intercept,
                                   reinterpret_cast<XPointer>(session.get()))) {
        XRecordFreeContext(control, session->context);
        m_lastError = "the X server did not start the recording of keys";
        return false;
    }
    XFlush(data);
    const auto giveUp = std::chrono::steady_clock::now() + kStartTimeout;
    while (!session->started && std::chrono::steady_clock::now() < giveUp) {
        pollfd socket{ConnectionNumber(data), POLLIN, 0};
        poll(&socket, 1, 10);
        XRecordProcessReplies(data);
    }
    if (!session->started) {
        XRecordFreeContext(control, session->context);
        m_lastError = "the X server did not start the recording of keys in time";
        return false;
    }
    std::uint64_t stale = 0;
    [[maybe_unused]] const ssize_t drained = read(m_quitFd, &stale, sizeof stale);
    m_session = std::move(session);
    m_thread = std::thread([this, current = m_session.get()] { watch(*current); });
    return true;
}

void X11StopKeyWatch::stop()
{
    if (!m_session)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_quitFd, &one, sizeof one);
    if (m_thread.joinable())
        m_thread.join();
    const std::unique_ptr<Session> session = std::move(m_session);
    // Freeing an enabled context disables it; the data connection is closed without reading its end.
    X11ErrorTrap trap(session->control.get());
    XRecordFreeContext(session->control.get(), session->context);
}

void X11StopKeyWatch::watch(Session &session)
{
    Display *const control = session.control.get();
    Display *const data = session.data.get();
    const int timeoutMs = int(std::chrono::duration_cast<std::chrono::milliseconds>(kFlushInterval).count());
    auto nextFlush = std::chrono::steady_clock::now();
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= nextFlush) {
            XSync(control, False);
            nextFlush = now + kFlushInterval;
        }
        XRecordProcessReplies(data);
        pollfd fds[2] = {{ConnectionNumber(data), POLLIN, 0}, {m_quitFd, POLLIN, 0}};
        poll(fds, 2, timeoutMs);
        if (fds[1].revents & POLLIN)
            return;
    }
}
