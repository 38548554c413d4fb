// The command line: the usual --help and --version, the language option and a file to open, among Qt's own
// options; bad usage ends with status 2 and a sentence on stderr.

#include "app/CommandLine.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

  private slots:
    void noArgumentsStartsAsAlways();
    void helpAndVersionEndAtOnce();
    void fileAndLanguage();
    void aFileIsNamedByItsFullPathInTheSystemsForm();
    void windowWaitIsTheSettingsFilesUnlessGiven();
    void badUsage_data();
    void badUsage();
    void toolkitOptionsAreLeftToQt_data();
    void toolkitOptionsAreLeftToQt();
    void optionsOfAnotherPlatformAreUnknown();
};

namespace
{

CommandLine parse(QStringList arguments, const QString &platform = QStringLiteral("xcb"))
{
    arguments.prepend(QStringLiteral("tapsmith"));
    return CommandLine::parse(arguments, platform);
}

} // namespace

void TestCommandLine::noArgumentsStartsAsAlways()
{
    const CommandLine line = parse({});
    QVERIFY(!line.exitStatus);
    QVERIFY(!line.language);
    QVERIFY(line.file.isEmpty());
}

void TestCommandLine::helpAndVersionEndAtOnce()
{
    const CommandLine help = parse({QStringLiteral("--help")});
    QCOMPARE(help.exitStatus, std::optional<int>(0));
    QVERIFY(help.output.contains(QLatin1String("--lang <language>")));
    QVERIFY(help.output.contains(QLatin1String("[FILE.tpx]")));
    QVERIFY(help.output.contains(QLatin1String("Qt's own options")));
    const CommandLine version = parse({QStringLiteral("--version")});
    QCOMPARE(version.exitStatus, std::optional<int>(0));
    QCOMPARE(version.output, QStringLiteral("tapsmith 2.0.1.0\n"));
}

void TestCommandLine::fileAndLanguage()
{
    const CommandLine line = parse({QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("/tmp/a b.tpx")});
    QVERIFY(!line.exitStatus);
    QCOMPARE(line.language, std::optional<QString>(QStringLiteral("en")));
    // The full path in the system's form ("Z:\\tmp\\a b.tpx" under wine).
    QCOMPARE(line.file, QDir::toNativeSeparators(QFileInfo(QStringLiteral("/tmp/a b.tpx")).absoluteFilePath()));
    QCOMPARE(parse({QStringLiteral("--lang=ru")}).language, std::optional<QString>(QStringLiteral("ru")));
}

void TestCommandLine::aFileIsNamedByItsFullPathInTheSystemsForm()
{
    // The caption and the messages name the file as the system writes a full path (C:\\...\\a.tpx on Windows).
    const QString full = QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("sub/a.tpx")));
    QCOMPARE(parse({QStringLiteral("sub/a.tpx")}).file, full);
    QCOMPARE(parse({QStringLiteral("sub/../sub/./a.tpx"), QStringLiteral("--play")}).file, full);
    QCOMPARE(parse({QDir::current().absoluteFilePath(QStringLiteral("sub/a.tpx"))}).file, full);
}

void TestCommandLine::windowWaitIsTheSettingsFilesUnlessGiven()
{
    QVERIFY(!parse({QStringLiteral("--play"), QStringLiteral("a.tpx")}).play->windowWait);
    const CommandLine line = parse(
        {QStringLiteral("--play"), QStringLiteral("a.tpx"), QStringLiteral("--window-wait"), QStringLiteral("3600")});
    QCOMPARE(line.play->windowWait, std::optional<int>(3600));
    QVERIFY(parse({QStringLiteral("--help")}).output.contains(QLatin1String("--window-wait <S>")));
}

