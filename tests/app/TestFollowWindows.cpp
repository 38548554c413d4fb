// Following windows and the mouse wheel on the private X server: input recorded from an independent XTest
// client through the real backend, played back by the engine, and seen by a third client through RECORD.

#include "platform/Platform.h"
#include "platform/XReactingWindow.h"
#include "platform/XRecordObserver.h"
#include "platform/XTestDriver.h"
#include "play/PlaybackEngine.h"
#include "record/InputRecorder.h"
#include "script/ScriptFile.h"
#include "script/ScriptTable.h"
#include "script/WindowRows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#include <X11/Xlib.h>

namespace
{

// The rows of a table without their delays.
QStringList rowsWithoutDelays(const ScriptTable &table)
{
    QStringList rows;
    for (int row = 1; row < table.rows(); ++row) {
        const QString parameters = QString::fromLatin1(table.parameters(row).toByteArray());
        rows << QString::fromLatin1(table.action(row).toByteArray()) + u'|' +
                    parameters.left(parameters.lastIndexOf(u';'));
    }
    return rows;
}

// The anchor rows of a table without their delays.
QStringList anchorsOf(const ScriptTable &table)
{
    return rowsWithoutDelays(table).filter(QRegularExpression(QStringLiteral("^Window\\(\\)\\|")));
}

// A window of our own with one button that counts its clicks.
struct TargetWindow {
    TargetWindow()
    {
        window.setWindowTitle(QStringLiteral("Target — ж;|"));
        button = new QPushButton(QStringLiteral("Click"), &window);
        button->setGeometry(40, 30, 120, 60);
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        window.resize(240, 160);
    }
    void showAt(int x, int y)
    {
        window.move(x, y);
        window.show();
    }
    QPoint buttonCenter() const { return button->mapToGlobal(button->rect().center()); }

    QWidget window;
    QPushButton *button;
    int clicks = 0;
};

// tapsmith --play as a process, with no settings file of the user's.
class PlayProcess
{
  public:
    explicit PlayProcess(const QString &configFolder)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder);
        process.setProcessEnvironment(environment);
    }
    ~PlayProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    PlayProcess(const PlayProcess &) = delete;
    PlayProcess &operator=(const PlayProcess &) = delete;

    void start(const QStringList &arguments)
    {
        process.start(QStringLiteral(TAPSMITH_EXECUTABLE), QStringList{QStringLiteral("--play")} + arguments);
    }
    // Our own windows go on working meanwhile.
    int finish()
    {
        QElapsedTimer waited;
        waited.start();
        while (process.state() != QProcess::NotRunning && waited.elapsed() < 60000)
            QTest::qWait(20);
        if (process.state() != QProcess::NotRunning)
            return -1;
        errors = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    }

    QProcess process;
    QString errors;
};

} // namespace

Q_DECLARE_METATYPE(XReactingWindow::Reaction)

class TestFollowWindows : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void wheelTurnsReplayAsTheSameNotches();
    void aClickOnAWindowLandsOnItAfterTheWindowMoved();
    void theAnchorIsTheWindowUnderThePointerAsTheButtonWentDown_data();
    void theAnchorIsTheWindowUnderThePointerAsTheButtonWentDown();
    void thePointersPathBeforeAPressDoesNotMatter();
    void withBothSettingsOffARecordingIsAsItWas();
    void playWaitsForAWindowThatIsNotThereYet();
    void aWindowThatNeverComesEndsPlayWithStatus1();
    void theStopHotkeyEndsTheWaitWithStatus130();

  private:
    // Records what `act` does with the user's driver, with these options.
    void record(ScriptTable &table, RecordOptions options, const std::function<void()> &act);
    PlaybackEngine::Outcome play(ScriptTable &table);
    // A script file of these lines, CR LF ended.
    QString writeScript(const QString &name, const QList<QByteArray> &lines);
    // The anchor row of `target` where it stands now.
    QByteArray anchorRowOf(const TargetWindow &target);
    // The anchor row of the window at `point` as it is now, without its delay.
    QString anchorRowAt(QPoint point);

    QTemporaryDir m_folder;

    std::unique_ptr<Platform> m_platform;
    XTestDriver m_user;
    std::uint32_t m_lastEventTime = 0;
};

