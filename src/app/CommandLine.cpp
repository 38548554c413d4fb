#include "CommandLine.h"

#include "VersionCheck.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <optional>

namespace
{

// A whole decimal number within [low, high]; none otherwise.
std::optional<int> numberIn(const QString &text, int low, int high)
{
    if (text.isEmpty() || !std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); }))
        return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tapsmith records keyboard and mouse input into a script "
                                                    "and plays it back."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    const QCommandLineOption lang(QStringLiteral("lang"),
                                  QStringLiteral("The interface language: ru (the default) or en."),
                                  QStringLiteral("language"));
    const QCommandLineOption play(QStringLiteral("play"),
                                  QStringLiteral("Plays the script with no window and exits when the run ends: 0 "
                                                 "completed, 1 a row failed, 2 bad usage or an unreadable file, "
                                                 "130 stopped (the stop hotkey, SIGINT, SIGTERM)."));
    const QCommandLineOption repeat(QStringLiteral("repeat"),
                                    QStringLiteral("With --play: how many times to play the script, 1..1000 "
                                                   "(default 1)."),
                                    QStringLiteral("N"));
    const QCommandLineOption interval(QStringLiteral("interval"),
                                      QStringLiteral("With --play: the pause between repetitions in seconds, "
                                                     "1..1000, fixed (S) or random (MIN-MAX) (default 1)."),
                                      QStringLiteral("S|MIN-MAX"));
    const QCommandLineOption speed(QStringLiteral("speed"),
                                   QStringLiteral("With --play: the recorded delays in percent, 1..200 "
                                                  "(default 100; 50 plays twice as fast)."),
                                   QStringLiteral("P"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("With --play: says what is played and how the run ended."));
    parser.addOptions({help, version, lang, play, repeat, interval, speed, verbose});
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A script file to open (or to play)."),
                                 QStringLiteral("[FILE.tpx]"));

    CommandLine line;
    const auto usageError = [&](const QString &text) {
        line.exitStatus = UsageError;
        line.output = QStringLiteral("tapsmith: ") + text + QStringLiteral("\nTry 'tapsmith --help'.\n");
        return line;
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        line.exitStatus = 0;
        // Without an application object the parser cannot know the program's name.
        line.output = parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("tapsmith"));
        return line;
    }
    if (parser.isSet(version)) {
        line.exitStatus = 0;
        line.output = QStringLiteral("tapsmith ") + ProgramVersion + u'\n';
        return line;
    }
    if (parser.isSet(lang)) {
        const QString value = parser.value(lang);
        if (value != QLatin1String("en") && value != QLatin1String("ru"))
            return usageError(QStringLiteral("unknown language '%1' (ru or en)").arg(value));
        line.language = value;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return usageError(QStringLiteral("one script file at most"));
    if (!positional.isEmpty())
        line.file = positional.constFirst();

    if (!parser.isSet(play)) {
        for (const QCommandLineOption *option : {&repeat, &interval, &speed, &verbose}) {
            if (parser.isSet(*option))
                return usageError(QStringLiteral("--%1 goes with --play").arg(option->names().constFirst()));
        }
        return line;
    }
    if (line.file.isEmpty())
        return usageError(QStringLiteral("--play needs a script file"));
    Play settings;
    if (parser.isSet(repeat)) {
        const auto value = numberIn(parser.value(repeat), 1, 1000);
        if (!value)
            return usageError(QStringLiteral("--repeat takes a whole number from 1 to 1000"));
        settings.repeats = *value;
    }
    if (parser.isSet(interval)) {
        const QString text = parser.value(interval);
        const qsizetype dash = text.indexOf(u'-');
        const auto first = numberIn(dash < 0 ? text : text.left(dash), 1, 1000);
        const auto second = dash < 0 ? first : numberIn(text.mid(dash + 1), 1, 1000);
        if (!first || !second)
            return usageError(QStringLiteral("--interval takes seconds from 1 to 1000: S or MIN-MAX"));
        if (*first > *second)
            return usageError(QStringLiteral("--interval MIN-MAX: MAX cannot be less than MIN"));
        settings.intervalMode = dash < 0 ? 0 : 1;
        settings.first = *first;
        settings.second = *second;
    }
    if (parser.isSet(speed)) {
        const auto value = numberIn(parser.value(speed), 1, 200);
        if (!value)
            return usageError(QStringLiteral("--speed takes a whole number from 1 to 200"));
        settings.speed = *value;
    }
    settings.verbose = parser.isSet(verbose);
    line.play = settings;
    return line;
}
