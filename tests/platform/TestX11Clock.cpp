#include "platform/WakeMargin.h"
#include "platform/x11/X11Clock.h"

#include <QTest>

#include <thread>

// The pacing clock of the X11 backend: its margin follows the wake-ups it gets, and the spin that the margin
// leaves never ends a sleep early nor holds up a wake.
class TestX11Clock : public QObject
{
    Q_OBJECT

  private slots:
    void theMarginFollowsARecurringLatenessButNotOneStall();
    void aWaitSpinsAtMostAQuarterOfItselfAndNeverPastTheLimit();
    void sleepsNeverEndBeforeTheirDeadline();
    void wakeEndsTheSleepInProgressOrTheNextOne();
};

void TestX11Clock::theMarginFollowsARecurringLatenessButNotOneStall()
{
    WakeMargin margin;
    QCOMPARE(margin.current(), WakeMargin::InitialMicros);
    for (int i = 0; i < WakeMargin::History; ++i)
        margin.noteLateness(i % 2 == 0 ? 60 : 150);
    QCOMPARE(margin.current(), 150 + WakeMargin::SlackMicros);

    // One stall of the machine is not the next wake-up's lateness.
    margin.noteLateness(4000);
    QCOMPARE(margin.current(), 150 + WakeMargin::SlackMicros);
    // Two are, up to the limit.
    margin.noteLateness(3000);
    QCOMPARE(margin.current(), WakeMargin::MaxMicros);

    // They age out: a quiet spell brings the margin back down.
    for (int i = 0; i < WakeMargin::History; ++i)
        margin.noteLateness(40);
    QCOMPARE(margin.current(), 40 + WakeMargin::SlackMicros);
    // A clock read just before the timer's own time is no lateness.
    for (int i = 0; i < WakeMargin::History; ++i)
        margin.noteLateness(-5);
    QCOMPARE(margin.current(), WakeMargin::SlackMicros);
}

void TestX11Clock::aWaitSpinsAtMostAQuarterOfItselfAndNeverPastTheLimit()
{
    WakeMargin margin;
    for (int i = 0; i < WakeMargin::History; ++i)
        margin.noteLateness(900);
    QCOMPARE(margin.forWait(100000), 900 + WakeMargin::SlackMicros);
    QCOMPARE(margin.forWait(2000), std::int64_t(500));
    QCOMPARE(margin.forWait(0), std::int64_t(0));
    QCOMPARE(margin.forWait(-1000), std::int64_t(0));
    for (int i = 0; i < WakeMargin::History; ++i)
        margin.noteLateness(50000);
    QCOMPARE(margin.forWait(10000000), WakeMargin::MaxMicros);
}

void TestX11Clock::sleepsNeverEndBeforeTheirDeadline()
{
    X11Clock clock;
    // Twice: with the margin it starts with, and with the one the first round taught it.
    for (int round = 0; round < 2; ++round) {
        for (const std::int64_t wait : {0, 50, 400, 900, 1500, 2500, 7000, 20000}) {
            const std::int64_t deadline = clock.monotonicMicros() + wait;
            QVERIFY(clock.sleepUntil(deadline));
            const std::int64_t woke = clock.monotonicMicros();
            QVERIFY2(woke >= deadline, qPrintable(QStringLiteral("woke %1 us early").arg(deadline - woke)));
        }
    }
    QVERIFY(clock.sleepUntil(clock.monotonicMicros() - 60000000)); // long past: returns at once
}

void TestX11Clock::wakeEndsTheSleepInProgressOrTheNextOne()
{
    X11Clock clock;
    // Before the sleep: the next one returns at once, and only that one, even a sleep short enough to be
    // mostly spun.
    for (const std::int64_t wait : {3000000, 400}) {
        clock.wake();
        const std::int64_t start = clock.monotonicMicros();
        QVERIFY(!clock.sleepUntil(start + wait));
        QVERIFY(clock.monotonicMicros() - start < 1000000);
        QVERIFY(clock.sleepUntil(clock.monotonicMicros() + 20000));
    }

    // From another thread, in the middle of a long sleep.
    std::thread waker([&clock] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        clock.wake();
    });
    const std::int64_t start = clock.monotonicMicros();
    const bool reached = clock.sleepUntil(start + 5000000);
    const std::int64_t slept = clock.monotonicMicros() - start;
    waker.join();
    QVERIFY(!reached);
    QVERIFY(slept >= 50000);
    QVERIFY(slept < 2000000);
}

QTEST_GUILESS_MAIN(TestX11Clock)
#include "TestX11Clock.moc"
