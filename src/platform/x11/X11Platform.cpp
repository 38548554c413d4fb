#include "platform/Platform.h"
#include "platform/ProgramStart.h"

#include "X11Clock.h"
#include "X11DesktopWindows.h"
#include "X11Display.h"
#include "X11EndRequests.h"
#include "X11GrabRegistry.h"
#include "X11Hotkeys.h"
#include "X11InjectedKeys.h"
#include "X11Injector.h"
#include "X11InputHook.h"
#include "X11StopKeyWatch.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
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

// The display a lost connection went to, for the message; written once, before any connection can break.
char lostDisplayName[256] = "";
QtMessageHandler previousMessageHandler = nullptr;

[[noreturn]] void endForLostDisplay(const char *displayName)
{
    // At once: no request can reach the server any more, and handlers that run at a normal exit would use the
    // dead connections from other threads.
    std::fprintf(stderr, "Tapsmith: the connection to the X11 display \"%s\" was lost\n", displayName);
    std::_Exit(1);
}

int onXIOError(Display *display)
{
    endForLostDisplay(DisplayString(display));
}

// Qt's own connection reports its loss with a warning and then exits through the normal exit path.
void onQtMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("X11 connection broke")))
        endForLostDisplay(lostDisplayName);
    if (previousMessageHandler)
        previousMessageHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

void handleLostDisplay(const char *displayName)
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    std::snprintf(lostDisplayName, sizeof lostDisplayName, "%s", displayName);
    XSetIOErrorHandler(onXIOError);
    previousMessageHandler = qInstallMessageHandler(onQtMessage);
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
    handleLostDisplay(displayName.c_str());
    platform->hotkeys = std::make_unique<X11Hotkeys>(std::move(hotkeys), grabs);
    platform->inputHook = std::make_unique<X11InputHook>(openOrThrow(), grabs);
    platform->injector = std::make_unique<X11Injector>(openOrThrow(), injected);
    platform->clock = std::make_unique<X11Clock>();
    platform->endRequests = std::make_unique<X11EndRequests>(*platform->clock);
    platform->stopKeyWatch = std::make_unique<X11StopKeyWatch>(displayName, injected);
    platform->windows = std::make_unique<X11DesktopWindows>(openOrThrow());
    return platform;
}

std::string desktopUnreachable()
{
    if (openX11Display())
        return {};
    const char *const name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0')
        return "Tapsmith needs an X11 display, and DISPLAY is not set.";
    return std::string("Tapsmith needs an X11 display and cannot open the display \"") + name + "\".";
}
