#pragma once

#include <QSettings>
#include <QString>

#include <array>
#include <optional>

// The user's settings file, in QSettings' INI format: Tapsmith/tapsmith.conf in the user's configuration
// folder ($XDG_CONFIG_HOME, by default ~/.config) on Linux, %APPDATA%\Tapsmith\tapsmith.ini on Windows. The
// user writes it; Tapsmith reads it once at start, and writes only the one line of a record switch changed
// from its menus (WindowSettings::writeSwitch). A key that is absent leaves its setting at the default.
//
//   [update]
//   url=http://example.org/tapsmith/tapsmith.php
//
// keys() lists every key the program reads, with its default and meaning; the README's table of keys is
// checked against it.
class SettingsFile
{
  public:
    enum Key {
        UpdateUrl,
        HotkeyShow,
        HotkeyRecord,
        HotkeyStop,
        HotkeyPlay,
        UiLanguage,
        RecordWindows,
        RecordWheel,
        PlayWindowWait,
        KeyCount
    };

    struct KeyInfo {
        const char *name;         // "section/key"
        const char *defaultValue; // what an absent key means, as a text of the key's own form
        const char *meaning;
    };
    // In the order of Key.
    static const std::array<KeyInfo, KeyCount> &keys();

    // Where the user's settings file is, whether or not it exists.
    static QString userPath();
    // The user's settings file when it is a regular file or absent; otherwise (a pipe, a device, a folder,
    // which would hold the start or make no sense) an empty path, which reads as no settings, after a line
    // on stderr.
    static QString readablePath();

    explicit SettingsFile(const QString &path = userPath());
    // The file read; empty when none was (readablePath() refused it).
    QString path() const { return m_path; }
    static QString keyName(Key key) { return QString::fromLatin1(keys()[key].name); }

    // The text of a key; absent when the file does not have it.
    std::optional<QString> text(Key key) const;

    // update/url: the update server's page. Absent: the build's default; present but empty: no update check.
    std::optional<QString> updateUrl() const { return text(UpdateUrl); }

  private:
    QString m_path;
    QSettings m_settings;
};
