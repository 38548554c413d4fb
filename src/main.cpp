#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/InterfaceLanguage.h"
#include "app/SystemDesktop.h"
#include "app/TFAbout.h"
#include "app/TFmain.h"
#include "edit/TFAddEdit.h"
#include "platform/Platform.h"

#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

#include <cstdio>
#include <stdexcept>

namespace
{

// The user's settings file, which Tapsmith reads and never writes: Tapsmith/tapsmith.conf in the user's
// configuration folder, %APPDATA%\Tapsmith\tapsmith.ini on Windows.
QString userSettingsPath()
{
#ifdef Q_OS_WIN
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tapsmith"), QStringLiteral("tapsmith"))
        .fileName();
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tapsmith/tapsmith.conf");
#endif
}

} // namespace

int main(int argc, char **argv)
{
    Application app(argc, argv);
    const CommandLine commandLine = CommandLine::parse(QCoreApplication::arguments());
    if (commandLine.exitStatus) {
        std::fputs(commandLine.output.toLocal8Bit().constData(), *commandLine.exitStatus == 0 ? stdout : stderr);
        return *commandLine.exitStatus;
    }
    const QSettings settings(userSettingsPath(), QSettings::IniFormat);
    const QVariant languageSetting = settings.value(QStringLiteral("ui/language"));
    InterfaceLanguage::install(
        app, InterfaceLanguage::choose(commandLine.language, languageSetting.isValid()
                                                                 ? std::optional<QString>(languageSetting.toString())
                                                                 : std::nullopt));
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
    TFmain mainWindow(*platform, desktop, UpdateSettings::buildDefaults(), nullptr,
                      HotkeyBindings::fromSettings(settings));
    Fmain = &mainWindow;
    TFAbout about;
    TFAddEdit editDialog(&mainWindow);
    mainWindow.aboutWindow = &about;
    mainWindow.editDialog = &editDialog;

    mainWindow.adjustSize();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    mainWindow.move(screen.center() - mainWindow.rect().center());
    mainWindow.show();
    if (!commandLine.file.isEmpty())
        Application::reportFailures([&] { mainWindow.openScriptFile(commandLine.file); });
    return app.exec();
}