void TestFollowWindows::initTestCase()
{
    QVERIFY2(m_user.isOpen(), "no X display");
    m_platform = createPlatform();
}

void TestFollowWindows::record(ScriptTable &table, RecordOptions options, const std::function<void()> &act)
{
    InputRecorder recorder(table, m_lastEventTime);
    recorder.startRecording(options, m_platform->windows.get());
    m_platform->inputHook->setPressWindows(options.windows);
    const HookHandle hook = m_platform->inputHook->install(
        [&recorder](int code, const EventMsg &event) { recorder.JournalRecordProc(code, event); });
    QVERIFY(hook != 0);
    act();
    m_user.sync();
    // Removing delivers every event up to now.
    m_platform->inputHook->remove(hook);
}

PlaybackEngine::Outcome TestFollowWindows::play(ScriptTable &table)
{
    const StopRequest stop;
    PlaybackEngine engine(table, *m_platform->injector, *m_platform->clock, stop,
                          {[] { return 100; }, [] { return 0; }, [] { QCoreApplication::processEvents(); }, 0});
    engine.followWindows(m_platform->windows.get());
    return engine.run(1, 1, 1);
}

QString TestFollowWindows::writeScript(const QString &name, const QList<QByteArray> &lines)
{
    const QString path = m_folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    for (const QByteArray &line : lines)
        file.write(line + "\r\n");
    return path;
}

QByteArray TestFollowWindows::anchorRowOf(const TargetWindow &target)
{
    const QPoint center = target.buttonCenter();
    const WindowAnchor anchor = InputRecorder::anchorOf(m_platform->windows->windowAt(center.x(), center.y()));
    return AnchorActionText.toByteArray() + '|' + anchorParameters(anchor);
}

QString TestFollowWindows::anchorRowAt(QPoint point)
{
    const WindowAnchor anchor = InputRecorder::anchorOf(m_platform->windows->windowAt(point.x(), point.y()));
    return QString::fromLatin1(AnchorActionText.toByteArray() + '|' + anchorParameters(anchor)).chopped(2);
}

void TestFollowWindows::theAnchorIsTheWindowUnderThePointerAsTheButtonWentDown_data()
{
    QTest::addColumn<XReactingWindow::Reaction>("reaction");
    QTest::newRow("the press destroys it") << XReactingWindow::Reaction::Destroy;
    QTest::newRow("the press unmaps it") << XReactingWindow::Reaction::Unmap;
    QTest::newRow("the press maps another window over it") << XReactingWindow::Reaction::Cover;
    QTest::newRow("the press moves it") << XReactingWindow::Reaction::Move;
    QTest::newRow("the press sends it beneath the window below") << XReactingWindow::Reaction::Lower;
}

