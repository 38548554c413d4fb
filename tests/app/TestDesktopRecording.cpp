// The main window on a real X display: hotkeys pressed and input typed by an independent X client
// through XTest, captured by the real backend.

#include "LoopbackUpdateServer.h"
#include "app/TFmain.h"
#include "edit/ScriptEditor.h"
#include "fakes/FakeDesktop.h"
#include "platform/Platform.h"
#include "platform/XRecordObserver.h"
#include "platform/XTestDriver.h"
#include "script/ScriptFile.h"
#include "script/ScriptTable.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <memory>

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace
{

// A second client that types and clicks, as the user would, by key symbol; every step reaches the server
// before the next.
class User : public XTestDriver
{
  public:
    bool connected() const { return isOpen(); }
    void key(KeySym keysym, bool press)
    {
        XTestDriver::key(XKeysymToKeycode(display(), keysym), press);
        sync();
    }
    void tap(KeySym keysym)
    {
        key(keysym, true);
        key(keysym, false);
    }
    void moveTo(int x, int y)
    {
        motion(x, y);
        sync();
    }
    void button(unsigned button, bool press)
    {
        XTestDriver::button(button, press);
        sync();
    }
};

// Action and key name / coordinates of each row, without the delays.
QStringList rowsWithoutDelays(const ScriptTable &table)
{
    QStringList rows;
    for (int row = 1; row < table.rows(); ++row) {
        const QString parameters = table.cellText(ScriptTable::ParametersColumn, row);
        rows << table.cellText(ScriptTable::ActionColumn, row) + u' ' + parameters.section(u';', 0, 1);
    }
    return rows;
}

// Counts the times a widget is shown.
class ShowCounter : public QObject
{
  public:
    explicit ShowCounter(QWidget *widget) { widget->installEventFilter(this); }
    int shows = 0;

  protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        shows += event->type() == QEvent::Show ? 1 : 0;
        return false;
    }
};

} // namespace

class TestDesktopRecording : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void hotkeysRecordAndStopWithoutTheirOwnKeys();
    void hotkeyCombinationsThatDoNothing();
    void hotkeysWorkWhileHiddenAndAfterClose();
    void toolButtonTrayItemAndHotkeyRecordAlike();
    void recordsWhileAnotherClientGrabsKeyboardAndPointer();
    void exitDuringRecordingRemovesTheHook();
    void hotkeyHeldByAnotherClientIsSkippedSilently();
    void recordingsAppendBelowAScriptThatEndsInARow();

  private:
    void startWindow();
    void pressHotkey(std::initializer_list<KeySym> modifiers, KeySym key);
    void typeSampleInput();

    std::unique_ptr<User> m_user;
    // The clicks land on this window: on the bare desktop the window manager would open its menus for the
    // right and middle buttons, and a menu grabs the keyboard away from the hotkeys.
    std::unique_ptr<QWidget> m_pad;
    std::unique_ptr<Platform> m_platform;
    std::unique_ptr<TFmain> m_window;
    FakeDesktop m_desktop;
};

void TestDesktopRecording::initTestCase()
{
    m_user = std::make_unique<User>();
    QVERIFY2(m_user->connected(), "needs an X display");
    m_pad = std::make_unique<QWidget>(nullptr, Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
    m_pad->setGeometry(50, 50, 400, 320);
    m_pad->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pad.get()));
}

void TestDesktopRecording::init()
{
    m_desktop.terminations = 0;
}

void TestDesktopRecording::startWindow()
{
    m_platform = createPlatform();
    m_window = std::make_unique<TFmain>(*m_platform, m_desktop, offlineUpdateSettings());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestDesktopRecording::cleanup()
{
    if (m_window)
        m_platform->inputHook->remove(m_window->recordHook());
    m_window.reset();
    m_platform.reset();
    QApplication::processEvents();
}

void TestDesktopRecording::pressHotkey(std::initializer_list<KeySym> modifiers, KeySym key)
{
    for (const KeySym modifier : modifiers)
        m_user->key(modifier, true);
    m_user->key(key, true);
    m_user->key(key, false);
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it)
        m_user->key(*it, false);
}

void TestDesktopRecording::typeSampleInput()
{
    m_user->tap(XK_a);
    m_user->key(XK_Control_R, true);
    m_user->key(XK_Control_R, false);
    m_user->moveTo(100, 110);
    m_user->button(1, true);
    m_user->moveTo(150, 160);
    m_user->button(1, false);
    m_user->button(3, true);
    m_user->button(3, false);
    m_user->button(2, true);
    m_user->button(2, false);
    m_user->button(4, true); // a wheel notch makes no row
    m_user->button(4, false);
}

