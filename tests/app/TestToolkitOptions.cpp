// Qt's own command-line options given to the real program on the private X server: the window comes up with
// each of them (a session manager's -session among them), --play runs with them, and an option that neither
// Qt nor Tapsmith knows is named whole.

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <X11/Xlib.h>

// After Qt: Xlib defines names Qt uses.
#include "TapsmithProcess.h"

class TestToolkitOptions : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void theWindowComesUp_data();
    void theWindowComesUp();
    void playRunsWithThem();
    void anUnknownOptionIsNamedWhole();

  private:
    QTemporaryDir m_folder;
    Display *m_display = nullptr;
    QString m_script;
};

void TestToolkitOptions::initTestCase()
{
    QVERIFY(m_folder.isValid());
    m_display = XOpenDisplay(nullptr);
    QVERIFY2(m_display != nullptr, "needs an X display");
    XSetErrorHandler(ProgramWindows::ignoreXErrors);
    m_script = m_folder.filePath(QStringLiteral("moves.tpx"));
    QFile script(m_script);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("Move()|10;20;0\r\nMove()|30;40;10\r\n");
    QFile styleSheet(m_folder.filePath(QStringLiteral("style.qss")));
    QVERIFY(styleSheet.open(QIODevice::WriteOnly));
    styleSheet.write("QToolButton { color: black; }\n");
}

void TestToolkitOptions::cleanupTestCase()
{
    if (m_display != nullptr)
        XCloseDisplay(m_display);
}

void TestToolkitOptions::theWindowComesUp_data()
{
    QTest::addColumn<QStringList>("arguments");
    const QString display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
    QTest::newRow("-style") << QStringList{"-style", "fusion"};
    QTest::newRow("-style=") << QStringList{"-style=fusion"};
    QTest::newRow("--style") << QStringList{"--style", "fusion"};
    QTest::newRow("-platform xcb") << QStringList{"-platform", "xcb"};
    QTest::newRow("-display") << QStringList{"-display", display};
    QTest::newRow("-geometry") << QStringList{"-geometry", "800x300+10+20"};
    QTest::newRow("-reverse") << QStringList{"-reverse"};
    QTest::newRow("-stylesheet") << QStringList{"-stylesheet", m_folder.filePath(QStringLiteral("style.qss"))};
    QTest::newRow("-qwindowgeometry") << QStringList{"-qwindowgeometry", "800x300+10+20"};
    QTest::newRow("-qwindowtitle") << QStringList{"-qwindowtitle", "Macros"};
    // What a session manager restoring a session starts.
    QTest::newRow("-session") << QStringList{"-session", "10d5a8f0e3000170000000001000000070"};
    QTest::newRow("all at once") << QStringList{"-platform", "xcb",      "-display", display, "-style",
                                                "fusion",    "-reverse", "-session", "abc123"};
}

void TestToolkitOptions::theWindowComesUp()
{
    QFETCH(QStringList, arguments);
    // The file after Qt's options is still the one to open: the caption names it.
    arguments << m_script;
    TapsmithProcess program(m_folder.path());
    QVERIFY(program.start(arguments));
    const auto mainWindowUp = [&] {
        const std::vector<ProgramWindow> windows = viewableWindowsOf(m_display, program.pid());
        return std::any_of(windows.cbegin(), windows.cend(), [](const ProgramWindow &window) {
            return window.title.endsWith(QLatin1String("moves.tpx"));
        });
    };
    QTRY_VERIFY_WITH_TIMEOUT(program.process.state() != QProcess::Running || mainWindowUp(), 20000);
    QVERIFY2(program.process.state() == QProcess::Running,
             qPrintable(QString::fromLocal8Bit(program.process.readAllStandardError())));
}

void TestToolkitOptions::playRunsWithThem()
{
    const QString display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
    TapsmithProcess program(m_folder.path());
    program.start({"-style", "fusion", "--play", m_script, "-display", display, "-reverse", "-session", "abc123",
                   "-platform", "xcb"});
    QCOMPARE(program.finish(), 0);
    QVERIFY2(program.errors.isEmpty(), qPrintable(program.errors));
}

void TestToolkitOptions::anUnknownOptionIsNamedWhole()
{
    TapsmithProcess program(m_folder.path());
    program.start({"-style", "fusion", "-frobnicate"});
    QCOMPARE(program.finish(), 2);
    QCOMPARE(program.errors, QStringLiteral("Unknown option '-frobnicate'.\nTry 'tapsmith --help'.\n"));
}

QTEST_GUILESS_MAIN(TestToolkitOptions)
#include "TestToolkitOptions.moc"
