#include "CommandLine.h"

#include "VersionCheck.h"

#include <QCommandLineParser>
#include <QCoreApplication>

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
    parser.addOptions({help, version, lang});
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A script file to open."),
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
        line.output = parser.helpText();
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
    return line;
}