void TestDesktopRecording::hotkeysRecordAndStopWithoutTheirOwnKeys()
{
    startWindow();
    m_user->moveTo(5, 5);
    m_user->key(XK_Alt_L, true);
    m_user->key(XK_F9, true);
    QTRY_COMPARE(m_window->trayImage(), 0);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tapsmith - *"));
    QVERIFY(m_window->recordHook() != 0);
    m_user->key(XK_F9, false);
    m_user->key(XK_Alt_L, false);

    typeSampleInput();

    m_user->key(XK_Alt_L, true);
    m_user->key(XK_F10, true);
    QTRY_VERIFY(m_window->isVisible());
    QCOMPARE(m_window->trayImage(), 7);
    QCOMPARE(m_window->recordHook(), HookHandle(0));
    // The stop took every event up to it; these releases come after it.
    m_user->key(XK_F10, false);
    m_user->key(XK_Alt_L, false);

    const QStringList expected = {
        "KeyUp() VK_F9;67",
        "KeyUp() VK_MENU;56",
        "KeyDown() VK_A;30",
        "KeyUp() VK_A;30",
        "KeyDown() VK_CONTROL;32797",
        "KeyUp() VK_CONTROL;32797",
        "Move() 100;110",
        "LDown() 100;110",
        "Move() 150;160",
        "LUp() 150;160",
        "RDown() 150;160",
        "RUp() 150;160",
        "MDown() 150;160",
        "MUp() 150;160",
        " ",
    };
    QCOMPARE(rowsWithoutDelays(*m_window->Script), expected);
    QCOMPARE(m_window->Script->parameters(1).sliced(m_window->Script->parameters(1).lastIndexOf(';') + 1),
             QByteArrayView("1"));
    for (int row = 2; row < m_window->Script->rows() - 1; ++row) {
        const QByteArrayView parameters = m_window->Script->parameters(row);
        const int delay = parameters.sliced(parameters.lastIndexOf(';') + 1).toInt();
        QVERIFY2(delay >= 0 && delay < 5000, parameters.data());
    }
}

void TestDesktopRecording::hotkeyCombinationsThatDoNothing()
{
    startWindow();
    m_window->hide();
    const ShowCounter counter(m_window.get());
    pressHotkey({XK_Alt_L}, XK_F12);
    pressHotkey({XK_Control_L}, XK_F9);
    pressHotkey({XK_Alt_L, XK_Shift_L}, XK_F10);
    pressHotkey({}, XK_F9);
    // The hotkeys arrive in order: once the window hotkey has shown the window, the keys before it were
    // handled, and none of them showed it, recorded or stopped.
    pressHotkey({XK_Alt_L, XK_Shift_L}, XK_F9);
    QTRY_VERIFY(m_window->isVisible());
    QCOMPARE(counter.shows, 1);
    QVERIFY(!m_window->stopRequest().requested());
    QCOMPARE(m_window->trayImage(), 7);
    QCOMPARE(m_window->recordHook(), HookHandle(0));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tapsmith"));
}

void TestDesktopRecording::hotkeysWorkWhileHiddenAndAfterClose()
{
    startWindow();
    m_window->close();
    QVERIFY(!m_window->isVisible());
    pressHotkey({XK_Alt_L, XK_Shift_L}, XK_F9);
    QTRY_VERIFY(m_window->isVisible());

    m_window->close();
    pressHotkey({XK_Alt_L}, XK_F9);
    QTRY_COMPARE(m_window->trayImage(), 0);
    pressHotkey({XK_Alt_L}, XK_F10);
    QTRY_VERIFY(m_window->isVisible());
    QCOMPARE(m_window->trayImage(), 7);
}

void TestDesktopRecording::toolButtonTrayItemAndHotkeyRecordAlike()
{
    const QList<std::function<void(TestDesktopRecording &)>> starts = {
        [](TestDesktopRecording &t) { t.m_window->ToolButton1->click(); },
        [](TestDesktopRecording &t) { t.m_window->N1->trigger(); },
        [](TestDesktopRecording &t) { t.pressHotkey({XK_Alt_L}, XK_F9); },
    };
    QStringList reference;
    for (const auto &start : starts) {
        startWindow();
        start(*this);
        QTRY_COMPARE(m_window->trayImage(), 0);
        QVERIFY(!m_window->isVisible());
        typeSampleInput();
        m_window->ToolButton2->click();
        QVERIFY(m_window->isVisible());
        // The hotkey's own key releases open the script; compare from the first typed key on.
        QStringList rows = rowsWithoutDelays(*m_window->Script);
        rows = rows.mid(rows.size() - 13);
        if (reference.isEmpty())
            reference = rows;
        QCOMPARE(rows, reference);
        cleanup();
    }
    QCOMPARE(reference.size(), 13);
}

