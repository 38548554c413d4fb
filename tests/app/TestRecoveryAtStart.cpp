// The recovery journal with real processes on the private X server: a recording whose copy ends without
// Save (killed, terminated, its display gone) is offered at the next start and comes back row for row; No
// removes it; a copy that still runs keeps its journal to itself; an unreadable one is set aside; --play
// neither offers nor writes one.

#include "app/RecoveryJournal.h"
#include "core/KeyNames.h"
#include "platform/XRecordObserver.h"
#include "platform/XTestDriver.h"
#include "record/InputRecorder.h"
#include "script/ScriptFile.h"
#include "script/ScriptTable.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace
{

using namespace std::chrono_literals;

constexpr unsigned kReturn = 36;
constexpr unsigned kEscape = 9;

class Tapsmith
{
  public:
    Tapsmith(const QString &home, const QString &display = QString())
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        if (!display.isEmpty())
            environment.insert(QStringLiteral("DISPLAY"), display);
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

    bool start(const QStringList &arguments = {})
    {
        process.start(QStringLiteral(TAPSMITH_EXECUTABLE), arguments);
        const bool started = process.waitForStarted();
        m_pid = process.processId();
        return started;
    }
    // Also once the process has ended.
    qint64 pid() const { return m_pid; }
    void signal(int number) const
    {
        if (process.state() != QProcess::NotRunning)
            ::kill(pid_t(m_pid), number);
    }
    bool finish()
    {
        const bool finished = process.state() == QProcess::NotRunning || process.waitForFinished(15000);
        errors += QString::fromLocal8Bit(process.readAllStandardError());
        return finished;
    }

    QProcess process;
    QString errors;

  private:
    qint64 m_pid = 0;
};

// Windows of other clients come and go while the tests look at them.
int ignoreXErrors(Display *, XErrorEvent *)
{
    return 0;
}

struct TopWindow {
    Window id = 0;
    bool dialog = false;
};

bool isDialog(Display *display, Window window)
{
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *data = nullptr;
    const Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    bool found = false;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), 0, 16, False, XA_ATOM,
                           &type, &format, &items, &after, &data) == Success &&
        data != nullptr) {
        const auto *atoms = reinterpret_cast<const Atom *>(data);
        for (unsigned long i = 0; i < items; ++i)
            found = found || atoms[i] == dialog;
    }
    if (data)
        XFree(data);
    return found;
}

// The viewable top-level windows of `pid` (by _NET_WM_PID), also inside a window manager's frames.
void windowsOf(Display *display, qint64 pid, Window window, int depth, std::vector<TopWindow> &found)
{
    const Atom wmPid = XInternAtom(display, "_NET_WM_PID", False);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0)
        return;
    for (unsigned i = 0; i < count; ++i) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char *data = nullptr;
        XWindowAttributes attributes;
        if (XGetWindowProperty(display, children[i], wmPid, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                               &data) == Success &&
            data != nullptr && items == 1 && qint64(*reinterpret_cast<unsigned long *>(data)) == pid) {
            if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable)
                found.push_back({children[i], isDialog(display, children[i])});
        } else if (depth < 2) {
            windowsOf(display, pid, children[i], depth + 1, found);
        }
        if (data)
            XFree(data);
    }
    XFree(children);
}

// The first window `pid` shows: the recovery question (a dialog) or the main window.
std::optional<TopWindow> firstWindowOf(Display *display, qint64 pid)
{
    for (int i = 0; i < 200; ++i) {
        std::vector<TopWindow> found;
        windowsOf(display, pid, DefaultRootWindow(display), 0, found);
        if (!found.empty())
            return found.front();
        std::this_thread::sleep_for(50ms);
    }
    return std::nullopt;
}

