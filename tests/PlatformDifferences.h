#pragma once

// Test cases that cannot run on every system the suite runs on, with the reason, in one place: a case
// skips with one of these texts rather than silently.
namespace PlatformDifferences
{

constexpr const char *noPosixModes =
    "Windows has no umask, permission bits or owners; a new file gets the folder's inherited access rules";
constexpr const char *noSpecialFiles = "Windows has no FIFOs, /dev/null or /proc to open as files";
constexpr const char *noSymbolicLinks =
    "QFile::link makes a shell shortcut (.lnk) on Windows, which is a file of its own, not a symbolic link";

constexpr const char *longNameError =
    "which error a name of over 255 characters gives is the system's own (wine: path not found); on Windows "
    "the tests check only that it fails";
// Test programs not built for Windows:
// - test_translations runs lupdate, a program of the build host, which a cross-built test cannot start.
// Adapted, not skipped: the settings file is %APPDATA%\Tapsmith\tapsmith.ini on Windows, and
// TestSettingsFile moves it into its own folder with QSettings::setPath instead of XDG_CONFIG_HOME.

} // namespace PlatformDifferences
