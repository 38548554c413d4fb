#include "app/Application.h"
#include "app/SettingsFile.h"
#include "app/SystemDesktop.h"
#include "app/TFAbout.h"
#include "app/TFmain.h"
#include "edit/TFAddEdit.h"
#include "platform/Platform.h"

#include <QMessageBox>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#ifndef _WIN32
#include "platform/x11/X11Display.h"
#endif

namespace
{

// Without a display the toolkit aborts with advice about platform plugins and leaves a core; say plainly
// what is missing and which display was tried.
bool displayReachable()
{
#ifdef _WIN32
    return true;
#else
    if (openX11Display())
        return true;
    const char *const name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0')
        std::fprintf(stderr, "Tapsmith needs an X11 display, and DISPLAY is not set.\n");
    else
        std::fprintf(stderr, "Tapsmith needs an X11 display and cannot open the display \"%s\".\n", name);
    return false;
#endif
}

} // namespace

int main(int argc, char **argv)
{
    if (!displayReachable())
        return EXIT_FAILURE;
    Application app(argc, argv);
    // Closing the main window only hides it; the process ends through the tray menu's Exit.
    app.setQuitOnLastWindowClosed(false);

    std::unique_ptr<Platform> platform;
    try {
        platform = createPlatform();
    } catch (const std::exception &error) {
        QMessageBox::critical(nullptr, QStringLiteral("Tapsmith"), QString::fromLocal8Bit(error.what()));
        return 1;
    }

    SystemDesktop desktop;
    TFmain mainWindow(*platform, desktop, UpdateSettings::fromBuildAndFile(SettingsFile()));
    Fmain = &mainWindow;
    TFAbout about;
    TFAddEdit editDialog(&mainWindow);
    mainWindow.aboutWindow = &about;
    mainWindow.editDialog = &editDialog;

    mainWindow.adjustSize();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    mainWindow.move(screen.center() - mainWindow.rect().center());
    mainWindow.show();
    // A script file given as the only argument (a double-click on a .tpx file) is opened as Open would.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 2)
        Application::reportFailures([&] { mainWindow.openScriptFile(arguments.at(1)); });
    return app.exec();
}
