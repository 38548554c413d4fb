#pragma once

#include <QString>

class SettingsFile;

// The settings of following windows and the mouse wheel, in the settings file:
//
//   [record]
//   windows=true      anchor rows before clicks (default false)
//   wheel=true        wheel rows (default false)
//   [play]
//   window_wait=10    seconds a replay waits for an anchor's window, 1..3600 (default 10)
//
// A value that cannot be read keeps its default. The two record switches are also changed from the menus;
// that writes the one key and leaves the rest of the file as it is.
struct WindowSettings {
    bool recordWindows = false;
    bool recordWheel = false;
    int windowWaitSeconds = DefaultWindowWaitSeconds;

    static constexpr int DefaultWindowWaitSeconds = 10;
    static constexpr int MaximumWindowWaitSeconds = 3600;
    static WindowSettings fromSettings(const SettingsFile &settings);

    // Sets `key` ("section/name") to true or false in the file at `path`, creating the file, its section or
    // its line as needed and leaving every other line byte for byte. False when it cannot be written.
    static bool writeSwitch(const QString &path, const QString &key, bool on);
};