void TestCommandLine::badUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said");
    QTest::newRow("unknown option") << QStringList{"--fly"} << "Unknown option '--fly'.";
    QTest::newRow("unknown single-dash word") << QStringList{"-frobnicate"} << "Unknown option '-frobnicate'.";
    QTest::newRow("unknown with a value") << QStringList{"--fly=high"} << "Unknown option '--fly'.";
    QTest::newRow("language missing") << QStringList{"--lang"} << "Missing value after '--lang'.";
    QTest::newRow("Qt's option missing its value") << QStringList{"-style"} << "Missing value after '-style'.";
    QTest::newRow("unknown language") << QStringList{"--lang", "de"} << "Unknown language 'de' (ru or en).";
    QTest::newRow("two files") << QStringList{"a.tpx", "b.tpx"} << "One script file at most.";
    QTest::newRow("setting without --play") << QStringList{"--speed", "50"} << "--speed goes with --play.";
    QTest::newRow("window wait without --play")
        << QStringList{"--window-wait", "5"} << "--window-wait goes with --play.";
    QTest::newRow("window wait of 0") << QStringList{"--play", "a.tpx", "--window-wait", "0"}
                                      << "--window-wait takes a whole number of seconds from 1 to 3600.";
}

void TestCommandLine::badUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    const CommandLine line = parse(arguments);
    QCOMPARE(line.exitStatus, std::optional<int>(CommandLine::UsageError));
    QCOMPARE(line.output, said + QStringLiteral("\nTry 'tapsmith --help'.\n"));
}

void TestCommandLine::toolkitOptionsAreLeftToQt_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("display");
    QTest::newRow("values after the option")
        << QStringList{"-style",           "fusion", "-stylesheet",   "a.qss", "-platform",           "xcb",
                       "-qwindowgeometry", "9x9",    "-qwindowtitle", "T",     "-qwindowicon",        "i.png",
                       "-platformtheme",   "gtk3",   "-plugin",       "evdev", "-platformpluginpath", "/p"}
        << QString();
    QTest::newRow("values after =") << QStringList{"-style=fusion", "-stylesheet=a.qss", "-qmljsdebugger=port:1"}
                                    << QString();
    QTest::newRow("two dashes") << QStringList{"--style", "fusion", "--reverse", "--session", "id"} << QString();
    QTest::newRow("switches") << QStringList{"-reverse", "-widgetcount", "-testability"} << QString();
    QTest::newRow("a session manager's") << QStringList{"-session", "10d5a8f0e3000170000000001000000070"} << QString();
    QTest::newRow("the X11 platform's") << QStringList{"-display", ":7",    "-geometry", "9x9+1+1", "-title",
                                                       "T",        "-icon", "i.png",     "-name",   "n",
                                                       "-visual",  "32",    "-nograb",   "-dograb"}
                                        << QStringLiteral(":7");
}

void TestCommandLine::toolkitOptionsAreLeftToQt()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, display);
    // Qt's options stand before and after ours; what they take is not mistaken for a script file.
    arguments.prepend(QStringLiteral("en"));
    arguments.prepend(QStringLiteral("--lang"));
    arguments << QStringLiteral("a.tpx");
    const CommandLine line = parse(arguments);
    QVERIFY2(!line.exitStatus, qPrintable(line.output));
    QCOMPARE(line.file, QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("a.tpx"))));
    QCOMPARE(line.language, std::optional<QString>(QStringLiteral("en")));
    QCOMPARE(line.display, display);

    arguments << QStringLiteral("--play");
    const CommandLine play = parse(arguments);
    QVERIFY2(!play.exitStatus, qPrintable(play.output));
    QVERIFY(play.play);
}

void TestCommandLine::optionsOfAnotherPlatformAreUnknown()
{
    // Qt takes -geometry and -display only when it runs on X11; on Windows they are nobody's.
    const CommandLine windows = parse({QStringLiteral("-geometry"), QStringLiteral("9x9")}, QStringLiteral("windows"));
    QCOMPARE(windows.exitStatus, std::optional<int>(CommandLine::UsageError));
    QVERIFY2(windows.output.startsWith(QLatin1String("Unknown option '-geometry'.")), qPrintable(windows.output));
    // A -platform given before them decides, as it does for Qt.
    const CommandLine x11 =
        parse({QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("-display"), QStringLiteral(":3")},
              QStringLiteral("windows"));
    QVERIFY2(!x11.exitStatus, qPrintable(x11.output));
    QCOMPARE(x11.display, QStringLiteral(":3"));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
