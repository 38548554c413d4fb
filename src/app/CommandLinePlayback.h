#pragma once

#include "CommandLine.h"
#include "HotkeyBindings.h"

#include <QString>

#include <cstdio>
#include <optional>

struct Platform;

// Plays a script file for `tapsmith --play`: the engine and rules of the Play command, with no window, tray
// icon or balloon. The stop hotkey is watched without a grab, so it stops the run also while another
// Tapsmith holds it; a request to end the process (SIGINT, SIGTERM) stops it too. Held keys and buttons are
// let go however the run ends.
class CommandLinePlayback
{
  public:
    // Exit statuses.
    static constexpr int Completed = 0;
    static constexpr int RowFailed = 1;
    static constexpr int Unreadable = 2;
    static constexpr int Stopped = 130;

    // Plays `file` and returns the exit status. Failures go to `errors` (the error text, then where it
    // happened); with settings.verbose, what is played and how the run ended go to `output`.
    static int run(Platform &platform, const QString &file, const CommandLine::Play &settings,
                   const std::optional<HotkeyBindings::Binding> &stopKey, std::FILE *output, std::FILE *errors);
};