// The copy's main window once the question (if any) is answered.
bool waitForMainWindow(Display *display, qint64 pid)
{
    for (int i = 0; i < 200; ++i) {
        std::vector<TopWindow> found;
        windowsOf(display, pid, DefaultRootWindow(display), 0, found);
        if (found.size() == 1 && !found.front().dialog)
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

void answer(XTestDriver &user, const TopWindow &window, unsigned keycode)
{
    std::this_thread::sleep_for(300ms);
    XSetInputFocus(user.display(), window.id, RevertToPointerRoot, CurrentTime);
    user.sync();
    std::this_thread::sleep_for(200ms);
    user.tap(keycode);
    user.sync();
}

// The rows a recording of these events gives, each "Action|Parameters" CR LF, as Save writes them.
QList<QByteArray> recordedLines(const std::vector<XRecordObserver::Event> &events)
{
    ScriptTable table;
    std::uint32_t lastEventTime = events.empty() ? 0 : events.front().serverTime;
    InputRecorder recorder(table, lastEventTime);
    for (const XRecordObserver::Event &event : events) {
        EventMsg message;
        message.time = event.serverTime;
        if (event.type == KeyPress || event.type == KeyRelease) {
            message.message = event.type == KeyPress ? InputMessage::KeyDown : InputMessage::KeyUp;
            message.paramH = event.detail - 8;
        } else if (event.type == MotionNotify) {
            message.message = InputMessage::MouseMove;
            message.paramL = std::uint32_t(event.x);
            message.paramH = std::uint32_t(event.y);
        } else {
            continue;
        }
        recorder.JournalRecordProc(Hook::Action, message);
    }
    QList<QByteArray> lines;
    for (int row = 1; row < table.rows() - 1; ++row)
        lines << table.action(row).toByteArray() + '|' + table.parameters(row).toByteArray() + "\r\n";
    return lines;
}

} // namespace

class TestRecoveryAtStart : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void anEndedRecordingIsOfferedAndRestoredRowForRow_data();
    void anEndedRecordingIsOfferedAndRestoredRowForRow();
    void aRecordingWhoseDisplayWentIsOfferedOnAnotherDisplay();
    void aSecondCopyIsNotOfferedTheJournalOfTheFirst();
    void anUnreadableJournalIsSetAside();
    void playNeitherOffersNorWritesAJournal();

  private:
    QString folder() const { return m_home->path() + QStringLiteral("/data/Tapsmith/recovery"); }
    QStringList journals() const
    {
        return QDir(folder()).entryList({QStringLiteral("journal-*.tpj")}, QDir::Files, QDir::Name);
    }
    // Records while the user types and moves the mouse on `display`; gives the lines those events make.
    QList<QByteArray> recordSomeInput(const char *display);
    // The copy offers the journal: answers Yes, and checks that its table is the journal's rows.
    void restoreAndCheck(Tapsmith &copy, const QByteArray &rows);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<XTestDriver> m_user;
};

void TestRecoveryAtStart::initTestCase()
{
    XSetErrorHandler(ignoreXErrors);
    m_user = std::make_unique<XTestDriver>();
    QVERIFY2(m_user->isOpen(), "no X display");
}

void TestRecoveryAtStart::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
}

QList<QByteArray> TestRecoveryAtStart::recordSomeInput(const char *display)
{
    XTestDriver user(display);
    XRecordObserver observer(display);
    if (!user.isOpen() || !observer.start())
        return {};
    user.chord({Keycode::AltLeft}, Keycode::F9); // the record hotkey
    std::this_thread::sleep_for(1s);
    observer.clear();
    for (int i = 0; i < 40; ++i) {
        if (i % 2 == 0)
            user.motion(100 + i, 200 + 2 * i);
        else
            user.key(Keycode::A, i % 4 == 1);
        user.sync();
        std::this_thread::sleep_for(5ms);
    }
    user.sync();
    observer.stop();
    return recordedLines(observer.events());
}

