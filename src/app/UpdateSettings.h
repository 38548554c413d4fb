#pragma once

#include <QString>
#include <QUrl>

class SettingsFile;

// Where the start-up update check asks, where the new-version item and the About window lead, and how long
// the check may wait. The build configures the addresses; tests point them at their own loopback server.
struct UpdateSettings {
    // A server that accepts the connection and never answers must not keep the program from starting.
    static constexpr int DefaultTimeoutMs = 10000;

    QUrl serverUrl;    // the news page, whose text also carries the latest version; empty: no update check
    QUrl downloadPage; // opened by "Доступна новая версия!"
    QUrl webSite;      // the root page of the web site, opened from the About window
    QString supportMail;
    int timeoutMs = DefaultTimeoutMs;

    // The addresses this build was configured with.
    static UpdateSettings buildDefaults();
    // The build's addresses, with the update server the user's settings file names, if it names one.
    static UpdateSettings fromBuildAndFile(const SettingsFile &file);
};
