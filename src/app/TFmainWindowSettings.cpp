// Following windows and the mouse wheel: the two record switches in the tray menu and the table's context
// menu, and the settings they come from.
#include "TFmain.h"

#include "SettingsFile.h"

#include <QAction>
#include <QDir>
#include <QMenu>

#include <cstdio>

void TFmain::buildWindowSettingsEntries()
{
    followWindowsAction = new QAction(tr("Привязка к окнам"), this);
    mouseWheelAction = new QAction(tr("Колесо мыши"), this);
    const struct {
        QAction *action;
        bool WindowSettings::*value;
        QString key;
    } switches[] = {
        {followWindowsAction, &WindowSettings::recordWindows, SettingsFile::keyName(SettingsFile::RecordWindows)},
        {mouseWheelAction, &WindowSettings::recordWheel, SettingsFile::keyName(SettingsFile::RecordWheel)},
    };
    for (QMenu *menu : {PopupMenu1, scriptContextMenu})
        menu->addSeparator();
    for (const auto &entry : switches) {
        entry.action->setCheckable(true);
        PopupMenu1->addAction(entry.action);
        scriptContextMenu->addAction(entry.action);
        // Only the user's change is written, not the state the settings file gave at start.
        connect(entry.action, &QAction::triggered, this, [this, value = entry.value, key = entry.key](bool on) {
            m_windowSettings.*value = on;
            if (!m_settingsPath.isEmpty() && !WindowSettings::writeSwitch(m_settingsPath, key, on))
                std::fprintf(stderr, "tapsmith: %s could not be written to %s\n", qPrintable(key),
                             qPrintable(QDir::toNativeSeparators(m_settingsPath)));
        });
    }
}

void TFmain::useWindowSettings(const WindowSettings &settings, const QString &settingsPath)
{
    m_windowSettings = settings;
    m_settingsPath = settingsPath;
    followWindowsAction->setChecked(settings.recordWindows);
    mouseWheelAction->setChecked(settings.recordWheel);
}
