// `tapsmith --play` as a real process on the private X server: every exit status, the played events as an
// independent client sees them, no window, and the stops (the stop hotkey while another Tapsmith holds it,
// SIGINT, SIGTERM) that let go of what the script held down.

#include "platform/XRecordObserver.h"
#include "platform/XTestDriver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>

#include <sys/stat.h>

#include <X11/Xlib.h>

// After Qt: Xlib defines names Qt uses.
#include "TapsmithProcess.h"

namespace
{

// A script file of these lines, CR LF ended.
QString writeScript(const QTemporaryDir &folder, const QString &name, const QList<QByteArray> &lines)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    for (const QByteArray &line : lines)
        file.write(line + "\r\n");
    return path;
}

} // namespace

class TestPlayFromCommandLine : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void playsTheFileWithNoWindowAndExits0();
    void motionsSentAreTheMoveRows();
    void failedRowExits1WithTheRowAndTheFile();
    void badUsageAndUnreadableFilesExit2_data();
    void badUsageAndUnreadableFilesExit2();
    void stopsExit130AndLetGoOfHeldKeys_data();
    void stopsExit130AndLetGoOfHeldKeys();
    void completedRunLetsGoOfWhatTheScriptLeftDown();
    void hugeNumberFieldIsReportedShort();
    void verboseCountsTheScriptRows();
    void settingsFileThatIsAPipeIsIgnored();
    void aStopKeyThatCannotBeWatchedSaysWhy();

  private:
    QTemporaryDir m_folder;
    XTestDriver m_user;
};

void TestPlayFromCommandLine::initTestCase()
{
    // The window search walks other clients' windows, which may go while it looks: not a fault of the test.
    XSetErrorHandler(ProgramWindows::ignoreXErrors);
    QVERIFY(m_folder.isValid());
    QVERIFY2(m_user.isOpen(), "no X display");
}

void TestPlayFromCommandLine::playsTheFileWithNoWindowAndExits0()
{
    const QString script = writeScript(m_folder, QStringLiteral("a.tpx"),
                                       {"Move()|123;234;0", "KeyDown()|VK_A;30;300", "KeyUp()|VK_A;30;300"});
    XRecordObserver observer;
    QVERIFY(observer.start());
    TapsmithProcess program(m_folder.path());
    QVERIFY(program.start({QStringLiteral("--play"), script, QStringLiteral("--repeat"), QStringLiteral("2"),
                           QStringLiteral("--interval"), QStringLiteral("1"), QStringLiteral("--speed"),
                           QStringLiteral("50")}));
    // While it plays (about 1.6 s), nothing of it is on the screen.
    int mappedWhilePlaying = 0;
    while (!program.process.waitForFinished(100))
        mappedWhilePlaying += int(viewableWindowsOf(m_user.display(), program.pid()).size());
    QCOMPARE(program.finish(), 0);
    QCOMPARE(mappedWhilePlaying, 0);
    QVERIFY2(program.errors.isEmpty(), qPrintable(program.errors));
    QVERIFY2(program.output.isEmpty(), qPrintable(program.output)); // silent without --verbose
    observer.stop();

    const std::vector<XRecordObserver::Event> events = observer.events();
    QStringList seen;
    for (const XRecordObserver::Event &event : events) {
        if (event.type == MotionNotify && event.x == 123 && event.y == 234)
            seen << QStringLiteral("move");
        else if ((event.type == KeyPress || event.type == KeyRelease) && event.detail == Keycode::A)
            seen << (event.type == KeyPress ? QStringLiteral("A down") : QStringLiteral("A up"));
    }
    seen.removeDuplicates(); // the second repetition's move goes where the cursor already is
    QCOMPARE(seen, (QStringList{"move", "A down", "A up"}));
    const auto presses = std::count_if(events.cbegin(), events.cend(), [](const auto &event) {
        return event.type == KeyPress && event.detail == Keycode::A;
    });
    QCOMPARE(presses, 2);

    // An empty script plays nothing and completes.
    TapsmithProcess empty(m_folder.path());
    empty.start({QStringLiteral("--play"), writeScript(m_folder, QStringLiteral("empty.tpx"), {}),
                 QStringLiteral("--verbose")});
    QCOMPARE(empty.finish(), 0);
    QVERIFY2(empty.output.contains(QLatin1String("completed")), qPrintable(empty.output));
}

