#include "platform/Platform.h"

#include "Win32Clock.h"
#include "Win32DesktopWindows.h"
#include "Win32EndRequests.h"
#include "Win32HotkeyRegistry.h"
#include "Win32Hotkeys.h"
#include "Win32Injector.h"
#include "Win32InputHook.h"
#include "Win32StopKeyWatch.h"

// Qt has no application window apart from the main window on Windows, so hiding or restoring "the
// application window" comes down to hiding the main window or restoring it from minimised, as on X11.

std::unique_ptr<Platform> createPlatform()
{
    auto hotkeys = std::make_shared<Win32HotkeyRegistry>();
    auto platform = std::make_unique<Platform>();
    platform->hotkeys = std::make_unique<Win32Hotkeys>(hotkeys);
    platform->inputHook = std::make_unique<Win32InputHook>(hotkeys);
    platform->injector = std::make_unique<Win32Injector>();
    platform->clock = std::make_unique<Win32Clock>();
    platform->stopKeyWatch = std::make_unique<Win32StopKeyWatch>();
    platform->endRequests = std::make_unique<Win32EndRequests>(*platform->clock);
    platform->windows = std::make_unique<Win32DesktopWindows>();
    return platform;
}
