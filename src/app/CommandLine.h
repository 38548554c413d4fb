#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for. Without arguments the program starts as it always does. Qt's own options
// (-style, -platform, -display, -session...) may stand anywhere; they are left to the application object.
//   tapsmith [--lang en|ru] [FILE.tpx]   starts with the file opened, as Open would
//   tapsmith --play FILE.tpx [--repeat N] [--interval S | --interval MIN-MAX] [--speed P] [--window-wait S]
//                  [--verbose]           plays the file with no window and exits when the run ends
struct CommandLine {
    // The program ends at once with this status after printing `output` (to stdout for --help and
    // --version, to stderr for a usage error); otherwise it runs.
    std::optional<int> exitStatus;
    QString output;

    std::optional<QString> language; // --lang
    QString file;                    // the script to open at start, or to play with --play: its full path
    QString display;                 // Qt's -display: the X display to work on; empty for the usual one

    // --play and the playback settings it takes, with the ranges and defaults of the window's own.
    struct Play {
        int repeats = 1;
        int intervalMode = 0; // 0: fixed (first), 1: random (first..second)
        int first = 1;
        int second = 1;
        int speed = 100;
        bool verbose = false;
        std::optional<int> windowWait; // seconds, 1..3600; none: the settings file's play/window_wait
    };
    std::optional<Play> play;

    static constexpr int UsageError = 2;

    // `arguments` as the program received them, the program first. Qt's options are told apart as Qt itself
    // does, which depends on the platform plugin it will load (`platform`, as -platform or QT_QPA_PLATFORM
    // name it; empty: the one Qt would choose here).
    static CommandLine parse(const QStringList &arguments, const QString &platform = QString());
};
