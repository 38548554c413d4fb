#include "core/Errors.h"
#include "fakes/FakePlatform.h"
#include "play/PlaybackEngine.h"
#include "script/ScriptTable.h"

#include <QTest>

#include <limits>
#include <memory>

namespace
{

constexpr int VK_A = 0x41, VK_CONTROL = 0x11, VK_SHIFT = 0x10;

} // namespace

// Drives the engine with the fake platform: time passes only in the fake clock's sleeps, and one log
// holds the sleeps (in ms) and the injections in the order they happened.
class TestPlaybackEngine : public QObject
{
    Q_OBJECT

  private slots:
    void init();

    void scaledDelay_data();
    void scaledDelay();
    void randomIntervalMapsDrawsIntoTheBounds();
    void pumpedSleepSlices_data();
    void pumpedSleepSlices();
    void overheadDoesNotAccumulate();
    void aHeldUpRunDoesNotBurst();
    void rowsWithoutWaitsPollEventsSparingly();
    void nothingInjectedWaitsThroughAWaitOrACommand();
    void rowsWithoutWaitsAreFlushedInBatches();

    void rowKinds_data();
    void rowKinds();
    void oneRowCanTakeAllThreeSteps();
    void mouseWordsFireInFixedOrder();
    void buttonRowsPlaceTheCursorAndMoveRowsMoveIt();
    void aButtonRowAsksWhereThePointerIsAheadOfItsTime();
    void badParametersFailAtTheirRow_data();
    void badParametersFailAtTheirRow();

    void fixedIntervalWaitsBetweenRepetitionsOnly();
    void randomIntervalWithEqualBounds();
    void countBelowOnePlaysNothing();
    void stopDuringARowsWaitEndsItAndThatRowDoesNotAct();
    void stopFromAnotherThreadWakesTheWait();
    void wakeWithoutAStopDoesNotShortenTheWait();
    void stopArrivingAsAnEventEndsALongWaitSoon();
    void stopDuringTheIntervalEndsTheRun();
    void stopRequestedBeforeTheRunPlaysNothing();
    void speedIsReadAtEveryRow();
    void editsDuringARunTakeEffectAtTheNextRow();

    void rightAltAndRightCtrlPlayAsTheRightHandKeys();

    void interruptedRunReleasesWhatItHolds();
    void failedRunReleasesWhatItHolds();
    void completedRunReleasesWhatItHolds();

    void waitsForModifiersBeforeTheFirstEvent();
    void aModifierThatStaysDownDelaysTheRunOnlySoLong();
    void stopWhileModifiersAreHeld();

  private:
    void row(const char *action, const char *parameters)
    {
        m_table.appendToLastRow(QByteArrayView(action), QByteArrayView(parameters));
    }
    PlaybackEngine::Outcome run(int repeats = 1, int first = 1, int second = 1);
    std::unique_ptr<PlaybackEngine> makeEngine(std::int64_t eventGapMicros = 0);
    QStringList log() const { return m_log; }

    ScriptTable m_table;
    std::unique_ptr<FakePlatform> m_fakes;
    QStringList m_log;
    std::function<int()> m_speed;
    int m_mode = 0;
    int m_eventsProcessed = 0;
    std::function<void()> m_onEvents; // a command that runs nested inside the run
    StopRequest m_stop;
};

void TestPlaybackEngine::init()
{
    m_table.setRows(2);
    m_table.setCell(4, 1, {});
    m_table.setCell(5, 1, {});
    m_fakes = std::make_unique<FakePlatform>();
    m_fakes->clock->micros = 1'000'000;
    m_log.clear();
    m_speed = [] { return 100; };
    m_mode = 0;
    m_eventsProcessed = 0;
    m_onEvents = nullptr;
    m_stop.clear();
    // Every injection and every sleep, in order, in one log.
    m_fakes->clock->onSleep = [this] {
        const std::int64_t slept = m_fakes->clock->sleeps.back();
        m_log << (slept % 1000 == 0 ? QStringLiteral("sleep %1").arg(slept / 1000)
                                    : QStringLiteral("sleep %1us").arg(slept));
    };
}

std::unique_ptr<PlaybackEngine> TestPlaybackEngine::makeEngine(std::int64_t eventGapMicros)
{
    PlaybackEngine::Settings settings{[this] { return m_speed(); }, [this] { return m_mode; },
                                      [this] {
                                          ++m_eventsProcessed;
                                          if (m_onEvents)
                                              m_onEvents();
                                      },
                                      eventGapMicros};
    return std::make_unique<PlaybackEngine>(m_table, *m_fakes->injector, *m_fakes->clock, m_stop, settings);
}

PlaybackEngine::Outcome TestPlaybackEngine::run(int repeats, int first, int second)
{
    // As the window and the command line start a run.
    m_stop.clear();
    return makeEngine()->run(repeats, first, second);
}