void TestRecoveryAtStart::restoreAndCheck(Tapsmith &copy, const QByteArray &rows)
{
    QVERIFY(copy.start());
    const std::optional<TopWindow> question = firstWindowOf(m_user->display(), copy.pid());
    QVERIFY(question);
    QVERIFY2(question->dialog, "no question at start");
    answer(*m_user, *question, kReturn); // Yes is the default
    QVERIFY(waitForMainWindow(m_user->display(), copy.pid()));
    // The journal is the new copy's now, written from its table: the rows went through the table unchanged.
    const QString own = QStringLiteral("journal-%1-").arg(copy.pid());
    // The file is taken over by its name first and written anew with the copy's own header after the answer.
    const auto ownJournal = [&] {
        const QStringList names = journals();
        if (names.size() != 1 || !names.first().startsWith(own))
            return std::optional<RecoveryJournal::Content>();
        auto read = RecoveryJournal::read(folder() + '/' + names.first());
        return read && read->writer.pid == copy.pid() ? read : std::optional<RecoveryJournal::Content>();
    };
    QTRY_VERIFY_WITH_TIMEOUT(ownJournal().has_value(), 10000);
    const std::optional<RecoveryJournal::Content> content = ownJournal();
    QVERIFY(content);
    QCOMPARE(content->writer.pid, copy.pid());
    QCOMPARE(content->rows, rows);
}

void TestRecoveryAtStart::anEndedRecordingIsOfferedAndRestoredRowForRow_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGKILL") << SIGKILL;
    QTest::newRow("SIGTERM (as Exit)") << SIGTERM;
}

void TestRecoveryAtStart::anEndedRecordingIsOfferedAndRestoredRowForRow()
{
    QFETCH(int, signal);
    QByteArray rows;
    {
        Tapsmith first(m_home->path());
        QVERIFY(first.start());
        QVERIFY(waitForMainWindow(m_user->display(), first.pid()));
        QVERIFY(journals().isEmpty());
        const QList<QByteArray> expected = recordSomeInput(nullptr);
        QCOMPARE(expected.size(), 40);
        std::this_thread::sleep_for(2s);
        first.signal(signal);
        QVERIFY(first.finish());

        QCOMPARE(journals().size(), 1);
        QVERIFY(journals().first().startsWith(QStringLiteral("journal-%1-").arg(first.pid())));
        const std::optional<RecoveryJournal::Content> content =
            RecoveryJournal::read(folder() + '/' + journals().first());
        QVERIFY(content);
        rows = content->rows;
        // Every row, byte for byte; the first one's delay counts from events before the test's.
        QList<QByteArray> lines = rows.split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());
        QCOMPARE(lines.takeLast(), QByteArray("|\r")); // the row a recording keeps open
        QVERIFY(lines.size() >= expected.size());
        lines = lines.mid(lines.size() - expected.size());
        const QByteArray firstLine = expected.first();
        QCOMPARE(lines.first().left(firstLine.lastIndexOf(';')), firstLine.left(firstLine.lastIndexOf(';')));
        for (int i = 1; i < expected.size(); ++i)
            QCOMPARE(lines.at(i) + '\n', expected.at(i));
    }

    Tapsmith second(m_home->path());
    restoreAndCheck(second, rows);
    second.signal(SIGKILL);
    QVERIFY(second.finish());

    // Offered again; No removes it, and the next start asks nothing.
    Tapsmith third(m_home->path());
    QVERIFY(third.start());
    const std::optional<TopWindow> question = firstWindowOf(m_user->display(), third.pid());
    QVERIFY(question && question->dialog);
    answer(*m_user, *question, kEscape);
    QVERIFY(waitForMainWindow(m_user->display(), third.pid()));
    QTRY_VERIFY(journals().isEmpty());
    third.signal(SIGTERM);
    QVERIFY(third.finish());
    QVERIFY(journals().isEmpty()); // an Exit with a settled table leaves nothing

    Tapsmith fourth(m_home->path());
    QVERIFY(fourth.start());
    const std::optional<TopWindow> first = firstWindowOf(m_user->display(), fourth.pid());
    QVERIFY(first && !first->dialog);
}

