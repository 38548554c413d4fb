#include "platform/CaptureSessions.h"

#include <QTest>

#include <memory>

namespace
{

EventMsg move(std::uint32_t x)
{
    return {InputMessage::MouseMove, x, 0, x};
}

std::unique_ptr<CaptureSession> sessionWith(std::initializer_list<std::uint32_t> xs)
{
    auto session = std::make_unique<CaptureSession>();
    for (const std::uint32_t x : xs)
        session->pending.push_back(move(x));
    return session;
}

} // namespace

// The session rules both capture backends rely on, without a display.
class TestCaptureSessions : public QObject
{
    Q_OBJECT

  private slots:
    void handlesAreNewForEverySessionAndOnlyTheRunningOneIsTaken();
    void eventsArriveInOrderAndALaterQueueJoinsANestedDelivery();
    void procedureRemovingItsOwnSessionGetsNothingMore();
    void removalHandsOverTheRestUnlessDeliveriesStopped();
};

void TestCaptureSessions::handlesAreNewForEverySessionAndOnlyTheRunningOneIsTaken()
{
    CaptureSessions sessions;
    QCOMPARE(sessions.runningHandle(), HookHandle(0));
    const HookHandle first = sessions.start(sessionWith({}), [](int, const EventMsg &) {});
    QVERIFY(first != 0);
    QVERIFY(!sessions.take(first + 1));
    QVERIFY(!sessions.take(0));
    QVERIFY(sessions.take(first));
    QCOMPARE(sessions.runningHandle(), HookHandle(0));
    const HookHandle second = sessions.start(sessionWith({}), [](int, const EventMsg &) {});
    QVERIFY(second != first);
    QVERIFY(!sessions.take(first));
    QCOMPARE(sessions.runningHandle(), second);
}

void TestCaptureSessions::eventsArriveInOrderAndALaterQueueJoinsANestedDelivery()
{
    CaptureSessions sessions;
    QList<std::uint32_t> seen;
    sessions.start(sessionWith({1, 2, 3}), [&](int code, const EventMsg &event) {
        QCOMPARE(code, Hook::Action);
        seen << event.paramL;
        if (event.paramL == 1) {
            // The procedure runs an event loop, where the backend queues and delivers what came meanwhile.
            sessions.current<CaptureSession>()->pending.push_back(move(4));
            sessions.deliverCurrent();
        }
    });
    sessions.deliverCurrent();
    QCOMPARE(seen, (QList<std::uint32_t>{1, 2, 3, 4}));
    QVERIFY(sessions.current<CaptureSession>()->pending.empty());
}

void TestCaptureSessions::procedureRemovingItsOwnSessionGetsNothingMore()
{
    CaptureSessions sessions;
    QList<std::uint32_t> seen;
    std::unique_ptr<CaptureSession> removed;
    HookHandle handle = 0;
    handle = sessions.start(sessionWith({1, 2, 3}), [&](int, const EventMsg &event) {
        seen << event.paramL;
        removed = sessions.take(handle);
        sessions.finish(*removed); // inside a delivery: nothing more is handed over
    });
    sessions.deliverCurrent();
    QCOMPARE(seen, QList<std::uint32_t>{1});
}

void TestCaptureSessions::removalHandsOverTheRestUnlessDeliveriesStopped()
{
    CaptureSessions sessions;
    QList<std::uint32_t> seen;
    const auto record = [&](int, const EventMsg &event) { seen << event.paramL; };
    std::unique_ptr<CaptureSession> session = sessions.take(sessions.start(sessionWith({1}), record));
    session->pending.push_back(move(2)); // collected by the backend while stopping
    sessions.finish(*session);
    QCOMPARE(seen, (QList<std::uint32_t>{1, 2}));

    seen.clear();
    session = sessions.take(sessions.start(sessionWith({5}), record));
    sessions.stopDelivering();
    sessions.finish(*session);
    sessions.deliverCurrent();
    QCOMPARE(seen, QList<std::uint32_t>{});
}

QTEST_MAIN(TestCaptureSessions)
#include "TestCaptureSessions.moc"
