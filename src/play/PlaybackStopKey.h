#pragma once

#include "StopRequest.h"
#include "platform/Platform.h"

#include <functional>
#include <string>

class QObject;

// While it lives, the user's stop hotkey ends a playback wherever it is pressed, also when its grab cannot
// fire (another program holds the keyboard, or the script holds a modifier down). The key watch reports the
// press on a thread of its own; that requests the run's stop and wakes the clock at once, so the wait in progress
// ends, and `stopCommand` then runs on the GUI thread at the run's next round of events, as the hotkey would
// have run it. Without a watch it does nothing and the hotkey alone stops the run.
class PlaybackStopKey
{
  public:
    PlaybackStopKey(StopKeyWatch *watch, Clock &clock, StopRequest &stop, unsigned modifiers, int virtualKey,
                    QObject *context, const std::function<void()> &stopCommand);
    ~PlaybackStopKey();
    PlaybackStopKey(const PlaybackStopKey &) = delete;
    PlaybackStopKey &operator=(const PlaybackStopKey &) = delete;

    /// False when there is no watch or it could not start.
    bool watching() const { return m_watch != nullptr; }
    /// Why the watch could not start, in the backend's words; empty when it watches or there is none.
    const std::string &failure() const { return m_failure; }

  private:
    StopKeyWatch *m_watch;
    std::string m_failure;
};