void TestPlayFromCommandLine::motionsSentAreTheMoveRows()
{
    // As a recording holds them: each button row where the Move row before it left the pointer. A button
    // row elsewhere places the cursor first.
    const QList<QByteArray> lines = {"Move()|300;300;0", "Move()|310;305;5",  "LDown()|310;305;5", "LUp()|310;305;5",
                                     "Move()|320;310;5", "RDown()|320;310;5", "RUp()|320;310;5",   "MDown()|330;315;5",
                                     "MUp()|330;315;5",  "Move()|340;320;5",  "LDown()|340;320;5", "LUp()|340;320;5"};
    const QString script = writeScript(m_folder, QStringLiteral("clicks.tpx"), lines);
    XRecordObserver observer;
    QVERIFY(observer.start());
    TapsmithProcess program(m_folder.path());
    program.start({QStringLiteral("--play"), script});
    QCOMPARE(program.finish(), 0);
    observer.stop();

    QStringList motions;
    int buttons = 0;
    for (const XRecordObserver::Event &event : observer.events()) {
        if (event.type == MotionNotify)
            motions << QStringLiteral("%1,%2").arg(event.x).arg(event.y);
        buttons += event.type == ButtonPress || event.type == ButtonRelease ? 1 : 0;
    }
    // The Move rows, and one placement for the middle button at a point no Move row went to.
    QCOMPARE(motions, (QStringList{"300,300", "310,305", "320,310", "330,315", "340,320"}));
    QCOMPARE(buttons, 8);
}

void TestPlayFromCommandLine::failedRowExits1WithTheRowAndTheFile()
{
    const QString script = writeScript(m_folder, QStringLiteral("bad.tpx"),
                                       {"KeyDown()|VK_SHIFT;42;0", "Move()|10;20;0", "Move()|10;2x;0"});
    TapsmithProcess program(m_folder.path());
    program.start({QStringLiteral("--play"), script});
    QCOMPARE(program.finish(), 1);
    QVERIFY2(program.errors.startsWith(QLatin1String("'2x' is not a valid integer value\n")),
             qPrintable(program.errors));
    QVERIFY2(program.errors.contains(QStringLiteral("row 3 of ") + script), qPrintable(program.errors));
    m_user.sync();
    QVERIFY(!m_user.isKeyDown(Keycode::ShiftLeft));
}

void TestPlayFromCommandLine::badUsageAndUnreadableFilesExit2_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said");
    QTest::newRow("no file") << QStringList{"--play"} << "needs a script file";
    QTest::newRow("repeat out of range") << QStringList{"--play", "a.tpx", "--repeat", "1001"} << "--repeat";
    QTest::newRow("speed out of range") << QStringList{"--play", "a.tpx", "--speed", "0"} << "--speed";
    QTest::newRow("interval bounds reversed") << QStringList{"--play", "a.tpx", "--interval", "5-3"} << "MIN";
    QTest::newRow("interval not a number") << QStringList{"--play", "a.tpx", "--interval", "x"} << "--interval";
    QTest::newRow("setting without --play") << QStringList{"a.tpx", "--speed", "50"} << "goes with --play";
    QTest::newRow("window wait out of range")
        << QStringList{"--play", "a.tpx", "--window-wait", "3601"} << "--window-wait takes";
    QTest::newRow("window wait without --play") << QStringList{"a.tpx", "--window-wait", "5"} << "goes with --play";
    QTest::newRow("missing file") << QStringList{"--play", "missing.tpx"} << "File not found";
    QTest::newRow("a folder") << QStringList{"--play", "."} << "cannot read";
}

void TestPlayFromCommandLine::badUsageAndUnreadableFilesExit2()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    TapsmithProcess program(m_folder.path());
    program.process.setWorkingDirectory(m_folder.path());
    program.start(arguments);
    QCOMPARE(program.finish(), 2);
    QVERIFY2(program.errors.contains(said), qPrintable(program.errors));
}

