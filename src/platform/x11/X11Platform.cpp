#include "platform/Platform.h"

#include "X11Clock.h"
#include "X11Display.h"
#include "X11GrabRegistry.h"
#include "X11Hotkeys.h"
#include "X11InjectedKeys.h"
#include "X11Injector.h"
#include "X11InputHook.h"
#include "X11StopKeyWatch.h"

#include <stdexcept>
#include <string>

#include <X11/Xlib.h>

namespace
{

X11Display openOrThrow()
{
    X11Display display = openX11Display();
    if (!display)
        throw std::runtime_error(std::string("cannot open the X display \"") + XDisplayName(nullptr) + "\"");
    return display;
}

} // namespace

std::unique_ptr<Platform> createPlatform()
{
    // One connection per part: grabs, recording and injection must not wait on each other's traffic.
    auto grabs = std::make_shared<X11GrabRegistry>();
    auto injected = std::make_shared<X11InjectedKeys>();
    auto platform = std::make_unique<Platform>();
    X11Display hotkeys = openOrThrow();
    const std::string displayName = DisplayString(hotkeys.get());
    platform->hotkeys = std::make_unique<X11Hotkeys>(std::move(hotkeys), grabs);
    platform->inputHook = std::make_unique<X11InputHook>(openOrThrow(), grabs);
    platform->injector = std::make_unique<X11Injector>(openOrThrow(), injected);
    platform->clock = std::make_unique<X11Clock>();
    platform->stopKeyWatch = std::make_unique<X11StopKeyWatch>(displayName, injected);
    return platform;
}