void TestFollowWindows::theAnchorIsTheWindowUnderThePointerAsTheButtonWentDown()
{
    QFETCH(XReactingWindow::Reaction, reaction);
    // A named window below, which a look after the press would find.
    TargetWindow below;
    below.showAt(100, 100);
    QVERIFY(QTest::qWaitForWindowExposed(&below.window));
    const QPoint belowCorner = below.window.mapToGlobal(QPoint(0, 0));
    const QRect geometry(belowCorner + QPoint(30, 20), QSize(120, 80));
    XReactingWindow goner(geometry, reaction, QPoint(600, 500));
    QVERIFY(goner.isShown());
    const QPoint press = geometry.center();
    QTRY_COMPARE(m_platform->windows->windowAt(press.x(), press.y()).windowClass, std::string("Goner"));
    const QString gonerAnchor = anchorRowAt(press);
    QVERIFY2(gonerAnchor.contains(QLatin1String("Goner,goner,Goes at a press;")), qPrintable(gonerAnchor));

    ScriptTable table;
    QString secondAnchor;
    record(table, {true, false}, [&] {
        m_user.motion(press.x(), press.y());
        m_user.button(1, true);
        m_user.sync();
        QTRY_VERIFY(goner.hasReacted());
        m_user.button(1, false);
        m_user.sync();
        // A second press at the window's place now names what is there then.
        QPoint second = press;
        if (reaction == XReactingWindow::Reaction::Move) {
            QTRY_VERIFY(!m_platform->windows->find("Goner", "goner").empty() &&
                        m_platform->windows->find("Goner", "goner").front().x > press.x());
            const TopLevelWindow moved = m_platform->windows->find("Goner", "goner").front();
            second = QPoint(moved.x + moved.width / 2, moved.y + moved.height / 2);
        } else {
            const std::string there = reaction == XReactingWindow::Reaction::Cover ? "Over it" : "Target — ж;|";
            QTRY_COMPARE(m_platform->windows->windowAt(press.x(), press.y()).title, there);
        }
        secondAnchor = anchorRowAt(second);
        m_user.motion(second.x(), second.y());
        m_user.button(1, true);
        m_user.sync();
        QTest::qWait(100);
        m_user.button(1, false);
    });
    QVERIFY(secondAnchor != gonerAnchor);
    const QStringList expected{gonerAnchor, secondAnchor};
    QVERIFY2(anchorsOf(table) == expected, qPrintable(rowsWithoutDelays(table).join(u'\n')));
}

void TestFollowWindows::thePointersPathBeforeAPressDoesNotMatter()
{
    TargetWindow left;
    TargetWindow middle;
    TargetWindow right;
    left.showAt(40, 100);
    middle.showAt(330, 100);
    right.showAt(620, 100);
    for (QWidget *window : {&left.window, &middle.window, &right.window})
        QVERIFY(QTest::qWaitForWindowExposed(window));
    const QPoint target = middle.buttonCenter();
    QTRY_VERIFY(anchorRowAt(target).contains(QLatin1String("Target")));
    const QString anchor = anchorRowAt(target);

    ScriptTable table;
    record(table, {true, false}, [&] {
        // Across every window, and out of the one pressed on and back in.
        for (const QPoint point : {left.buttonCenter(), right.buttonCenter(), QPoint(target.x(), 2),
                                   left.buttonCenter() + QPoint(0, 40), target})
            m_user.motion(point.x(), point.y());
        m_user.button(1, true);
        m_user.sync();
        QTest::qWait(100);
        m_user.button(1, false);
        // Then over them all again to the desktop.
        for (const QPoint point : {right.buttonCenter(), left.buttonCenter(), QPoint(2, 2)})
            m_user.motion(point.x(), point.y());
        m_user.button(1, true);
        m_user.button(1, false);
    });
    QCOMPARE(anchorsOf(table), (QStringList{anchor, QStringLiteral("Window()|;")}));
}

