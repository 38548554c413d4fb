#pragma once

#include "platform/Platform.h"

// Synthetic input through SendInput. Every event carries injectedTag in its extra information, so that
// our own input hook can tell playback from the user's input.
class Win32Injector : public Injector
{
  public:
    /// The extra information of the events we inject.
    static constexpr std::uintptr_t injectedTag = 0x54617073; // "Taps"

    void setCursorPos(int x, int y) override;
    void mouseEvent(std::uint32_t flags) override;
    void mouseWheel(std::int32_t delta, bool horizontal) override;
    void keybdEvent(int virtualKey, std::uint32_t flags) override;
    bool modifiersHeld() override;
    // SendInput hands each event over at once: nothing is held back.
    void flush() override {}
};
