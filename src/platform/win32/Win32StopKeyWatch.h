#pragma once

#include "platform/Platform.h"

#include <functional>
#include <memory>
#include <thread>

struct Win32StopKeySession;

// The stop key watch over a low-level keyboard hook of a thread of its own. The hook sees every key before
// the system decides where it goes, whatever window is in front and whatever modifiers our playback holds:
// the modifiers that count are the ones the user pressed, told from ours by the injector's tag. The GUI
// thread spends a playback asleep or injecting; on its own thread the hook always answers at once.
class Win32StopKeyWatch : public StopKeyWatch
{
  public:
    Win32StopKeyWatch();
    ~Win32StopKeyWatch() override;
    Win32StopKeyWatch(const Win32StopKeyWatch &) = delete;
    Win32StopKeyWatch &operator=(const Win32StopKeyWatch &) = delete;

    bool start(unsigned modifiers, int virtualKey, std::function<void()> onPress) override;
    void stop() override;
    std::string lastError() const override { return m_lastError; }

    // The user's modifiers after a key event (MOD_* bits): a modifier key's press or release changes them,
    // any other key leaves them. Left and right keys count alike.
    static unsigned modifiersAfter(unsigned modifiers, int virtualKey, bool press);

  private:
    std::unique_ptr<Win32StopKeySession> m_session;
    std::string m_lastError;
    std::thread m_thread;
};