void TestPlayFromCommandLine::stopsExit130AndLetGoOfHeldKeys_data()
{
    QTest::addColumn<QString>("stop");
    QTest::newRow("the stop hotkey, held by another Tapsmith") << "hotkey";
    QTest::newRow("SIGINT") << "SIGINT";
    QTest::newRow("SIGTERM") << "SIGTERM";
}

void TestPlayFromCommandLine::stopsExit130AndLetGoOfHeldKeys()
{
    QFETCH(QString, stop);
    // Shift goes down at once, then a wait of a minute.
    const QString script =
        writeScript(m_folder, QStringLiteral("long.tpx"), {"KeyDown()|VK_SHIFT;42;0", "Move()|50;60;60000"});

    TapsmithProcess other(m_folder.path());
    if (stop == QLatin1String("hotkey")) {
        QVERIFY(other.start({}));
        // Its hotkeys are in place once its window shows.
        QTRY_VERIFY_WITH_TIMEOUT(viewableWindowsOf(m_user.display(), other.pid()).size() > 0, 20000);
        QVERIFY(!m_user.grabKey(Keycode::F10, Mod1Mask));
    }

    TapsmithProcess program(m_folder.path());
    QVERIFY(program.start({QStringLiteral("--play"), script}));
    QTRY_VERIFY_WITH_TIMEOUT(m_user.isKeyDown(Keycode::ShiftLeft), 20000);

    QElapsedTimer stopping;
    stopping.start();
    if (stop == QLatin1String("hotkey"))
        m_user.chord({Keycode::AltLeft}, Keycode::F10);
    else
        ::kill(pid_t(program.pid()), stop == QLatin1String("SIGINT") ? SIGINT : SIGTERM);
    QCOMPARE(program.finish(), 130);
    QVERIFY2(stopping.elapsed() < 10000, qPrintable(QString::number(stopping.elapsed())));
    QVERIFY2(program.errors.isEmpty(), qPrintable(program.errors));
    m_user.sync();
    QVERIFY(!m_user.isKeyDown(Keycode::ShiftLeft));
}

void TestPlayFromCommandLine::completedRunLetsGoOfWhatTheScriptLeftDown()
{
    // A key-down and a button-down without their ups: once the run has completed, the server must not see
    // them held, or auto-repeat goes on typing into whatever has the focus.
    const QString script = writeScript(m_folder, QStringLiteral("held.tpx"),
                                       {"KeyDown()|VK_A;30;5", "KeyDown()|VK_SHIFT;42;0", "MDown()|40;40;0"});
    XRecordObserver observer;
    QVERIFY(observer.start());
    TapsmithProcess program(m_folder.path());
    program.start({QStringLiteral("--play"), script, QStringLiteral("--repeat"), QStringLiteral("2")});
    QCOMPARE(program.finish(), 0);
    m_user.sync();
    observer.stop();
    QVERIFY(!m_user.isKeyDown(Keycode::A));
    QVERIFY(!m_user.isKeyDown(Keycode::ShiftLeft));
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    XQueryPointer(m_user.display(), DefaultRootWindow(m_user.display()), &root, &child, &rootX, &rootY, &x, &y, &mask);
    QCOMPARE(mask & Button2Mask, 0u);

    // The release came from the run, as its last event of the key (the server's auto-repeat may add presses
    // while the key is held between the repetitions).
    QStringList seen;
    for (const XRecordObserver::Event &event : observer.events()) {
        if ((event.type == KeyPress || event.type == KeyRelease) && event.detail == Keycode::A)
            seen << (event.type == KeyPress ? QStringLiteral("A down") : QStringLiteral("A up"));
    }
    QVERIFY(!seen.isEmpty());
    QCOMPARE(seen.first(), QStringLiteral("A down"));
    QCOMPARE(seen.last(), QStringLiteral("A up"));
}

