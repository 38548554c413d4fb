#include "PlaybackStopKey.h"

#include <QMetaObject>
#include <QObject>

PlaybackStopKey::PlaybackStopKey(StopKeyWatch *watch, Clock &clock, StopRequest &stop, unsigned modifiers,
                                 int virtualKey, QObject *context, const std::function<void()> &stopCommand)
    : m_watch(watch)
{
    if (!m_watch)
        return;
    // Runs on the watch's thread: `context` outlives it, since the watch is stopped before this goes.
    const bool started = m_watch->start(modifiers, virtualKey, [&clock, &stop, context, stopCommand] {
        stop.request();
        clock.wake();
        QMetaObject::invokeMethod(context, stopCommand, Qt::QueuedConnection);
    });
    if (!started) {
        m_failure = m_watch->lastError();
        m_watch = nullptr;
    }
}

PlaybackStopKey::~PlaybackStopKey()
{
    if (m_watch)
        m_watch->stop();
}
