#include "X11EndRequests.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>

#include <sys/eventfd.h>
#include <unistd.h>

namespace
{

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// What the handler may touch: plain values set before the handlers are installed.
volatile int requestFd = -1;
Clock *volatile wakeClock = nullptr;

extern "C" void onEndSignal(int)
{
    const int savedErrno = errno;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(requestFd, &one, sizeof one);
    if (Clock *const clock = wakeClock)
        clock->wake();
    errno = savedErrno;
}

} // namespace

X11EndRequests::X11EndRequests(Clock &clock) : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_fd < 0)
        return;
    requestFd = m_fd;
    wakeClock = &clock;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { takeRequests(); });
}

X11EndRequests::~X11EndRequests()
{
    if (m_fd < 0)
        return;
    setHandler(nullptr);
    wakeClock = nullptr;
    requestFd = -1;
    m_notifier.reset();
    close(m_fd);
}

void X11EndRequests::setHandler(std::function<void()> handler)
{
    m_handler = std::move(handler);
    if (m_fd < 0)
        return;
    struct sigaction action = {};
    action.sa_handler = m_handler ? onEndSignal : SIG_DFL;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        sigaction(signal, &action, nullptr);
}

void X11EndRequests::takeRequests()
{
    std::uint64_t count = 0;
    if (read(m_fd, &count, sizeof count) != ssize_t(sizeof count) || count == 0)
        return;
    // A request that came just as the handler was taken away: nothing is left to let go of first.
    if (!m_handler)
        std::_Exit(EXIT_SUCCESS);
    m_handler();
}
