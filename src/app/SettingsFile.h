#pragma once

#include <QSettings>
#include <QString>

#include <optional>

// The user's settings file, in QSettings' INI format: Tapsmith/tapsmith.conf in the user's configuration
// folder ($XDG_CONFIG_HOME, by default ~/.config) on Linux, %APPDATA%\Tapsmith\tapsmith.ini on Windows. The
// user writes it; Tapsmith only reads it. A key that is absent leaves its setting at the default.
//
//   [update]
//   url=http://example.org/tapsmith/tapsmith.php
class SettingsFile
{
  public:
    // Where the user's settings file is, whether or not it exists.
    static QString userPath();
    // The user's settings file when it is a regular file or absent; otherwise (a pipe, a device, a folder,
    // which would hold the start or make no sense) an empty path, which reads as no settings, after a line
    // on stderr.
    static QString readablePath();

    explicit SettingsFile(const QString &path = userPath());

    // update/url: the update server's page. Absent: the build's default; present but empty: no update check.
    std::optional<QString> updateUrl() const { return text(QStringLiteral("update/url")); }

  private:
    // The text of a key; absent when the file does not have it.
    std::optional<QString> text(const QString &key) const;

    QSettings m_settings;
};
