#include "CommandLine.h"

#include "VersionCheck.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace
{

// The options that Qt takes out of the arguments before a program sees them: the application object's and
// those of the platform plugin. Qt reads "-name" and "--name" alike.
enum class Takes { Nothing, NextArgument, NextArgumentOrEquals, OnlyEquals };
struct ToolkitOption {
    const char *name;
    Takes takes;
    bool x11Only; // the X11 plugin's, taken only when that plugin is the one loaded
};

constexpr ToolkitOption toolkitOptions[] = {
    {"platform", Takes::NextArgument, false},
    {"platformpluginpath", Takes::NextArgument, false},
    {"platformtheme", Takes::NextArgument, false},
    {"plugin", Takes::NextArgument, false},
    {"qwindowgeometry", Takes::NextArgument, false},
    {"qwindowtitle", Takes::NextArgument, false},
    {"qwindowicon", Takes::NextArgument, false},
    {"style", Takes::NextArgumentOrEquals, false},
    {"stylesheet", Takes::NextArgumentOrEquals, false},
    {"session", Takes::NextArgument, false},
    {"qmljsdebugger", Takes::OnlyEquals, false},
    {"reverse", Takes::Nothing, false},
    {"testability", Takes::Nothing, false},
    {"widgetcount", Takes::Nothing, false},
    {"display", Takes::NextArgument, true},
    {"geometry", Takes::NextArgument, true},
    {"title", Takes::NextArgument, true},
    {"icon", Takes::NextArgument, true},
    {"name", Takes::NextArgument, true},
    {"visual", Takes::NextArgument, true},
    {"nograb", Takes::Nothing, true},
    {"dograb", Takes::Nothing, true},
};

// The arguments without Qt's options, and what of Qt's options the program itself needs to know.
struct ToolkitSplit {
    QStringList rest;
    QString display;
    QString missingValue; // a Qt option given last, without the value it takes
};

// "-name", "--name" or "-name=value" as Qt's option name; empty for anything else.
QString toolkitName(const QString &argument)
{
    if (!argument.startsWith(u'-') || argument.size() < 2)
        return QString();
    const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    return name.left(name.indexOf(u'='));
}

ToolkitSplit splitToolkitOptions(const QStringList &arguments, QString platform)
{
    // The plugin that will be loaded: the last -platform wins, as in Qt.
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        if (toolkitName(arguments.at(i)) == QLatin1String("platform") && !arguments.at(i).contains(u'='))
            platform = arguments.at(i + 1);
    }
    const bool x11 = platform.startsWith(QLatin1String("xcb"));

    ToolkitSplit split;
    if (!arguments.isEmpty())
        split.rest << arguments.constFirst();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            split.rest << arguments.mid(i);
            break;
        }
        const QString name = toolkitName(argument);
        const auto option = std::find_if(std::begin(toolkitOptions), std::end(toolkitOptions),
                                         [&](const ToolkitOption &o) { return name == QLatin1String(o.name); });
        const bool withEquals = argument.contains(u'=');
        const auto takenByQt = [&] {
            if (name.isEmpty() || option == std::end(toolkitOptions) || (option->x11Only && !x11))
                return false;
            if (withEquals)
                return option->takes == Takes::NextArgumentOrEquals || option->takes == Takes::OnlyEquals;
            return option->takes != Takes::OnlyEquals;
        };
        if (!takenByQt()) {
            split.rest << argument;
            continue;
        }
        QString value;
        if (withEquals) {
            value = argument.mid(argument.indexOf(u'=') + 1);
        } else if (option->takes != Takes::Nothing) {
            if (i + 1 == arguments.size()) {
                split.missingValue = argument;
                break;
            }
            value = arguments.at(++i);
        }
        if (name == QLatin1String("display"))
            split.display = value;
    }
    return split;
}

// The platform plugin Qt loads where no -platform is given.
QString defaultPlatform()
{
    QString chosen = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!chosen.isEmpty())
        return chosen;
#ifdef Q_OS_WIN
    return QStringLiteral("windows");
#else
    return QStringLiteral("xcb");
#endif
}

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

