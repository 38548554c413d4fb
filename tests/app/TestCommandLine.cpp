// The command line: the usual --help and --version, the language option and a file to open; bad usage
// ends with status 2 and a word on stderr.

#include "app/CommandLine.h"

#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

  private slots:
    void noArgumentsStartsAsAlways();
    void helpAndVersionEndAtOnce();
    void fileAndLanguage();
    void badUsage_data();
    void badUsage();
};

namespace
{

CommandLine parse(QStringList arguments)
{
    arguments.prepend(QStringLiteral("tapsmith"));
    return CommandLine::parse(arguments);
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
    const CommandLine version = parse({QStringLiteral("--version")});
    QCOMPARE(version.exitStatus, std::optional<int>(0));
    QCOMPARE(version.output, QStringLiteral("tapsmith 2.0.1.0\n"));
}

void TestCommandLine::fileAndLanguage()
{
    const CommandLine line = parse({QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("/tmp/a b.tpx")});
    QVERIFY(!line.exitStatus);
    QCOMPARE(line.language, std::optional<QString>(QStringLiteral("en")));
    QCOMPARE(line.file, QStringLiteral("/tmp/a b.tpx"));
    QCOMPARE(parse({QStringLiteral("--lang=ru")}).language, std::optional<QString>(QStringLiteral("ru")));
}

void TestCommandLine::badUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown option") << QStringList{"--fly"};
    QTest::newRow("language missing") << QStringList{"--lang"};
    QTest::newRow("unknown language") << QStringList{"--lang", "de"};
    QTest::newRow("two files") << QStringList{"a.tpx", "b.tpx"};
}

void TestCommandLine::badUsage()
{
    QFETCH(QStringList, arguments);
    const CommandLine line = parse(arguments);
    QCOMPARE(line.exitStatus, std::optional<int>(CommandLine::UsageError));
    QVERIFY(line.output.startsWith(QLatin1String("tapsmith: ")));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