void TestRecoveryAtStart::aRecordingWhoseDisplayWentIsOfferedOnAnotherDisplay()
{
    QProcess server;
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                  QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("640x480x24")});
    QVERIFY(server.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 10000);
    const QString display = QLatin1Char(':') + QString::fromLatin1(server.readLine()).trimmed();

    Tapsmith first(m_home->path(), display);
    QVERIFY(first.start());
    QList<QByteArray> expected;
    {
        // Our own connections go before the server does.
        const XTestDriver watcher(display.toLatin1().constData());
        QVERIFY(watcher.isOpen());
        QVERIFY(waitForMainWindow(watcher.display(), first.pid()));
        expected = recordSomeInput(display.toLatin1().constData());
    }
    QCOMPARE(expected.size(), 40);
    std::this_thread::sleep_for(2s);
    server.terminate();
    QVERIFY(server.waitForFinished(10000));
    QVERIFY(first.finish());

    QCOMPARE(journals().size(), 1);
    const QByteArray rows = RecoveryJournal::read(folder() + '/' + journals().first())->rows;
    QVERIFY2(rows.endsWith(expected.last() + "|\r\n"), rows.right(200).constData());

    Tapsmith second(m_home->path());
    restoreAndCheck(second, rows);
}

void TestRecoveryAtStart::aSecondCopyIsNotOfferedTheJournalOfTheFirst()
{
    Tapsmith first(m_home->path());
    QVERIFY(first.start());
    QVERIFY(waitForMainWindow(m_user->display(), first.pid()));
    QVERIFY(!recordSomeInput(nullptr).isEmpty());
    QTRY_COMPARE(journals().size(), 1);
    const QString journal = journals().first();

    Tapsmith second(m_home->path());
    QVERIFY(second.start());
    const std::optional<TopWindow> window = firstWindowOf(m_user->display(), second.pid());
    QVERIFY(window);
    QVERIFY(!window->dialog);
    QCOMPARE(journals(), QStringList{journal});
    m_user->chord({Keycode::AltLeft}, Keycode::F10); // the first copy's stop
}

void TestRecoveryAtStart::anUnreadableJournalIsSetAside()
{
    QVERIFY(QDir().mkpath(folder()));
    const QString corrupt = folder() + QStringLiteral("/journal-999999999-1_x.tpj");
    QFile file(corrupt);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\x7f"
               "ELF garbage\r\n\r\n");
    file.close();

    Tapsmith copy(m_home->path());
    QVERIFY(copy.start());
    const std::optional<TopWindow> window = firstWindowOf(m_user->display(), copy.pid());
    QVERIFY(window);
    QVERIFY(!window->dialog);
    QVERIFY(!QFile::exists(corrupt));
    QVERIFY(QFile::exists(corrupt + QStringLiteral(".unreadable")));
    copy.signal(SIGTERM);
    QVERIFY(copy.finish());
    QVERIFY2(copy.errors.contains(QStringLiteral("cannot be read")), qPrintable(copy.errors));
}

void TestRecoveryAtStart::playNeitherOffersNorWritesAJournal()
{
    QVERIFY(QDir().mkpath(folder()));
    const QString left = folder() + QStringLiteral("/journal-999999999-1_x.tpj");
    QFile journal(left);
    QVERIFY(journal.open(QIODevice::WriteOnly));
    const QByteArray content = "Tapsmith recovery journal 1\r\npid 999999999\r\nstarted 1_x\r\n"
                               "written 0001765000000000\r\npath \r\n\r\nMove|1;2;3\r\n";
    journal.write(content);
    journal.close();
    const QString script = m_home->filePath(QStringLiteral("a.tpx"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Move()|20;30;0\r\n");
    file.close();

    Tapsmith player(m_home->path());
    QVERIFY(player.start({QStringLiteral("--play"), script}));
    QVERIFY(player.finish());
    QCOMPARE(player.process.exitCode(), 0);
    QCOMPARE(journals(), QStringList{QFileInfo(left).fileName()});
    QFile kept(left);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), content);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestRecoveryAtStart test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestRecoveryAtStart.moc"
