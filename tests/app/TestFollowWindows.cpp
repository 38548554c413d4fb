// Following windows and the mouse wheel on the private X server: input recorded from an independent XTest
// client through the real backend, played back by the engine, and seen by a third client through RECORD.

#include "platform/Platform.h"
#include "platform/ProcessState.h"
#include "platform/XRecordObserver.h"
#include "platform/XTestDriver.h"
#include "play/PlaybackEngine.h"
#include "record/InputRecorder.h"
#include "script/ScriptTable.h"
#include "script/WindowRows.h"

#include <QApplication>
#include <QTest>

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

} // namespace

class TestFollowWindows : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void wheelTurnsReplayAsTheSameNotches();

  private:
    // Records what `act` does with the user's driver, with these options.
    void record(ScriptTable &table, RecordOptions options, const std::function<void()> &act);
    PlaybackEngine::Outcome play(ScriptTable &table);

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
    recorder.startRecording(options);
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
    StopRequested = false;
    PlaybackEngine engine(table, *m_platform->injector, *m_platform->clock,
                          {[] { return 100; }, [] { return 0; }, [] { QCoreApplication::processEvents(); }, 0});
    return engine.run(1, 1, 1);
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
