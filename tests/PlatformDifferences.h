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

} // namespace PlatformDifferences