void TestDesktopRecording::recordsWhileAnotherClientGrabsKeyboardAndPointer()
{
    startWindow();
    User grabber;
    QVERIFY(grabber.grabKeyboardAndPointer());
    m_window->ToolButton1->click();
    QVERIFY(m_window->recordHook() != 0);
    m_user->tap(XK_b);
    m_user->moveTo(300, 310);
    m_user->button(1, true);
    m_user->button(1, false);
    m_window->ToolButton2->click(); // takes every event up to now
    grabber.ungrabKeyboardAndPointer();
    const QStringList expected = {"KeyDown() VK_B;48", "KeyUp() VK_B;48", "Move() 300;310",
                                  "LDown() 300;310",   "LUp() 300;310",   " "};
    QCOMPARE(rowsWithoutDelays(*m_window->Script), expected);
}

void TestDesktopRecording::exitDuringRecordingRemovesTheHook()
{
    startWindow();
    m_window->ToolButton1->click();
    m_user->tap(XK_c);
    QTRY_COMPARE(m_window->Script->rows(), 4);
    m_window->N5->trigger();
    QCOMPARE(m_desktop.terminations, 1);
    QCOMPARE(m_window->recordHook(), HookHandle(0));
    m_user->tap(XK_d);
    // A recording started afterwards sees later input arrive; the removed hook has added nothing by then.
    m_window->ToolButton1->click();
    m_user->tap(XK_e);
    QTRY_COMPARE(m_window->Script->rows(), 6);
    m_window->ToolButton2->click();
    const QStringList expected = {"KeyDown() VK_C;46", "KeyUp() VK_C;46", "KeyDown() VK_E;18", "KeyUp() VK_E;18", " "};
    QCOMPARE(rowsWithoutDelays(*m_window->Script), expected);
}

void TestDesktopRecording::hotkeyHeldByAnotherClientIsSkippedSilently()
{
    User holder;
    const unsigned altKey = XKeysymToKeycode(holder.display(), XK_Alt_L);
    QVERIFY(holder.grabKey(XKeysymToKeycode(holder.display(), XK_F11), Mod1Mask));

    startWindow();
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    m_window->ToolButton1->click();
    QVERIFY(m_window->recordHook() != 0);
    pressHotkey({XK_Alt_L}, XK_F11); // goes to the other client: recorded, and the recording goes on
    QTRY_VERIFY(rowsWithoutDelays(*m_window->Script).contains(QStringLiteral("KeyUp() VK_MENU;56")));
    QVERIFY(rowsWithoutDelays(*m_window->Script).contains(QStringLiteral("KeyDown() VK_F11;87")));
    QVERIFY(m_window->recordHook() != 0);
    XRecordObserver observer;
    QVERIFY(observer.start());
    m_window->N3->trigger(); // the play command stays reachable from the tray and ends the recording
    QCOMPARE(m_window->recordHook(), HookHandle(0));
    // It played the recorded Alt+F11 back on a connection of its own. Before the user types from another
    // one, whose requests could overtake it, the server has taken in the played Alt release.
    const auto altReleased = [&observer, altKey] {
        const std::vector<XRecordObserver::Event> events = observer.events();
        return std::any_of(events.begin(), events.end(),
                           [altKey](const auto &event) { return event.type == KeyRelease && event.detail == altKey; });
    };
    QTRY_VERIFY(altReleased());

    pressHotkey({XK_Alt_L}, XK_F9); // the other hotkeys still work
    QTRY_COMPARE(m_window->trayImage(), 0);
}

void TestDesktopRecording::recordingsAppendBelowAScriptThatEndsInARow()
{
    // A file written by hand ends in a row of its own, not in the empty open row: two recordings on top of
    // it keep every row of the file, and each starts with the delay 1, not the time since the last one.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("by-hand.tpx"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Move()|7;7;7\r\nKeyUp()|VK_B;48;9");
    file.close();
    startWindow();
    m_window->openScriptFile(path);

    for (const KeySym key : {XK_c, XK_d}) {
        pressHotkey({XK_Alt_L}, XK_F9);
        QTRY_COMPARE(m_window->trayImage(), 0);
        QTest::qWait(300); // time that belongs to no input of the recording
        m_user->tap(key);
        pressHotkey({XK_Alt_L}, XK_F10);
        QTRY_VERIFY(m_window->isVisible());
    }
    const QString saved = folder.filePath(QStringLiteral("saved.tpx"));
    saveScript(*m_window->Script, saved);
    QFile result(saved);
    QVERIFY(result.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = result.readAll().split('\n');
    // The hotkey's own key-downs are not recorded (its releases came before the capture began, its Alt
    // key-down at the stop was cleaned up).
    const QList<QByteArray> expected = {"Move()|7;7;7\r",
                                        "KeyUp()|VK_B;48;9\r",
                                        "KeyDown()|VK_C;46;1\r",
                                        "KeyUp()|VK_C;46;",
                                        "KeyDown()|VK_D;32;1\r",
                                        "KeyUp()|VK_D;32;",
                                        "|\r",
                                        ""};
    QVERIFY2(lines.size() == expected.size(), lines.join("\n").constData());
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(lines[i].startsWith(expected[i]), lines[i].constData());
}

QTEST_MAIN(TestDesktopRecording)
#include "TestDesktopRecording.moc"
