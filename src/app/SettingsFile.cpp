#include "SettingsFile.h"

#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

const std::array<SettingsFile::KeyInfo, SettingsFile::KeyCount> &SettingsFile::keys()
{
    static const std::array<KeyInfo, KeyCount> table = {{
        {"update/url", "", "the update server's page; empty: no update check (absent: the build's address)"},
        {"hotkeys/show", "Alt+Shift+F9", "the hotkey that shows the window"},
        {"hotkeys/record", "Alt+F9", "the hotkey that starts a recording"},
        {"hotkeys/stop", "Alt+F10", "the hotkey that stops a recording or a playback"},
        {"hotkeys/play", "Alt+F11", "the hotkey that starts a playback"},
        {"ui/language", "ru", "the interface language: en for English, anything else Russian"},
        {"record/windows", "false", "anchor rows before clicks on another window (also in the menus)"},
        {"record/wheel", "false", "wheel rows for turns of the mouse wheel (also in the menus)"},
        {"play/window_wait", "10", "seconds a replay waits for an anchor's window, 1..3600"},
    }};
    return table;
}

QString SettingsFile::userPath()
{
#ifdef Q_OS_WIN
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tapsmith"), QStringLiteral("tapsmith"))
        .fileName();
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tapsmith/tapsmith.conf");
#endif
}

QString SettingsFile::readablePath()
{
    QString path = userPath();
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return path;
    std::fprintf(stderr, "tapsmith: %s is not a regular file; the settings file is ignored.\n",
                 qPrintable(QDir::toNativeSeparators(path)));
    return QString();
}

SettingsFile::SettingsFile(const QString &path) : m_path(path), m_settings(path, QSettings::IniFormat) {}

std::optional<QString> SettingsFile::text(Key setting) const
{
    const QString key = QString::fromLatin1(keys()[setting].name);
    if (!m_settings.contains(key))
        return std::nullopt;
    const QVariant value = m_settings.value(key);
    // The INI reader splits an unquoted value at its commas; a text setting takes it whole again.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}
