#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/CommandLinePlayback.h"
#include "app/FormFont.h"
#include "app/HotkeyBindings.h"
#include "app/InterfaceLanguage.h"
#include "app/SettingsFile.h"
#include "app/SystemDesktop.h"
#include "app/TFAbout.h"
#include "app/TFmain.h"
#include "app/WindowSettings.h"
#include "core/FileSystem.h"
#include "edit/TFAddEdit.h"
#include "platform/JournalSystem.h"
#include "platform/Platform.h"
#include "platform/ProgramStart.h"
#include "platform/SystemFileSystem.h"

#include <QMessageBox>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace
{

// tapsmith --play: no window, no tray icon; the exit status says how the run ended.
int playFromCommandLine(int argc, char **argv, const CommandLine &commandLine)
{
    const QCoreApplication app(argc, argv);
    setFileSystem(createFileSystem());
    const SettingsFile settings(SettingsFile::readablePath());
    const HotkeyBindings hotkeys = HotkeyBindings::fromSettings(settings);
    CommandLine::Play play = *commandLine.play;
    if (!play.windowWait)
        play.windowWait = WindowSettings::fromSettings(settings).windowWaitSeconds;
    std::unique_ptr<Platform> platform;
    try {
        platform = createPlatform();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "tapsmith: %s\n", error.what());
        return EXIT_FAILURE;
    }
    return CommandLinePlayback::run(*platform, commandLine.file, play, hotkeys.binding(HotkeyBindings::Stop), stdout,
                                    stderr);
}

} // namespace

int main(int argc, char **argv)
{
    const CommandLine commandLine = CommandLine::parse(programArguments(argc, argv));
    if (commandLine.exitStatus || commandLine.play)
        useParentConsole();
    if (commandLine.exitStatus) {
        std::fputs(commandLine.output.toLocal8Bit().constData(), *commandLine.exitStatus == 0 ? stdout : stderr);
        return *commandLine.exitStatus;
    }
#ifndef _WIN32
    // Qt's -display puts the window there; recording, playback and the hotkeys follow it.
    if (!commandLine.display.isEmpty())
        qputenv("DISPLAY", commandLine.display.toLocal8Bit());
#endif
    if (const std::string missing = desktopUnreachable(); !missing.empty()) {
        std::fprintf(stderr, "%s\n", missing.c_str());
        return EXIT_FAILURE;
    }
    if (commandLine.play)
        return playFromCommandLine(argc, argv, commandLine);
    Application app(argc, argv);
    // Read once, here: nothing reads the file again.
    const SettingsFile settings(SettingsFile::readablePath());
    InterfaceLanguage::install(
        app, InterfaceLanguage::choose(commandLine.language, settings.text(SettingsFile::UiLanguage)));
    // Closing the main window only hides it; the process ends through the tray menu's Exit.
    app.setQuitOnLastWindowClosed(false);
    FormFont::ensureTahoma();

    // Before anything else: a table a copy that has ended left unsaved.
    const std::unique_ptr<JournalSystem> processes = createJournalSystem();
    const QString journalFolder = RecoveryJournal::defaultFolder();
    std::optional<RecoveryJournal::Offer> recovery = RecoveryJournal::claimOffer(journalFolder, *processes);
    if (recovery && !TFmain::askToRestore(*recovery)) {
        RecoveryJournal::decline(*recovery);
        recovery.reset();
    }

    std::unique_ptr<Platform> platform;
    try {
        platform = createPlatform();
    } catch (const std::exception &error) {
        QMessageBox::critical(nullptr, QStringLiteral("Tapsmith"), QString::fromLocal8Bit(error.what()));
        return 1;
    }

    SystemDesktop desktop;
    TFmain mainWindow(*platform, desktop, UpdateSettings::fromBuildAndFile(settings), nullptr,
                      HotkeyBindings::fromSettings(settings));
    mainWindow.useWindowSettings(WindowSettings::fromSettings(settings), settings.path());
    SystemJournalClock journalClock;
    mainWindow.keepRecoveryJournal(journalFolder, journalClock, *processes);
    TFAbout about;
    TFAddEdit editDialog(&mainWindow);
    mainWindow.aboutWindow = &about;
    mainWindow.editDialog = &editDialog;

    mainWindow.adjustSize();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    mainWindow.move(screen.center() - mainWindow.rect().center());
    mainWindow.show();
    if (recovery) {
        // The restored table is the one the user asked for; opening the file would settle it away.
        mainWindow.restoreRecovery(*recovery);
        if (!commandLine.file.isEmpty())
            std::fprintf(stderr, "tapsmith: %s was not opened: the unsaved script was restored instead\n",
                         qPrintable(commandLine.file));
    } else if (!commandLine.file.isEmpty()) {
        Application::reportFailures([&] { mainWindow.openScriptFile(commandLine.file); });
    }
    return app.exec();
}
