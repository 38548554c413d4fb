// Qt's own command-line options given to the real program on the private X server: the window comes up with
// each of them (a session manager's -session among them), --play runs with them, and an option that neither
// Qt nor Tapsmith knows is named whole.

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace
{

// The titles of the viewable top-level windows of `pid` (by _NET_WM_PID) under `window`: the main window
// and the tray icon's; a window manager puts the top-level windows into frames of its own.
QStringList mappedWindowTitles(Display *display, qint64 pid, Window window)
{
    const Atom wmPid = XInternAtom(display, "_NET_WM_PID", False);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0)
        return {};
    QStringList titles;
    for (unsigned i = 0; i < count; ++i) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char *data = nullptr;
        XWindowAttributes attributes;
        if (XGetWindowProperty(display, children[i], wmPid, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                               &data) == Success &&
            data != nullptr && items == 1 && qint64(*reinterpret_cast<unsigned long *>(data)) == pid) {
            if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable) {
                const Atom name = XInternAtom(display, "_NET_WM_NAME", False);
                const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
                unsigned char *text = nullptr;
                if (XGetWindowProperty(display, children[i], name, 0, 1024, False, utf8, &type, &format, &items, &after,
                                       &text) == Success &&
                    text != nullptr)
                    titles << QString::fromUtf8(reinterpret_cast<const char *>(text), int(items));
                XFree(text);
            }
        } else if (window == DefaultRootWindow(display)) {
            titles << mappedWindowTitles(display, pid, children[i]);
        }
        XFree(data);
    }
    XFree(children);
    return titles;
}

// Windows come and go while the program starts; one that vanished under a query is simply not there.
int ignoreXError(Display *, XErrorEvent *)
{
    return 0;
}

class Tapsmith
{
  public:
    explicit Tapsmith(const QString &configFolder)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder);
        process.setProcessEnvironment(environment);
    }
    ~Tapsmith()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    Tapsmith(const Tapsmith &) = delete;
    Tapsmith &operator=(const Tapsmith &) = delete;

    void start(const QStringList &arguments) { process.start(QStringLiteral(TAPSMITH_EXECUTABLE), arguments); }
    int finish()
    {
        if (process.state() != QProcess::NotRunning && !process.waitForFinished(30000))
            return -1;
        errors = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    }

    QProcess process;
    QString errors;
};

} // namespace

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
    XSetErrorHandler(ignoreXError);
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
    Tapsmith program(m_folder.path());
    program.start(arguments);
    QVERIFY(program.process.waitForStarted());
    const auto mainWindowUp = [&] {
        const QStringList titles =
            mappedWindowTitles(m_display, program.process.processId(), DefaultRootWindow(m_display));
        return std::any_of(titles.cbegin(), titles.cend(),
                           [](const QString &title) { return title.endsWith(QLatin1String("moves.tpx")); });
    };
    QTRY_VERIFY_WITH_TIMEOUT(program.process.state() != QProcess::Running || mainWindowUp(), 20000);
    QVERIFY2(program.process.state() == QProcess::Running,
             qPrintable(QString::fromLocal8Bit(program.process.readAllStandardError())));
}

void TestToolkitOptions::playRunsWithThem()
{
    const QString display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
    Tapsmith program(m_folder.path());
    program.start({"-style", "fusion", "--play", m_script, "-display", display, "-reverse", "-session", "abc123",
                   "-platform", "xcb"});
    QCOMPARE(program.finish(), 0);
    QVERIFY2(program.errors.isEmpty(), qPrintable(program.errors));
}

void TestToolkitOptions::anUnknownOptionIsNamedWhole()
{
    Tapsmith program(m_folder.path());
    program.start({"-style", "fusion", "-frobnicate"});
    QCOMPARE(program.finish(), 2);
    QCOMPARE(program.errors, QStringLiteral("Unknown option '-frobnicate'.\nTry 'tapsmith --help'.\n"));
}

QTEST_GUILESS_MAIN(TestToolkitOptions)
#include "TestToolkitOptions.moc"
