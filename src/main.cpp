#include "app/Application.h"
#include "app/SystemDesktop.h"
#include "app/TFAbout.h"
#include "app/TFmain.h"
#include "edit/TFAddEdit.h"
#include "platform/Platform.h"

#include <QMessageBox>
#include <QScreen>

#include <stdexcept>

int main(int argc, char **argv)
{
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
    TFmain mainWindow(*platform, desktop, UpdateSettings::buildDefaults());
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