void TestFollowWindows::aClickOnAWindowLandsOnItAfterTheWindowMoved()
{
    TargetWindow target;
    target.showAt(100, 100);
    QVERIFY(QTest::qWaitForWindowExposed(&target.window));
    QTRY_VERIFY(anchorRowOf(target).contains("Target %E2%80%94 %D0%B6%3B%7C"));
    const QPoint center = target.buttonCenter();
    const QByteArray anchor = anchorRowOf(target);

    ScriptTable table;
    record(table, {true, false}, [&] {
        m_user.motion(center.x(), center.y());
        m_user.button(1, true);
        // The window manager holds a press on a window until it has raised it; a release held with it
        // would not click.
        m_user.sync();
        QTest::qWait(100);
        m_user.button(1, false);
        m_user.sync();
        QTest::qWait(50);
        // A press on the desktop itself: the screen anchor.
        m_user.motion(2, 2);
        m_user.button(1, true);
        m_user.button(1, false);
    });
    const QStringList rows = rowsWithoutDelays(table);
    QCOMPARE(rows.size(), 9);
    QVERIFY2(rows.at(1).startsWith(QLatin1String("Window()|")), qPrintable(rows.join(u'\n')));
    QCOMPARE(rows.at(1), QString::fromLatin1(anchor).chopped(2));
    QCOMPARE(rows.at(2), QStringLiteral("LDown()|%1;%2").arg(center.x()).arg(center.y()));
    QCOMPARE(rows.at(5), QStringLiteral("Window()|;"));

    // Moved, and covered by another window at the button's old place.
    target.window.move(380, 260);
    QTRY_VERIFY(target.buttonCenter() != center);
    QWidget cover;
    cover.setWindowTitle(QStringLiteral("Cover"));
    cover.setGeometry(QRect(target.buttonCenter() - QPoint(60, 40), QSize(200, 150)));
    cover.show();
    QVERIFY(QTest::qWaitForWindowExposed(&cover));
    QTRY_VERIFY(m_platform->windows->windowAt(target.buttonCenter().x(), target.buttonCenter().y()).title == "Cover");
    // Played by the program, as a user would.
    const int clicks = target.clicks;
    QTemporaryDir folder;
    const QString script = folder.filePath(QStringLiteral("moved.tpx"));
    saveScript(table, script);
    PlayProcess program(m_folder.path());
    program.start({script});
    QCOMPARE(program.finish(), 0);
    QVERIFY2(program.errors.isEmpty(), qPrintable(program.errors));
    QTRY_COMPARE(target.clicks, clicks + 1);
}

void TestFollowWindows::withBothSettingsOffARecordingIsAsItWas()
{
    TargetWindow target;
    target.showAt(100, 100);
    QVERIFY(QTest::qWaitForWindowExposed(&target.window));
    const QPoint center = target.buttonCenter();
    const auto act = [&] {
        m_user.motion(center.x(), center.y());
        m_user.button(1, true);
        m_user.button(1, false);
        m_user.button(4, true);
        m_user.button(4, false);
        m_user.motion(3, 3);
    };
    ScriptTable table;
    record(table, RecordOptions(), act);
    QCOMPARE(rowsWithoutDelays(table),
             (QStringList{QStringLiteral("Move()|%1;%2").arg(center.x()).arg(center.y()),
                          QStringLiteral("LDown()|%1;%2").arg(center.x()).arg(center.y()),
                          QStringLiteral("LUp()|%1;%2").arg(center.x()).arg(center.y()), "Move()|3;3", "|"}));
}

void TestFollowWindows::playWaitsForAWindowThatIsNotThereYet()
{
    TargetWindow target;
    target.showAt(100, 100);
    QVERIFY(QTest::qWaitForWindowExposed(&target.window));
    QTRY_VERIFY(anchorRowOf(target).contains("Target"));
    const QByteArray anchor = anchorRowOf(target);
    const QPoint center = target.buttonCenter();
    target.window.hide();
    QTRY_VERIFY(m_platform->windows->windowAt(center.x(), center.y()).title != "Target — ж;|");
    const QByteArray at = QByteArray::number(center.x()) + ';' + QByteArray::number(center.y());
    // A click as a hand makes it: the window manager holds a press on a window it raises, and a release
    // held with it would not click.
    const QString script =
        writeScript(QStringLiteral("later.tpx"), {anchor, "LDown()|" + at + ";0", "LUp()|" + at + ";100"});

    PlayProcess program(m_folder.path());
    program.start({script, QStringLiteral("--window-wait"), QStringLiteral("30")});
    QVERIFY(program.process.waitForStarted());
    QTest::qWait(1500);
    QCOMPARE(target.clicks, 0);
    target.showAt(300, 200);
    QCOMPARE(program.finish(), 0);
    QVERIFY2(program.errors.isEmpty(), qPrintable(program.errors));
    QTRY_COMPARE(target.clicks, 1);
}

