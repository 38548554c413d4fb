#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for. Without arguments the program starts as it always does.
//   tapsmith [--lang en|ru] [FILE.tpx]   starts with the file opened, as Open would
struct CommandLine {
    // The program ends at once with this status after printing `output` (to stdout for --help and
    // --version, to stderr for a usage error); otherwise it runs.
    std::optional<int> exitStatus;
    QString output;

    std::optional<QString> language; // --lang
    QString file;                    // the script to open at start

    static constexpr int UsageError = 2;

    // `arguments` as QCoreApplication::arguments() gives them, the program first.
    static CommandLine parse(const QStringList &arguments);
};
