#include "XRecordObserver.h"

#include <condition_variable>
#include <ctime>

#include <poll.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>

namespace
{

std::mutex startMutex;
std::condition_variable startSignal;

} // namespace

XRecordObserver::XRecordObserver(const char *displayName, Delivery delivery)
    : m_control(XOpenDisplay(displayName)), m_data(XOpenDisplay(displayName)),
      m_listener(delivery == Delivery::AtOnce ? XOpenDisplay(displayName) : nullptr)
{
    if (!m_listener || pipe(m_wake) != 0)
        return;
    // The server flushes at once after an event that some client receives. Pointer events reach the root
    // window wherever the pointer is; keys reach it when no window manager holds the focus.
    const long mask = PointerMotionMask | ButtonReleaseMask | KeyPressMask | KeyReleaseMask;
    // Only one client may take button presses on a window; a window manager usually has them already.
    XSync(m_listener, False);
    const XErrorHandler previous = XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
    XSelectInput(m_listener, DefaultRootWindow(m_listener), mask | ButtonPressMask);
    XSync(m_listener, False);
    XSetErrorHandler(previous);
    XWindowAttributes attributes{};
    XGetWindowAttributes(m_listener, DefaultRootWindow(m_listener), &attributes);
    if (!(attributes.your_event_mask & ButtonPressMask))
        XSelectInput(m_listener, DefaultRootWindow(m_listener), mask);
    XFlush(m_listener);
    m_drain = std::thread([this] {
        pollfd fds[2] = {{ConnectionNumber(m_listener), POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        while (true) {
            while (XPending(m_listener) > 0) {
                XEvent event;
                XNextEvent(m_listener, &event);
            }
            if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN))
                return;
        }
    });
}

XRecordObserver::~XRecordObserver()
{
    stop();
    if (m_drain.joinable()) {
        const char quit = 0;
        (void)!write(m_wake[1], &quit, 1);
        m_drain.join();
    }
    for (const int fd : m_wake) {
        if (fd >= 0)
            close(fd);
    }
    if (m_listener)
        XCloseDisplay(m_listener);
    if (m_context)
        XRecordFreeContext(m_control, m_context);
    if (m_data)
        XCloseDisplay(m_data);
    if (m_control)
        XCloseDisplay(m_control);
}

std::int64_t XRecordObserver::monotonicMicros()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

bool XRecordObserver::start()
{
    int major = 0, minor = 0;
    if (!m_control || !m_data || !XRecordQueryVersion(m_control, &major, &minor))
        return false;
    stop();
    if (m_context)
        XRecordFreeContext(m_control, m_context);
    XRecordRange *range = XRecordAllocRange();
    range->device_events.first = KeyPress;
    range->device_events.last = MotionNotify;
    XRecordClientSpec clients = XRecordAllClients;
    m_context = XRecordCreateContext(m_control, 0, &clients, 1, &range, 1);
    XFree(range);
    if (!m_context)
        return false;
    XSync(m_control, False);
    m_started = false;
    m_thread = std::thread([this] {
        XRecordEnableContext(
            m_data, m_context, [](XPointer closure, XRecordInterceptData *data) { callback(closure, data); },
            reinterpret_cast<char *>(this));
    });
    std::unique_lock<std::mutex> lock(startMutex);
    startSignal.wait(lock, [this] { return m_started; });
    return true;
}

void XRecordObserver::stop()
{
    if (!m_thread.joinable())
        return;
    // Everything sent before this point is recorded before the context ends.
    XSync(m_control, False);
    XRecordDisableContext(m_control, m_context);
    XSync(m_control, False);
    m_thread.join();
}

std::vector<XRecordObserver::Event> XRecordObserver::events() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

void XRecordObserver::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.clear();
}

void XRecordObserver::callback(char *closure, void *interceptData)
{
    auto *self = reinterpret_cast<XRecordObserver *>(closure);
    auto *data = static_cast<XRecordInterceptData *>(interceptData);
    if (data->category == XRecordStartOfData) {
        std::lock_guard<std::mutex> lock(startMutex);
        self->m_started = true;
        startSignal.notify_all();
    } else if (data->category == XRecordFromServer) {
        self->receive(data->data, int(data->data_len) * 4);
    }
    XRecordFreeData(data);
}

void XRecordObserver::receive(const unsigned char *data, int length)
{
    if (length < int(sizeof(xEvent)))
        return;
    const auto *event = reinterpret_cast<const xEvent *>(data);
    Event seen;
    seen.type = event->u.u.type & 0x7f;
    seen.detail = event->u.u.detail;
    seen.x = event->u.keyButtonPointer.rootX;
    seen.y = event->u.keyButtonPointer.rootY;
    seen.serverTime = event->u.keyButtonPointer.time;
    seen.receivedMicros = monotonicMicros();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(seen);
}