void TestPlaybackEngine::scaledDelay_data()
{
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("expected");
    QTest::newRow("half of 1 rounds to even 0") << 1 << 50 << 0;
    QTest::newRow("half of 3 rounds to even 2") << 3 << 50 << 2;
    QTest::newRow("half of 5 rounds to even 2") << 5 << 50 << 2;
    QTest::newRow("half of 7 rounds to even 4") << 7 << 50 << 4;
    QTest::newRow("recorded pace") << 1234 << 100 << 1234;
    QTest::newRow("double") << 1234 << 200 << 2468;
    QTest::newRow("1 percent of 150") << 150 << 1 << 2;
    QTest::newRow("1 percent of 250") << 250 << 1 << 2;
    QTest::newRow("zero stays zero") << 0 << 1 << 0;
    QTest::newRow("negative") << -7 << 50 << -4;
    QTest::newRow("overflow clamps high") << std::numeric_limits<int>::max() << 200 << std::numeric_limits<int>::max();
    QTest::newRow("overflow clamps low") << std::numeric_limits<int>::min() << 200 << std::numeric_limits<int>::min();
    QTest::newRow("largest at recorded pace")
        << std::numeric_limits<int>::max() << 100 << std::numeric_limits<int>::max();
}

void TestPlaybackEngine::scaledDelay()
{
    QFETCH(int, delay);
    QFETCH(int, percent);
    QFETCH(int, expected);
    QCOMPARE(PlaybackEngine::scaledDelay(delay, percent), expected);
}

void TestPlaybackEngine::randomIntervalMapsDrawsIntoTheBounds()
{
    const QList<qint64> expected = {3, 4, 5, 3, 4};
    for (int draw = 0; draw < 5; ++draw)
        QCOMPARE(PlaybackEngine::randomIntervalSeconds(draw, 3, 5), expected[draw]);
    QCOMPARE(PlaybackEngine::randomIntervalSeconds(0, 2, 2), 2);
    QCOMPARE(PlaybackEngine::randomIntervalSeconds(1, 2, 2), 2);
    QCOMPARE(PlaybackEngine::randomIntervalSeconds(0, 0, 0), 0);
}

void TestPlaybackEngine::pumpedSleepSlices_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("eventRounds");
    QTest::newRow("130") << qint64(130) << QStringList{"sleep 50", "sleep 50", "sleep 30"} << 3;
    QTest::newRow("50 is one slice") << qint64(50) << QStringList{"sleep 50"} << 1;
    QTest::newRow("51") << qint64(51) << QStringList{"sleep 50", "sleep 1"} << 2;
    QTest::newRow("0 does not sleep") << qint64(0) << QStringList{} << 1;
    QTest::newRow("negative waits nothing") << qint64(-5000) << QStringList{} << 1;
}

void TestPlaybackEngine::pumpedSleepSlices()
{
    QFETCH(qint64, ms);
    QFETCH(QStringList, expected);
    QFETCH(int, eventRounds);
    auto engine = makeEngine();
    const std::int64_t start = m_fakes->clock->micros;
    engine->PumpedSleep(ms);
    QCOMPARE(log(), expected);
    QCOMPARE(m_eventsProcessed, eventRounds);
    QCOMPARE(m_fakes->clock->micros - start, std::max<qint64>(ms, 0) * 1000);
}

void TestPlaybackEngine::overheadDoesNotAccumulate()
{
    // Each round of event processing costs 300 us and each injection 200 us; a hundred waits of 10 ms still
    // end 1 s after the start, and the last injection after that.
    auto engine = makeEngine();
    m_onEvents = [this] { m_fakes->clock->micros += 300; };
    const std::int64_t start = m_fakes->clock->micros;
    for (int i = 0; i < 100; ++i) {
        engine->PumpedSleep(10);
        m_fakes->clock->micros += 200; // injecting
    }
    QCOMPARE(m_fakes->clock->micros - start, 1'000'000 + 200);
}