void TestPlayFromCommandLine::hugeNumberFieldIsReportedShort()
{
    // A megabyte of digits: the message shows the beginning of the text, not all of it.
    const QByteArray digits(1 << 20, '1');
    const QString script = writeScript(m_folder, QStringLiteral("huge.tpx"), {"Move()|10;20;" + digits});
    TapsmithProcess program(m_folder.path());
    program.start({QStringLiteral("--play"), script});
    QCOMPARE(program.finish(), 1);
    const QString expected =
        QStringLiteral("'") + QString(64, u'1') + QStringLiteral("…' is not a valid integer value\n");
    QVERIFY2(program.errors.startsWith(expected), qPrintable(program.errors.left(300)));
    QVERIFY2(program.errors.size() < 1000, qPrintable(QString::number(program.errors.size())));
}

void TestPlayFromCommandLine::verboseCountsTheScriptRows()
{
    const struct {
        QList<QByteArray> lines;
        const char *said;
    } cases[] = {
        {{}, "0 rows,"},
        {{"|"}, "0 rows,"},
        {{"Move()|1;1;0"}, "1 row,"},
        {{"Move()|1;1;0", "|"}, "1 row,"},
        {{"Move()|1;1;0", "Move()|2;2;0", "|"}, "2 rows,"},
    };
    for (const auto &example : cases) {
        TapsmithProcess program(m_folder.path());
        program.start({QStringLiteral("--play"), writeScript(m_folder, QStringLiteral("count.tpx"), example.lines),
                       QStringLiteral("--verbose")});
        QCOMPARE(program.finish(), 0);
        QVERIFY2(program.output.contains(QLatin1String(example.said)), qPrintable(program.output));
    }
}

void TestPlayFromCommandLine::settingsFileThatIsAPipeIsIgnored()
{
    // Reading a pipe nobody writes to would hold the start for ever.
    QTemporaryDir config;
    QVERIFY(QDir(config.path()).mkpath(QStringLiteral("config/Tapsmith")));
    const QString pipe = config.filePath(QStringLiteral("config/Tapsmith/tapsmith.conf"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    TapsmithProcess program(config.path());
    program.start({QStringLiteral("--play"), writeScript(m_folder, QStringLiteral("plain.tpx"), {"Move()|5;5;0"})});
    QCOMPARE(program.finish(10000), 0);
    QVERIFY2(program.errors.contains(QStringLiteral("%1 is not a regular file").arg(pipe)), qPrintable(program.errors));
}

void TestPlayFromCommandLine::aStopKeyThatCannotBeWatchedSaysWhy()
{
    // F24 is a key the settings accept and no key of this keyboard types.
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("config/Tapsmith")));
    QFile settings(home.filePath(QStringLiteral("config/Tapsmith/tapsmith.conf")));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[hotkeys]\nstop=Alt+F24\n");
    settings.close();
    const QString why = QStringLiteral("no key of this keyboard has the virtual-key code 135");
    const QString script = writeScript(m_folder, QStringLiteral("watch.tpx"), {"Move()|5;5;0"});

    TapsmithProcess quiet(home.path());
    quiet.start({QStringLiteral("--play"), script, QStringLiteral("--verbose")});
    QCOMPARE(quiet.finish(), 0);
    QVERIFY2(quiet.output.contains(QStringLiteral("Alt+F24 cannot be watched (%1); stop with Ctrl+C").arg(why)),
             qPrintable(quiet.output));
    QVERIFY2(quiet.errors.isEmpty(), qPrintable(quiet.errors)); // the debug log is off

    TapsmithProcess debugging(home.path());
    QProcessEnvironment environment = debugging.process.processEnvironment();
    environment.insert(QStringLiteral("TAPSMITH_DEBUG"), QStringLiteral("1"));
    debugging.process.setProcessEnvironment(environment);
    debugging.start({QStringLiteral("--play"), script});
    QCOMPARE(debugging.finish(), 0);
    QVERIFY2(debugging.errors.contains(QStringLiteral("tapsmith: the stop key Alt+F24 cannot be watched: %1").arg(why)),
             qPrintable(debugging.errors));
}

QTEST_GUILESS_MAIN(TestPlayFromCommandLine)
#include "TestPlayFromCommandLine.moc"
