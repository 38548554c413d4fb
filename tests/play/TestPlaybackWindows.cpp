// Playback of the rows that follow windows and turn the wheel, against the fake platform: time passes only in
// the fake clock's sleeps, and one log holds the sleeps (in ms) and what was injected, in order.

#include "core/Errors.h"
#include "fakes/FakePlatform.h"
#include "play/PlaybackEngine.h"
#include "script/ScriptTable.h"

#include <QTest>

#include <memory>

class TestPlaybackWindows : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void wheelRowsTurnTheWheelAfterTheirDelay();
    void wheelRowsGoByTheirWholeText();
    void aBadWheelRowFailsAtItsRow();
    void mouseRowsFollowTheirWindowUntilTheScreenAnchor();
    void theTitleChoosesAmongWindowsOfTheClassElseTheTopmost();
    void aCoveredWindowIsBroughtForwardBeforeTheFirstPress();
    void theAnchorWaitsForItsWindow();
    void aWindowThatNeverComesFailsTheRunNamingIt();
    void aStopEndsTheWaitForAWindowAtOnce();
    void withoutTheDesktopsWindowsAnchorsChangeNothing();

  private:
    void row(const char *action, const char *parameters)
    {
        m_table.appendToLastRow(QByteArrayView(action), QByteArrayView(parameters));
    }
    std::unique_ptr<PlaybackEngine> makeEngine(bool followWindows = true);
    void addWindow(std::uintptr_t handle, const char *title, int x, int y, bool onTop = false);
    QStringList log() const { return m_log; }

    ScriptTable m_table;
    std::unique_ptr<FakePlatform> m_fakes;
    QStringList m_log;
    StopRequest m_stop;
};

void TestPlaybackWindows::init()
{
    m_table.setRows(2);
    m_table.setCell(ScriptTable::ActionColumn, 1, {});
    m_table.setCell(ScriptTable::ParametersColumn, 1, {});
    m_fakes = std::make_unique<FakePlatform>();
    m_fakes->clock->micros = 1'000'000;
    m_log.clear();
    m_stop.clear();
    m_fakes->clock->onSleep = [this] {
        const std::int64_t slept = m_fakes->clock->sleeps.back();
        m_log << QStringLiteral("sleep %1").arg(slept / 1000);
    };
}

std::unique_ptr<PlaybackEngine> TestPlaybackWindows::makeEngine(bool followWindows)
{
    PlaybackEngine::Settings settings{[] { return 100; }, [] { return 0; }, [] {}, 0, 1000};
    auto engine = std::make_unique<PlaybackEngine>(m_table, *m_fakes->injector, *m_fakes->clock, m_stop, settings);
    if (followWindows)
        engine->followWindows(m_fakes->windows);
    return engine;
}

void TestPlaybackWindows::addWindow(std::uintptr_t handle, const char *title, int x, int y, bool onTop)
{
    TopLevelWindow window;
    window.handle = handle;
    window.windowClass = "XTerm";
    window.instance = "xterm";
    window.title = title;
    window.x = x;
    window.y = y;
    window.width = 640;
    window.height = 480;
    auto &windows = m_fakes->windows->windows;
    windows.insert(onTop ? windows.begin() : windows.end(), window);
}

void TestPlaybackWindows::wheelRowsTurnTheWheelAfterTheirDelay()
{
    row("Wheel()", "-240;0;40");
    row("Wheel()", "0;120;0");
    row("Wheel()", "$78;-30;10");
    row("Wheel()", "0;0;5");
    QCOMPARE(makeEngine()->run(1, 1, 1), PlaybackEngine::Outcome::Completed);
    m_log << m_fakes->injector->calls;
    QCOMPARE(log(), (QStringList{"sleep 40", "sleep 10", "sleep 5", "wheel -240 vertical", "wheel 120 horizontal",
                                 "wheel 120 vertical", "wheel -30 horizontal"}));
}

void TestPlaybackWindows::wheelRowsGoByTheirWholeText()
{
    // Other texts that hold the word are inert, as every text is that names no row kind.
    row("xWheel()", "1;2;300");
    row("Wheel", "1;2;300");
    row("wheel()", "1;2;300");
    QCOMPARE(makeEngine()->run(1, 1, 1), PlaybackEngine::Outcome::Completed);
    QVERIFY(m_fakes->injector->calls.isEmpty());
    QVERIFY(m_fakes->clock->sleeps.empty());
}

void TestPlaybackWindows::aBadWheelRowFailsAtItsRow()
{
    row("Move()", "1;2;0");
    row("Wheel()", "120;0");
    const std::unique_ptr<PlaybackEngine> engine = makeEngine();
    try {
        engine->run(1, 1, 1);
        QFAIL("the row played");
    } catch (const ConversionError &error) {
        QCOMPARE(error.message(), QStringLiteral("'' is not a valid integer value"));
    }
    QCOMPARE(engine->currentRow(), 2);
    QCOMPARE(m_fakes->injector->calls, QStringList{"cursor 1 2"});
}

void TestPlaybackWindows::mouseRowsFollowTheirWindowUntilTheScreenAnchor()
{
    // Recorded at (40, 60), the window is now 100 to the right and 20 lower.
    addWindow(7, "bash", 140, 80);
    row("Move()", "1;1;0");
    row("Window()", "XTerm,xterm,bash;40,60,640,480;0");
    row("Move()", "100;100;10");
    row("LDown()", "100;100;0");
    row("LUp()", "101;100;0");
    row("KeyDown()", "VK_A;30;0");
    row("Window()", ";;0");
    row("Move()", "5;5;0");
    QCOMPARE(makeEngine()->run(1, 1, 1), PlaybackEngine::Outcome::Completed);
    QCOMPARE(m_fakes->injector->calls,
             (QStringList{"cursor 1 1", "cursor 200 120", "cursor 200 120", "mouse 32770", "cursor 201 120",
                          "mouse 32772", "key 65 0", "cursor 5 5", "key 65 2"}));
    // The press found its window at its point: nothing to bring forward.
    QCOMPARE(m_fakes->windows->calls, QStringList{"at 200 120"});
}