CommandLine CommandLine::parse(const QStringList &arguments, const QString &platform)
{
    QCommandLineParser parser;
    // "-frobnicate" is one unknown option, not eleven unknown letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("Tapsmith records keyboard and mouse input into a script "
                                                    "and plays it back.\nQt's own options (-style, -platform, "
                                                    "-display, -session ...) are taken as in every Qt program."));
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
    const QCommandLineOption windowWait(QStringLiteral("window-wait"),
                                        QStringLiteral("With --play: how long to wait for the window of an anchor "
                                                       "row, 1..3600 seconds (default: play/window_wait of the "
                                                       "settings file, else 10)."),
                                        QStringLiteral("S"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("With --play: says what is played and how the run ended."));
    parser.addOptions({help, version, lang, play, repeat, interval, speed, windowWait, verbose});
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A script file to open (or to play)."),
                                 QStringLiteral("[FILE.tpx]"));

    CommandLine line;
    const auto usageError = [&](const QString &sentence) {
        line.exitStatus = UsageError;
        line.output = sentence + QStringLiteral("\nTry 'tapsmith --help'.\n");
        return line;
    };
    const ToolkitSplit split = splitToolkitOptions(arguments, platform.isEmpty() ? defaultPlatform() : platform);
    if (!split.missingValue.isEmpty())
        return usageError(QStringLiteral("Missing value after '%1'.").arg(split.missingValue));
    line.display = split.display;
    if (!parser.parse(split.rest)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (unknown.isEmpty())
            return usageError(parser.errorText());
        // Named as it was given, with its dashes.
        const auto given = std::find_if(split.rest.cbegin(), split.rest.cend(), [&](const QString &argument) {
            return toolkitName(argument) == unknown.constFirst();
        });
        const QString name = given == split.rest.cend() ? unknown.constFirst() : given->left(given->indexOf(u'='));
        return usageError(QStringLiteral("Unknown option '%1'.").arg(name));
    }
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
            return usageError(QStringLiteral("Unknown language '%1' (ru or en).").arg(value));
        line.language = value;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return usageError(QStringLiteral("One script file at most."));
    // The caption and the messages name the file by its full path, as the system writes one.
    if (!positional.isEmpty())
        line.file = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(positional.constFirst()).absoluteFilePath()));

    if (!parser.isSet(play)) {
        for (const QCommandLineOption *option : {&repeat, &interval, &speed, &windowWait, &verbose}) {
            if (parser.isSet(*option))
                return usageError(QStringLiteral("--%1 goes with --play.").arg(option->names().constFirst()));
        }
        return line;
    }
    if (line.file.isEmpty())
        return usageError(QStringLiteral("--play needs a script file."));
    Play settings;
    if (parser.isSet(repeat)) {
        const auto value = numberIn(parser.value(repeat), 1, 1000);
        if (!value)
            return usageError(QStringLiteral("--repeat takes a whole number from 1 to 1000."));
        settings.repeats = *value;
    }
    if (parser.isSet(interval)) {
        const QString text = parser.value(interval);
        const qsizetype dash = text.indexOf(u'-');
        const auto first = numberIn(dash < 0 ? text : text.left(dash), 1, 1000);
        const auto second = dash < 0 ? first : numberIn(text.mid(dash + 1), 1, 1000);
        if (!first || !second)
            return usageError(QStringLiteral("--interval takes seconds from 1 to 1000: S or MIN-MAX."));
        if (*first > *second)
            return usageError(QStringLiteral("--interval MIN-MAX: MAX cannot be less than MIN."));
        settings.intervalMode = dash < 0 ? 0 : 1;
        settings.first = *first;
        settings.second = *second;
    }
    if (parser.isSet(speed)) {
        const auto value = numberIn(parser.value(speed), 1, 200);
        if (!value)
            return usageError(QStringLiteral("--speed takes a whole number from 1 to 200."));
        settings.speed = *value;
    }
    if (parser.isSet(windowWait)) {
        const auto value = numberIn(parser.value(windowWait), 1, 3600);
        if (!value)
            return usageError(QStringLiteral("--window-wait takes a whole number of seconds from 1 to 3600."));
        settings.windowWait = *value;
    }
    settings.verbose = parser.isSet(verbose);
    line.play = settings;
    return line;
}
