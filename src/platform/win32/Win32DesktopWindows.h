#pragma once

#include "platform/Platform.h"

// The top-level windows of the Windows desktop: a window's root ancestor, its class, the file name of its
// program and its title; client areas in the per-monitor pixels of the hooks and SendInput. The shell's
// desktop window counts as no window. Activation is SetForegroundWindow, which the system grants only as its
// foreground rules allow.
class Win32DesktopWindows : public DesktopWindows
{
  public:
    TopLevelWindow windowAt(int x, int y) override;
    std::vector<TopLevelWindow> find(const std::string &windowClass, const std::string &instance) override;
    void activate(std::uintptr_t handle) override;
};