void TestPlaybackWindows::theTitleChoosesAmongWindowsOfTheClassElseTheTopmost()
{
    addWindow(1, "other", 300, 0);
    addWindow(2, "bash", 500, 0);
    addWindow(3, "more", 700, 0);
    row("Window()", "XTerm,xterm,bash;0,0,640,480;0");
    row("Move()", "10;10;0");
    row("Window()", "XTerm,xterm,gone;0,0,640,480;0");
    row("Move()", "10;10;0");
    row("Window()", "Other,other,bash;0,0,640,480;0");
    QVERIFY_THROWS_EXCEPTION(ApplicationError, makeEngine()->run(1, 1, 1));
    QCOMPARE(m_fakes->injector->calls, (QStringList{"cursor 510 10", "cursor 310 10"}));
}

void TestPlaybackWindows::aCoveredWindowIsBroughtForwardBeforeTheFirstPress()
{
    addWindow(7, "bash", 0, 0);
    addWindow(9, "cover", 0, 0, true);
    m_fakes->windows->windows.front().windowClass = "Cover";
    row("Window()", "XTerm,xterm,bash;0,0,640,480;0");
    row("Move()", "10;10;0");
    row("RDown()", "10;10;0");
    row("RUp()", "10;10;0");
    row("RDown()", "10;10;0");
    QCOMPARE(makeEngine()->run(1, 1, 1), PlaybackEngine::Outcome::Completed);
    // Asked once, before the first press only; the move before it goes where it goes.
    QCOMPARE(m_fakes->windows->calls, (QStringList{"at 10 10", "activate 7", "at 10 10"}));
    QCOMPARE(m_fakes->injector->calls, (QStringList{"cursor 10 10", "cursor 10 10", "mouse 32776", "cursor 10 10",
                                                    "mouse 32784", "cursor 10 10", "mouse 32776", "mouse 32784"}));
}

void TestPlaybackWindows::theAnchorWaitsForItsWindow()
{
    m_fakes->windows->onFind = [this] {
        if (m_fakes->windows->finds == 4)
            addWindow(7, "bash", 100, 0);
    };
    row("Window()", "XTerm,xterm,bash;0,0,640,480;0");
    row("LDown()", "10;10;0");
    QCOMPARE(makeEngine()->run(1, 1, 1), PlaybackEngine::Outcome::Completed);
    // Three looks found nothing, each followed by a wait of 50 ms; the fourth found it.
    QCOMPARE(log(), (QStringList{"sleep 50", "sleep 50", "sleep 50"}));
    QCOMPARE(m_fakes->injector->calls, (QStringList{"cursor 110 10", "mouse 32770", "mouse 32772"}));
}

void TestPlaybackWindows::aWindowThatNeverComesFailsTheRunNamingIt()
{
    row("KeyDown()", "VK_SHIFT;42;0");
    row("Window()", "XTerm,xterm,%D0%B6 ~;0,0,640,480;0");
    row("LDown()", "10;10;0");
    std::unique_ptr<PlaybackEngine> engine = makeEngine();
    try {
        engine->run(1, 1, 1);
        QFAIL("the run went on");
    } catch (const ApplicationError &error) {
        QCOMPARE(error.message(), QStringLiteral("Окно «XTerm — ж ~» не найдено."));
    }
    QCOMPARE(engine->currentRow(), 2);
    // It looked for a second (the wait of this engine), in steps of 50 ms.
    QCOMPARE(m_fakes->windows->finds, 21);
    QCOMPARE(log(), QStringList(20, QStringLiteral("sleep 50")));
    QCOMPARE(m_fakes->injector->calls, QStringList{"key 16 0"});
    engine.reset();
    QCOMPARE(m_fakes->injector->calls, (QStringList{"key 16 0", "key 16 2"}));
}

void TestPlaybackWindows::aStopEndsTheWaitForAWindowAtOnce()
{
    row("Window()", "XTerm,xterm,bash;0,0,640,480;0");
    row("LDown()", "10;10;0");
    m_fakes->clock->interruptAt = m_fakes->clock->micros + 120'000;
    m_fakes->clock->interrupt = [this] {
        m_stop.request();
        m_fakes->clock->wake();
    };
    QCOMPARE(makeEngine()->run(1, 1, 1), PlaybackEngine::Outcome::Interrupted);
    QCOMPARE(log(), (QStringList{"sleep 50", "sleep 50", "sleep 20"}));
    QVERIFY(m_fakes->injector->calls.isEmpty());
}

void TestPlaybackWindows::withoutTheDesktopsWindowsAnchorsChangeNothing()
{
    row("Window()", "XTerm,xterm,bash;0,0,640,480;0");
    row("LDown()", "10;10;0");
    QCOMPARE(makeEngine(false)->run(1, 1, 1), PlaybackEngine::Outcome::Completed);
    QCOMPARE(m_fakes->windows->finds, 0);
    QCOMPARE(m_fakes->injector->calls, (QStringList{"cursor 10 10", "mouse 32770", "mouse 32772"}));
}

QTEST_GUILESS_MAIN(TestPlaybackWindows)
#include "TestPlaybackWindows.moc"