void TestPlaybackEngine::aHeldUpRunDoesNotBurst()
{
    auto engine = makeEngine();
    engine->PumpedSleep(10);
    m_fakes->clock->micros += 5'000'000; // a modal dialog held the run up for 5 s
    m_fakes->clock->sleeps.clear();
    engine->PumpedSleep(10);
    engine->PumpedSleep(10);
    QCOMPARE(m_fakes->clock->sleeps, (std::vector<std::int64_t>{10'000, 10'000}));

    // A small lag is made up.
    m_fakes->clock->sleeps.clear();
    m_fakes->clock->micros += 4'000;
    engine->PumpedSleep(10);
    QCOMPARE(m_fakes->clock->sleeps, (std::vector<std::int64_t>{6'000}));
}

void TestPlaybackEngine::rowsWithoutWaitsPollEventsSparingly()
{
    for (int i = 0; i < 10; ++i)
        row("Move()", "1;1;0");
    row("Move()", "2;2;3"); // a wait: events are processed right after it
    row("Move()", "3;3;0");
    m_onEvents = [this] { m_fakes->clock->micros += 100; };
    auto engine = makeEngine(1000);
    QCOMPARE(engine->run(1, 1, 1), PlaybackEngine::Outcome::Completed);
    // Here time passes only while events are processed and during the wait: events are processed once at
    // the start, not again until the wait, once within it, and once for the last row, more than 1 ms later.
    QCOMPARE(m_eventsProcessed, 3);
    QCOMPARE(m_fakes->injector->calls.size(), 12);
}

void TestPlaybackEngine::nothingInjectedWaitsThroughAWaitOrACommand()
{
    row("Move()", "1;1;10");
    row("LDown()", "1;1;0");
    row("KeyDown()", "VK_A;30;60"); // a wait of two slices
    row("KeyUp()", "VK_A;30;0");
    row("LUp()", "1;1;5");
    m_fakes->injector->modifiersHeldFor = 2;
    int sleepsWithPending = 0, commandsWithPending = 0, sleeps = 0;
    m_fakes->clock->onSleep = [&] {
        ++sleeps;
        sleepsWithPending += m_fakes->injector->allFlushed() ? 0 : 1;
    };
    m_onEvents = [&] { commandsWithPending += m_fakes->injector->allFlushed() ? 0 : 1; };
    QCOMPARE(makeEngine(1000)->run(2, 1, 1), PlaybackEngine::Outcome::Completed);
    QCOMPARE(m_fakes->injector->calls.size(), 14);
    QCOMPARE(sleeps, 2 + 2 * 4 + 20); // modifier polls, the rows' waits, the interval's slices
    QCOMPARE(sleepsWithPending, 0);
    QCOMPARE(commandsWithPending, 0);
    QVERIFY(m_fakes->injector->allFlushed());
}

void TestPlaybackEngine::rowsWithoutWaitsAreFlushedInBatches()
{
    for (int i = 0; i < 200; ++i)
        row(i % 2 ? "LUp()" : "LDown()", "1;1;0");
    // Each row takes 50 us, so the 200 rows take 10 ms; the speed is read once per row.
    int mostPending = 0;
    m_speed = [&] {
        m_fakes->clock->micros += 50;
        mostPending = std::max(mostPending, int(m_fakes->injector->calls.size()) - m_fakes->injector->flushedCalls);
        return 100;
    };
    QCOMPARE(makeEngine(1000)->run(1, 1, 1), PlaybackEngine::Outcome::Completed);
    QCOMPARE(m_fakes->injector->calls.size(), 400);
    // About one flush per millisecond rather than one per event; no event held back much longer than that.
    QVERIFY2(m_fakes->injector->flushes >= 10 && m_fakes->injector->flushes <= 25,
             qPrintable(QString::number(m_fakes->injector->flushes)));
    QVERIFY2(mostPending <= 2 * 21, qPrintable(QString::number(mostPending)));
    QVERIFY(m_fakes->injector->allFlushed());
}

void TestPlaybackEngine::rowKinds_data()
{
    QTest::addColumn<QByteArray>("action");
    QTest::addColumn<QByteArray>("parameters");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("Move") << QByteArray("Move()") << QByteArray("100;200;40")
                          << QStringList{"sleep 40", "cursor 100 200"};
    QTest::newRow("LDown without wait") << QByteArray("LDown()") << QByteArray("10;20;0")
                                        << QStringList{"cursor 10 20", "mouse 32770", "mouse 32772"};
    QTest::newRow("LUp") << QByteArray("LUp()") << QByteArray("1;2;0") << QStringList{"cursor 1 2", "mouse 32772"};
    QTest::newRow("RDown") << QByteArray("RDown()") << QByteArray("1;2;0")
                           << QStringList{"cursor 1 2", "mouse 32776", "mouse 32784"};
    QTest::newRow("RUp") << QByteArray("RUp()") << QByteArray("1;2;0") << QStringList{"cursor 1 2", "mouse 32784"};
    QTest::newRow("MDown") << QByteArray("MDown()") << QByteArray("1;2;0")
                           << QStringList{"cursor 1 2", "mouse 32800", "mouse 32832"};
    QTest::newRow("MUp") << QByteArray("MUp()") << QByteArray("1;2;0") << QStringList{"cursor 1 2", "mouse 32832"};
    QTest::newRow("word inside other text")
        << QByteArray("xLDowny") << QByteArray("5;6;0") << QStringList{"cursor 5 6", "mouse 32770", "mouse 32772"};
    QTest::newRow("negative coordinates")
        << QByteArray("Move()") << QByteArray("-1280;-3;0") << QStringList{"cursor -1280 -3"};
    QTest::newRow("KeyDown") << QByteArray("KeyDown()") << QByteArray("VK_A;30;15")
                             << QStringList{"sleep 15", QStringLiteral("key %1 0").arg(VK_A),
                                            QStringLiteral("key %1 2").arg(VK_A)};
    QTest::newRow("KeyUp") << QByteArray("KeyUp()") << QByteArray("VK_A;30;15")
                           << QStringList{"sleep 15", QStringLiteral("key %1 2").arg(VK_A)};
    QTest::newRow("extended code plays the plain key")
        << QByteArray("KeyDown()") << QByteArray("VK_RETURN;32796;0") << QStringList{"key 13 0", "key 13 2"};
    QTest::newRow("unknown name waits only")
        << QByteArray("KeyDown()") << QByteArray("VK_a;30;15") << QStringList{"sleep 15"};
    QTest::newRow("empty name waits only")
        << QByteArray("KeyDown()") << QByteArray(";86;40") << QStringList{"sleep 40"};
    QTest::newRow("hex delay") << QByteArray("Move()") << QByteArray("1;2;$10")
                               << QStringList{"sleep 16", "cursor 1 2"};
    QTest::newRow("lower-case move is inert") << QByteArray("move()") << QByteArray("1;2;50") << QStringList{};
    QTest::newRow("Keydown is inert") << QByteArray("Keydown()") << QByteArray("VK_A;30;50") << QStringList{};
    QTest::newRow("empty action is inert") << QByteArray("") << QByteArray("garbage") << QStringList{};
    QTest::newRow("inert rows skip bad parameters") << QByteArray("Click()") << QByteArray("x;y;z") << QStringList{};
}

void TestPlaybackEngine::rowKinds()
{
    QFETCH(QByteArray, action);
    QFETCH(QByteArray, parameters);
    QFETCH(QStringList, expected);
    row(action.constData(), parameters.constData());
    QCOMPARE(run(), PlaybackEngine::Outcome::Completed);
    // One row waits once, then injects: the sleeps come first. What a row leaves pressed is let go at the end.
    QCOMPARE(log() + m_fakes->injector->calls, expected);
}

void TestPlaybackEngine::oneRowCanTakeAllThreeSteps()
{
    // Mouse first, then key down, then key up; each step waits its own delay. "1000" is not a key name.
    row("KeyUp()KeyDown()Move()", "1000;8;5");
    row("KeyUp() KeyDown()", "VK_A;30;1");
    QCOMPARE(run(), PlaybackEngine::Outcome::Completed);
    QCOMPARE(log(), (QStringList{"sleep 5", "sleep 5", "sleep 5", "sleep 1", "sleep 1"}));
    QCOMPARE(m_fakes->injector->calls, (QStringList{"cursor 1000 8", QStringLiteral("key %1 0").arg(VK_A),
                                                    QStringLiteral("key %1 2").arg(VK_A)}));
}

void TestPlaybackEngine::mouseWordsFireInFixedOrder()
{
    row("MUp RUp LUp MDown RDown LDown", "3;4;0");
    QCOMPARE(run(), PlaybackEngine::Outcome::Completed);
    QCOMPARE(m_fakes->injector->calls, (QStringList{"cursor 3 4", "mouse 32770", "mouse 32772", "mouse 32776",
                                                    "mouse 32784", "mouse 32800", "mouse 32832"}));
}

void TestPlaybackEngine::buttonRowsPlaceTheCursorAndMoveRowsMoveIt()
{
    m_fakes->injector->placementsApart = true;
    row("Move()", "1;2;0");
    row("LDown()", "1;2;0");
    row("RUp()", "3;4;0");
    row("Move()LDown()", "5;6;0"); // a row that also moves, moves
    row("Moved", "7;8;0");         // "Move" anywhere makes a mouse row, which moves
    QCOMPARE(run(), PlaybackEngine::Outcome::Completed);
    using namespace MouseEventFlag;
    QCOMPARE(m_fakes->injector->calls,
             (QStringList{"cursor 1 2", "place 1 2", QStringLiteral("mouse %1").arg(Absolute | LeftDown), "place 3 4",
                          QStringLiteral("mouse %1").arg(Absolute | RightUp), "cursor 5 6",
                          QStringLiteral("mouse %1").arg(Absolute | LeftDown), "cursor 7 8",
                          QStringLiteral("mouse %1").arg(Absolute | LeftUp)})); // let go at the end of the run
}

void TestPlaybackEngine::aButtonRowAsksWhereThePointerIsAheadOfItsTime()
{
    m_fakes->injector->placementsApart = true;
    const std::int64_t start = m_fakes->clock->micros;
    m_fakes->clock->onSleep = [this, start] {
        m_fakes->injector->calls << QStringLiteral("at %1").arg(m_fakes->clock->micros - start);
    };
    row("Move()", "1;2;0");
    row("LDown()", "1;2;30");
    row("LUp()", "1;2;2");   // a wait shorter than the look-ahead: asked as it begins
    row("Move()", "3;4;20"); // a moving row has nothing to ask
    row("RDown()", "5;6;0"); // no wait: the placement asks for itself
    QCOMPARE(run(), PlaybackEngine::Outcome::Completed);
    using namespace MouseEventFlag;
    const qint64 ahead = PlaybackEngine::PointerCheckAheadMicros;
    QCOMPARE(m_fakes->injector->calls,
             (QStringList{"cursor 1 2", QStringLiteral("at %1").arg(30000 - ahead), "check 1 2", "at 30000",
                          "place 1 2", QStringLiteral("mouse %1").arg(Absolute | LeftDown), "check 1 2", "at 32000",
                          "place 1 2", QStringLiteral("mouse %1").arg(Absolute | LeftUp), "at 52000", "cursor 3 4",
                          "place 5 6", QStringLiteral("mouse %1").arg(Absolute | RightDown),
                          QStringLiteral("mouse %1").arg(Absolute | RightUp)}));

    // A wake before the question leaves it and the row in time; a stop there ends the run without either.
    for (const bool stop : {false, true}) {
        m_fakes->injector->calls.clear();
        m_fakes->clock->onSleep = nullptr;
        m_table.setRows(2);
        row("LDown()", "1;2;30");
        const std::int64_t begin = m_fakes->clock->micros;
        m_fakes->clock->interruptAt = begin + 10000;
        m_fakes->clock->interrupt = [this, stop] {
            if (stop)
                m_stop.request();
            m_fakes->clock->wake();
        };
        m_stop.clear();
        QCOMPARE(run(), stop ? PlaybackEngine::Outcome::Interrupted : PlaybackEngine::Outcome::Completed);
        QCOMPARE(m_fakes->clock->micros - begin, stop ? 10000 : 30000);
        const QStringList played{"check 1 2", "place 1 2", QStringLiteral("mouse %1").arg(Absolute | LeftDown),
                                 QStringLiteral("mouse %1").arg(Absolute | LeftUp)};
        QCOMPARE(m_fakes->injector->calls, stop ? QStringList() : played);
    }
}

void TestPlaybackEngine::badParametersFailAtTheirRow_data()
{
    QTest::addColumn<QByteArray>("action");
    QTest::addColumn<QByteArray>("parameters");
    QTest::addColumn<QString>("message");
    QTest::newRow("two fields") << QByteArray("Move()") << QByteArray("100;200")
                                << QString("'' is not a valid integer value");
    QTest::newRow("fourth field") << QByteArray("LDown()") << QByteArray("1;2;40;7")
                                  << QString("'40;7' is not a valid integer value");
    QTest::newRow("bad coordinate") << QByteArray("Move()") << QByteArray("1x;2;3")
                                    << QString("'1x' is not a valid integer value");
    QTest::newRow("bad key code") << QByteArray("KeyUp()") << QByteArray("VK_A;;3")
                                  << QString("'' is not a valid integer value");
    QTest::newRow("trailing blank delay")
        << QByteArray("KeyDown()") << QByteArray("VK_A;30;3 ") << QString("'3 ' is not a valid integer value");
    QTest::newRow("Cyrillic text") << QByteArray("Move()") << QByteArray("\xcf\xf0\xe8;1;1")
                                   << QString::fromUtf8("'При' is not a valid integer value");
}

void TestPlaybackEngine::badParametersFailAtTheirRow()
{
    QFETCH(QByteArray, action);
    QFETCH(QByteArray, parameters);
    QFETCH(QString, message);
    row("Move()", "1;1;0");
    row(action.constData(), parameters.constData());
    row("Move()", "9;9;0");
    try {
        run();
        QFAIL("the row did not fail");
    } catch (const ConversionError &error) {
        QCOMPARE(error.message(), message);
    }
    QCOMPARE(m_fakes->injector->calls, QStringList{"cursor 1 1"});
}

void TestPlaybackEngine::fixedIntervalWaitsBetweenRepetitionsOnly()
{
    row("Move()", "1;1;0");
    QCOMPARE(run(3, 1, 99), PlaybackEngine::Outcome::Completed);
    QStringList interval;
    for (int slice = 0; slice < 20; ++slice)
        interval << QStringLiteral("sleep 50");
    QCOMPARE(log(), interval + interval);
    QCOMPARE(m_fakes->injector->calls.size(), 3);
}

void TestPlaybackEngine::randomIntervalWithEqualBounds()
{
    m_mode = 1;
    row("Move()", "1;1;0");
    const std::int64_t start = m_fakes->clock->micros;
    QCOMPARE(run(4, 2, 2), PlaybackEngine::Outcome::Completed);
    QCOMPARE(m_fakes->clock->micros - start, 3 * 2'000'000);
    QCOMPARE(m_fakes->injector->calls.size(), 4);

    // The mode is read at each interval: fixed again, 1 s.
    m_mode = 0;
    m_log.clear();
    const std::int64_t again = m_fakes->clock->micros;
    QCOMPARE(run(2, 1, 2), PlaybackEngine::Outcome::Completed);
    QCOMPARE(m_fakes->clock->micros - again, 1'000'000);
}

void TestPlaybackEngine::countBelowOnePlaysNothing()
{
    row("Move()", "1;1;0");
    m_fakes->injector->modifiersHeldFor = 5;
    QCOMPARE(run(0, 1, 1), PlaybackEngine::Outcome::Completed);
    QCOMPARE(run(-3, 1, 1), PlaybackEngine::Outcome::Completed);
    QVERIFY(m_fakes->injector->calls.isEmpty());
    QVERIFY(log().isEmpty());
    QCOMPARE(m_fakes->injector->modifierQueries, 0);
}

void TestPlaybackEngine::stopDuringARowsWaitEndsItAndThatRowDoesNotAct()
{
    row("KeyDown()", "VK_SHIFT;42;0");
    row("Move()", "1;1;10");
    row("Move()", "2;2;120"); // the stop comes during this row's second slice
    row("Move()", "3;3;10");
    int slices = 0;
    m_fakes->clock->onSleep = [&] {
        if (m_fakes->clock->sleeps.back() == 50'000 && ++slices == 2)
            m_stop.request();
    };
    auto engine = makeEngine();
    QCOMPARE(engine->run(2, 1, 1), PlaybackEngine::Outcome::Interrupted);
    // The wait ended with the slice in which the stop came, the row did not act, and what the run held was
    // let go before it returned.
    QCOMPARE(m_fakes->clock->sleeps, (std::vector<std::int64_t>{10'000, 50'000, 50'000}));
    QCOMPARE(m_fakes->injector->calls, (QStringList{QStringLiteral("key %1 0").arg(VK_SHIFT), "cursor 1 1",
                                                    QStringLiteral("key %1 2").arg(VK_SHIFT)}));
}

void TestPlaybackEngine::stopFromAnotherThreadWakesTheWait()
{
    row("Move()", "1;1;10");
    row("Move()", "2;2;15000");
    row("Move()", "3;3;10");
    const std::int64_t start = m_fakes->clock->micros;
    m_fakes->clock->interruptAt = start + 10'000 + 1'000'123;
    m_fakes->clock->interrupt = [this] {
        m_stop.request();
        m_fakes->clock->wake();
    };
    QCOMPARE(run(), PlaybackEngine::Outcome::Interrupted);
    QCOMPARE(m_fakes->injector->calls, QStringList{"cursor 1 1"});
    // Not at the end of a slice: at once.
    QCOMPARE(m_fakes->clock->micros - start, 10'000 + 1'000'123);

    // The same during the interval between repetitions, and during a wait of no slices at all.
    for (const std::int64_t into : {3'500'000, 100'000}) {
        m_fakes->injector->calls.clear();
        const std::int64_t begin = m_fakes->clock->micros;
        m_fakes->clock->interruptAt = begin + into;
        m_fakes->clock->interrupt = [this] {
            m_stop.request();
            m_fakes->clock->wake();
        };
        m_table.setRows(2);
        row("Move()", "1;1;0");
        row("Move()", "2;2;200");
        const bool inTheInterval = into > 200'000;
        QCOMPARE(run(2, inTheInterval ? 10 : 1, 1), PlaybackEngine::Outcome::Interrupted);
        QCOMPARE(m_fakes->clock->micros - begin, into);
        const QStringList played = inTheInterval ? QStringList{"cursor 1 1", "cursor 2 2"} : QStringList{"cursor 1 1"};
        QCOMPARE(m_fakes->injector->calls, played);
    }
}

void TestPlaybackEngine::wakeWithoutAStopDoesNotShortenTheWait()
{
    row("Move()", "1;1;700");
    row("Move()", "2;2;100");
    const std::int64_t start = m_fakes->clock->micros;
    m_fakes->clock->interruptAt = start + 300'000;
    m_fakes->clock->interrupt = [this] { m_fakes->clock->wake(); };
    QCOMPARE(run(), PlaybackEngine::Outcome::Completed);
    QCOMPARE(m_fakes->injector->calls, (QStringList{"cursor 1 1", "cursor 2 2"}));
    QCOMPARE(m_fakes->clock->micros - start, 800'000);
    QCOMPARE(m_fakes->clock->wakes, 1);
}

void TestPlaybackEngine::stopArrivingAsAnEventEndsALongWaitSoon()
{
    // The tray menu's Stop and Exit reach the run as window-system events, which nothing wakes the clock
    // for: the wait must hand them over often enough that the run ends within 100 ms of their arrival.
    row("Move()", "1;1;30000");
    row("Move()", "2;2;0");
    for (const std::int64_t into : {1'000'123, 30'000, 29'990'000}) {
        m_fakes = std::make_unique<FakePlatform>();
        const std::int64_t arrival = m_fakes->clock->micros + into;
        bool pending = false;
        m_fakes->clock->interruptAt = arrival;
        m_fakes->clock->interrupt = [&pending] { pending = true; };
        m_onEvents = [this, &pending] {
            if (pending)
                m_stop.request();
        };
        m_stop.clear();
        QCOMPARE(run(), PlaybackEngine::Outcome::Interrupted);
        QVERIFY2(m_fakes->clock->micros - arrival <= 100'000,
                 qPrintable(QStringLiteral("handled %1 us after it came").arg(m_fakes->clock->micros - arrival)));
    }
}

void TestPlaybackEngine::stopDuringTheIntervalEndsTheRun()
{
    row("Move()", "1;1;0");
    m_fakes->clock->onSleep = [&] {
        if (m_fakes->clock->sleeps.size() == 3) // in the interval's second slice
            m_stop.request();
    };
    QCOMPARE(run(3, 10, 10), PlaybackEngine::Outcome::Interrupted);
    QCOMPARE(m_fakes->injector->calls, QStringList{"cursor 1 1"});
    QCOMPARE(m_fakes->clock->sleeps.size(), std::size_t(3));

    // A stop during the last row of a repetition ends the run before the next repetition.
    m_fakes->clock->sleeps.clear();
    m_fakes->injector->calls.clear();
    m_fakes->clock->onSleep = [&] { m_stop.request(); };
    QCOMPARE(run(3, 10, 10), PlaybackEngine::Outcome::Interrupted);
    QCOMPARE(m_fakes->injector->calls, QStringList{"cursor 1 1"});
    QCOMPARE(m_fakes->clock->sleeps.size(), std::size_t(1));
}

void TestPlaybackEngine::stopRequestedBeforeTheRunPlaysNothing()
{
    // Whoever starts a run clears its stop first; the engine never clears it, so a stop that came before
    // its first check (the stop key, as the run starts) is not lost.
    row("Move()", "1;1;0");
    m_stop.request();
    QCOMPARE(makeEngine()->run(1, 1, 1), PlaybackEngine::Outcome::Interrupted);
    QVERIFY(m_fakes->injector->calls.isEmpty());
}

void TestPlaybackEngine::speedIsReadAtEveryRow()
{
    row("Move()", "1;1;40");
    row("KeyDown()", "VK_A;30;20");
    row("Move()", "1;1;100");
    QList<int> speeds = {50, 200, 1};
    int reads = 0;
    m_speed = [&] { return speeds[reads++]; };
    run();
    QCOMPARE(reads, 3);
    QCOMPARE(m_fakes->clock->sleeps, (std::vector<std::int64_t>{20'000, 40'000, 1'000}));
}

void TestPlaybackEngine::editsDuringARunTakeEffectAtTheNextRow()
{
    row("Move()", "1;1;0");
    row("Move()", "2;2;0");
    int rounds = 0;
    m_onEvents = [&] {
        if (++rounds == 2) { // during row 1: row 2 is rewritten and a row is added
            m_table.setCell(4, 2, QByteArrayView("LDown()"));
            m_table.setCell(5, 2, QByteArrayView("5;5;0"));
            m_table.appendToLastRow(QByteArrayView("KeyDown()"), QByteArrayView("VK_A;30;0"));
        }
    };
    run();
    QCOMPARE(m_fakes->injector->calls,
             (QStringList{"cursor 1 1", "cursor 5 5", "mouse 32770", QStringLiteral("key %1 0").arg(VK_A),
                          QStringLiteral("key %1 2").arg(VK_A), "mouse 32772"}));
}

void TestPlaybackEngine::rightAltAndRightCtrlPlayAsTheRightHandKeys()
{
    // AltGr types other characters than the left Alt; the recorded code tells them apart. Every other key
    // keeps playing by its virtual key alone, its code checked and ignored.
    row("KeyDown()", "VK_MENU;32824;0");
    row("KeyUp()", "VK_MENU;32824;0");
    row("KeyDown()", "VK_CONTROL;32797;0");
    row("KeyUp()", "VK_CONTROL;32797;0");
    row("KeyDown()", "VK_MENU;56;0");
    row("KeyUp()", "VK_MENU;56;0");
    row("KeyDown()", "VK_RETURN;32796;0");
    row("KeyUp()", "VK_RETURN;32796;0");
    row("KeyDown()", "VK_CONTROL;29;0");
    row("KeyUp()", "VK_CONTROL;29;0");
    QCOMPARE(run(), PlaybackEngine::Outcome::Completed);
    QCOMPARE(m_fakes->injector->calls, (QStringList{"key 18 1", "key 18 3", "key 17 1", "key 17 3", "key 18 0",
                                                    "key 18 2", "key 13 0", "key 13 2", "key 17 0", "key 17 2"}));

    // What a stopped run holds is let go as the key it pressed.
    m_fakes->injector->calls.clear();
    m_table.setRows(2);
    row("KeyDown()", "VK_MENU;32824;0");
    row("KeyDown()", "VK_CONTROL;29;0");
    row("Move()", "1;1;10");
    m_fakes->clock->onSleep = [this] { m_stop.request(); };
    QCOMPARE(run(), PlaybackEngine::Outcome::Interrupted);
    QCOMPARE(m_fakes->injector->calls, (QStringList{"key 18 1", "key 17 0", "key 17 2", "key 18 3"}));
}

void TestPlaybackEngine::interruptedRunReleasesWhatItHolds()
{
    row("KeyDown()", "VK_CONTROL;29;1");
    row("KeyDown()", "VK_SHIFT;42;1");
    row("KeyDown()", "VK_A;30;1");
    row("KeyUp()", "VK_SHIFT;42;1");
    row("LDown()", "1;1;1");
    row("RDown()", "1;1;1");
    row("Move()", "1;1;1");
    m_fakes->clock->onSleep = [&] {
        if (m_fakes->clock->sleeps.size() == 7) // in the wait of the Move() row, which then does not act
            m_stop.request();
    };
    auto engine = makeEngine();
    QCOMPARE(engine->run(1, 1, 1), PlaybackEngine::Outcome::Interrupted);
    const QStringList calls = m_fakes->injector->calls;
    engine.reset();
    QCOMPARE(m_fakes->injector->calls, calls); // released once, before the run returned
    QCOMPARE(calls.mid(8), (QStringList{QStringLiteral("key %1 2").arg(VK_A),
                                        QStringLiteral("key %1 2").arg(VK_CONTROL), "mouse 32772", "mouse 32784"}));
    QVERIFY(m_fakes->injector->allFlushed());
}

void TestPlaybackEngine::failedRunReleasesWhatItHolds()
{
    row("KeyDown()", "VK_SHIFT;42;0");
    row("MDown()", "1;1;0");
    row("Move()", "1;1");
    QVERIFY_THROWS_EXCEPTION(ConversionError, run());
    QCOMPARE(m_fakes->injector->calls.mid(3), (QStringList{QStringLiteral("key %1 2").arg(VK_SHIFT), "mouse 32832"}));
    QVERIFY(m_fakes->injector->allFlushed());
}

void TestPlaybackEngine::completedRunReleasesWhatItHolds()
{
    // Between repetitions the script's held input stays as the script leaves it; after the last one the
    // run lets go of it, or auto-repeat would go on typing into whatever has the focus.
    row("KeyDown()", "VK_SHIFT;42;0");
    row("LDown()", "1;1;0");
    auto run = makeEngine();
    QCOMPARE(run->run(2, 1, 1), PlaybackEngine::Outcome::Completed);
    const QString shiftDown = QStringLiteral("key %1 0").arg(VK_SHIFT);
    QCOMPARE(m_fakes->injector->calls,
             (QStringList{shiftDown, "cursor 1 1", "mouse 32770", shiftDown, "cursor 1 1", "mouse 32770",
                          QStringLiteral("key %1 2").arg(VK_SHIFT), "mouse 32772"}));
    QVERIFY(m_fakes->injector->allFlushed());
    run.reset();
    QCOMPARE(m_fakes->injector->calls.size(), 8); // released once

    // Exit during a run lets go of what the run holds, once.
    auto engine = makeEngine();
    m_fakes->injector->calls.clear();
    m_table.setRows(2);
    row("KeyDown()", "VK_CONTROL;29;0");
    engine->run(1, 1, 1);
    engine->releaseHeldInput();
    engine->releaseHeldInput();
    QCOMPARE(m_fakes->injector->calls,
             (QStringList{QStringLiteral("key %1 0").arg(VK_CONTROL), QStringLiteral("key %1 2").arg(VK_CONTROL)}));
}

void TestPlaybackEngine::waitsForModifiersBeforeTheFirstEvent()
{
    row("Move()", "1;1;20");
    row("Move()", "2;2;20");
    m_fakes->injector->modifiersHeldFor = 3;
    QCOMPARE(run(), PlaybackEngine::Outcome::Completed);
    QCOMPARE(m_fakes->injector->modifierQueries, 4);
    // Three polls of 10 ms, then the rows at their own pace from the release.
    QCOMPARE(m_fakes->clock->sleeps, (std::vector<std::int64_t>{10'000, 10'000, 10'000, 20'000, 20'000}));
    QCOMPARE(m_fakes->injector->calls, (QStringList{"cursor 1 1", "cursor 2 2"}));
}

void TestPlaybackEngine::aModifierThatStaysDownDelaysTheRunOnlySoLong()
{
    row("Move()", "1;1;0");
    m_fakes->injector->modifiersHeldFor = 1'000'000;
    const std::int64_t start = m_fakes->clock->micros;
    QCOMPARE(run(), PlaybackEngine::Outcome::Completed);
    QCOMPARE(m_fakes->clock->micros - start, PlaybackEngine::ModifierWaitLimitMs * 1000);
    QCOMPARE(m_fakes->injector->calls, QStringList{"cursor 1 1"});
}

void TestPlaybackEngine::stopWhileModifiersAreHeld()
{
    row("Move()", "1;1;0");
    m_fakes->injector->modifiersHeldFor = 1000;
    m_onEvents = [this] { m_stop.request(); };
    QCOMPARE(run(), PlaybackEngine::Outcome::Interrupted);
    QVERIFY(m_fakes->injector->calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestPlaybackEngine)
#include "TestPlaybackEngine.moc"