void TestFollowWindows::aWindowThatNeverComesEndsPlayWithStatus1()
{
    const QString script = writeScript(
        QStringLiteral("missing.tpx"),
        {"KeyDown()|VK_SHIFT;42;0", "Window()|NoSuchClass,nosuch,Its %D0%B6 title;0,0,10,10;0", "LDown()|5;5;0"});
    PlayProcess program(m_folder.path());
    program.start({script, QStringLiteral("--window-wait"), QStringLiteral("1")});
    QCOMPARE(program.finish(), 1);
    QVERIFY2(program.errors.startsWith(QStringLiteral("Окно «NoSuchClass — Its ж title» не найдено.\n")),
             qPrintable(program.errors));
    QVERIFY2(program.errors.contains(QStringLiteral("row 2 of ") + script), qPrintable(program.errors));
    m_user.sync();
    QVERIFY(!m_user.isKeyDown(Keycode::ShiftLeft));
}

void TestFollowWindows::theStopHotkeyEndsTheWaitWithStatus130()
{
    const QString script =
        writeScript(QStringLiteral("stopped.tpx"),
                    {"KeyDown()|VK_SHIFT;42;0", "Window()|NoSuchClass,nosuch,x;0,0,10,10;0", "LDown()|5;5;0"});
    PlayProcess program(m_folder.path());
    program.start({script, QStringLiteral("--window-wait"), QStringLiteral("3600")});
    QVERIFY(program.process.waitForStarted());
    // Shift is down: the run is at its anchor, waiting.
    QTRY_VERIFY_WITH_TIMEOUT(m_user.isKeyDown(Keycode::ShiftLeft), 20000);
    m_user.chord({Keycode::AltLeft}, Keycode::F10);
    QCOMPARE(program.finish(), 130);
    QVERIFY2(program.errors.isEmpty(), qPrintable(program.errors));
    m_user.sync();
    QVERIFY(!m_user.isKeyDown(Keycode::ShiftLeft));
}

void TestFollowWindows::wheelTurnsReplayAsTheSameNotches()
{
    m_user.motion(200, 150);
    m_user.sync();
    const auto turns = [this] {
        for (const unsigned button : {4u, 4u, 5u, 6u, 7u}) {
            m_user.button(button, true);
            m_user.button(button, false);
        }
    };
    ScriptTable off;
    record(off, RecordOptions(), turns);
    QCOMPARE(rowsWithoutDelays(off), QStringList{"|"});

    ScriptTable table;
    record(table, {false, true}, turns);
    QCOMPARE(rowsWithoutDelays(table),
             (QStringList{"Wheel()|120;0", "Wheel()|120;0", "Wheel()|-120;0", "Wheel()|0;-120", "Wheel()|0;120", "|"}));

    XRecordObserver observer;
    QVERIFY(observer.start());
    QCOMPARE(play(table), PlaybackEngine::Outcome::Completed);
    // The injector's last requests may still wait behind our own round trip: the server takes its clients
    // in turn.
    const auto buttons = [&observer] {
        const std::vector<XRecordObserver::Event> events = observer.events();
        return std::count_if(events.begin(), events.end(), [](const XRecordObserver::Event &event) {
            return event.type == ButtonPress || event.type == ButtonRelease;
        });
    };
    QTRY_VERIFY_WITH_TIMEOUT(buttons() >= 10, 5000);
    m_user.sync();
    observer.stop();
    QStringList seen;
    for (const XRecordObserver::Event &event : observer.events()) {
        if (event.type == ButtonPress || event.type == ButtonRelease)
            seen << QStringLiteral("%1%2@%3,%4")
                        .arg(event.detail)
                        .arg(event.type == ButtonPress ? QStringLiteral("+") : QStringLiteral("-"))
                        .arg(event.x)
                        .arg(event.y);
        else if (event.type == MotionNotify)
            seen << QStringLiteral("motion");
    }
    QCOMPARE(seen, (QStringList{"4+@200,150", "4-@200,150", "4+@200,150", "4-@200,150", "5+@200,150", "5-@200,150",
                                "6+@200,150", "6-@200,150", "7+@200,150", "7-@200,150"}));
}

QTEST_MAIN(TestFollowWindows)
#include "TestFollowWindows.moc"
