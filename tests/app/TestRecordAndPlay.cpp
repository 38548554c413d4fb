// The whole cycle on a real X display: a user (an independent XTest client) records input into a test
// window with the hotkeys, the script is saved, cleared and opened again, and Alt+F11 plays it back while
// a third client watches what reaches the server through RECORD.

#include "LoopbackUpdateServer.h"
#include "app/TFmain.h"
#include "fakes/FakeDesktop.h"
#include "platform/Platform.h"
#include "platform/XRecordObserver.h"
#include "platform/XTestDriver.h"
#include "play/PlaybackEngine.h"
#include "script/ScriptTable.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <memory>

#include <X11/Xlib.h>

namespace
{

// What the user did, as the server saw it: keys A and B, buttons, and where the pointer went. The
// hotkeys' own keys are left out: their releases are recorded but release nothing when played.
struct Seen {
    int type;
    unsigned detail;
    int x, y;
    bool operator==(const Seen &other) const
    {
        return type == other.type && detail == other.detail && x == other.x && y == other.y;
    }
};

QString describe(const std::vector<Seen> &events)
{
    QStringList out;
    for (const Seen &e : events)
        out << QStringLiteral("%1:%2@%3,%4").arg(e.type).arg(e.detail).arg(e.x).arg(e.y);
    return out.join(u' ');
}

bool isUserInput(const XRecordObserver::Event &event)
{
    if (event.type == KeyPress || event.type == KeyRelease)
        return event.detail == Keycode::A || event.detail == 56; // A, B
    return event.type == ButtonPress || event.type == ButtonRelease || event.type == MotionNotify;
}

// The user's input, without motions that leave the pointer where it was (placing the cursor before a
// click reports one).
std::vector<XRecordObserver::Event> userInput(const std::vector<XRecordObserver::Event> &events)
{
    std::vector<XRecordObserver::Event> kept;
    QPoint pointer(-1, -1);
    for (const XRecordObserver::Event &event : events) {
        if (!isUserInput(event))
            continue;
        if (event.type == MotionNotify) {
            if (QPoint(event.x, event.y) == pointer)
                continue;
            pointer = QPoint(event.x, event.y);
        }
        kept.push_back(event);
    }
    return kept;
}

std::vector<Seen> withoutTimes(const std::vector<XRecordObserver::Event> &events)
{
    std::vector<Seen> seen;
    for (const auto &e : events)
        seen.push_back({e.type, e.detail, e.type == KeyPress || e.type == KeyRelease ? 0 : e.x,
                        e.type == KeyPress || e.type == KeyRelease ? 0 : e.y});
    return seen;
}

} // namespace

class TestRecordAndPlay : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void recordSaveOpenAndPlayBack();

  private:
    // Alt+key, released once `done` holds, as a user lets go after seeing the program react.
    void hotkey(unsigned key, const std::function<bool()> &done);
    void answer(QFileDialog *dialog, const QString &path);

    std::unique_ptr<XTestDriver> m_user;
    std::unique_ptr<XRecordObserver> m_observer;
};

void TestRecordAndPlay::initTestCase()
{
    m_user = std::make_unique<XTestDriver>();
    QVERIFY2(m_user->isOpen(), "needs an X display");
    m_observer = std::make_unique<XRecordObserver>();
    QVERIFY(m_observer->start());
}

void TestRecordAndPlay::cleanupTestCase()
{
    m_observer.reset();
    m_user.reset();
}

void TestRecordAndPlay::hotkey(unsigned key, const std::function<bool()> &done)
{
    m_user->key(Keycode::AltLeft, true);
    m_user->key(key, true);
    m_user->sync();
    QTRY_VERIFY(done());
    m_user->key(key, false);
    m_user->key(Keycode::AltLeft, false);
    m_user->sync();
}

void TestRecordAndPlay::answer(QFileDialog *dialog, const QString &path)
{
    QTimer::singleShot(0, dialog, [dialog, path] {
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    });
}

void TestRecordAndPlay::recordSaveOpenAndPlayBack()
{
    const std::unique_ptr<Platform> platform = createPlatform();
    FakeDesktop desktop;
    TFmain window(*platform, desktop, offlineUpdateSettings());
    QSignalSpy balloons(&window, &TFmain::balloonShown);

    // The window the user works in: a line to type into and a plain area to click and drag on.
    QWidget pad;
    auto *layout = new QVBoxLayout(&pad);
    auto *line = new QLineEdit(&pad);
    auto *area = new QWidget(&pad);
    area->setMinimumSize(300, 200);
    layout->addWidget(line);
    layout->addWidget(area);
    pad.setGeometry(400, 300, 320, 260);
    pad.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pad));
    // Placed and focused by the window manager: its position on the screen is final.
    QTRY_VERIFY(pad.isActiveWindow());
    const QPoint lineAt = line->mapToGlobal(line->rect().center());
    const QPoint areaAt = area->mapToGlobal(QPoint(20, 20));

    m_user->motion(5, 5);
    m_user->sync();
    hotkey(Keycode::F9, [&window] { return window.recordHook() != 0; });
    m_observer->stop();
    const std::size_t recordingFrom = m_observer->events().size();
    QVERIFY(m_observer->start());

    // Click into the line, type "ab", drag across the area, right and middle clicks. Each step reaches the
    // server before the pause that follows it.
    auto pause = [this](int ms) {
        m_user->sync();
        QTest::qWait(ms);
    };
    m_user->motion(lineAt.x(), lineAt.y());
    pause(30);
    m_user->button(1, true);
    pause(40);
    m_user->button(1, false);
    pause(60);
    m_user->tap(Keycode::A);
    pause(45);
    m_user->key(56, true);
    pause(35);
    m_user->key(56, false);
    pause(50);
    m_user->motion(areaAt.x(), areaAt.y());
    pause(20);
    m_user->button(1, true);
    for (int step = 1; step <= 10; ++step) {
        pause(7);
        m_user->motion(areaAt.x() + 15 * step, areaAt.y() + 8 * step);
    }
    pause(25);
    m_user->button(1, false);
    pause(80);
    m_user->button(3, true);
    pause(30);
    m_user->button(3, false);
    pause(40);
    m_user->button(2, true);
    pause(30);
    m_user->button(2, false);
    m_user->sync();
    pause(50);
    m_observer->stop();
    std::vector<XRecordObserver::Event> sinceStart = m_observer->events();
    sinceStart.erase(sinceStart.begin(), sinceStart.begin() + std::ptrdiff_t(recordingFrom));
    const std::vector<XRecordObserver::Event> recorded = userInput(sinceStart);
    QVERIFY(m_observer->start());
    hotkey(Keycode::F10, [&window] { return window.isVisible(); });
    QCOMPARE(line->text(), QStringLiteral("ab"));

    // Save, clear, open.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("cycle.tpx"));
    const int rows = window.Script->rows();
    QVERIFY(rows > 20);
    answer(window.SaveDialog1, path);
    window.ToolButton5Click();
    window.ToolButton4Click();
    QCOMPARE(window.Script->rows(), 2);
    answer(window.OpenDialog1, path);
    window.ToolButton6Click();
    QCOMPARE(window.Script->rows(), rows);

    // Play, holding Alt for a while after F11 as a user does: nothing may arrive as Alt+click.
    line->clear();
    m_observer->clear();
    m_user->key(Keycode::AltLeft, true);
    m_user->key(Keycode::F11, true);
    m_user->key(Keycode::F11, false);
    m_user->sync();
    QTimer::singleShot(300, [this] {
        m_user->key(Keycode::AltLeft, false);
        m_user->sync();
    });
    QTRY_COMPARE_WITH_TIMEOUT(balloons.count(), 1, 20000);
    QCOMPARE(balloons.at(0).at(1).toString(), QStringLiteral("Скрипт выполнен."));
    QCOMPARE(line->text(), QStringLiteral("ab"));

    // The last events went out on the player's connection: wait until the server has taken them in.
    QTRY_VERIFY(userInput(m_observer->events()).size() >= recorded.size());
    m_observer->stop();
    const std::vector<XRecordObserver::Event> observed = m_observer->events();
    const auto altUp = std::find_if(observed.begin(), observed.end(), [](const XRecordObserver::Event &e) {
        return e.type == KeyRelease && e.detail == Keycode::AltLeft;
    });
    QVERIFY(altUp != observed.end());
    const std::vector<XRecordObserver::Event> played = userInput(observed);
    QVERIFY(!played.empty());
    QVERIFY2(played.front().receivedMicros >= altUp->receivedMicros, "input was played while Alt was held");
    QCOMPARE(describe(withoutTimes(played)), describe(withoutTimes(recorded)));

    // Waits keep to a schedule: an event may follow a late one sooner than recorded, but never by more than
    // the engine's catch-up limit, and the run as a whole is not shorter than the recording. Measured by the
    // server's clock, which also counts the server's own hold-ups on a busy machine: those are allowed for,
    // up to 50 ms. A run that skipped or shortened its waits still fails. The precision is measured by
    // bench_play.
    const std::int64_t slack = PlaybackEngine::CatchUpLimitMs + 50;
    std::vector<double> errors;
    for (std::size_t i = 1; i < played.size(); ++i) {
        const std::int64_t intended = std::int64_t(recorded[i].serverTime - recorded[i - 1].serverTime);
        const std::int64_t actual = std::int64_t(played[i].serverTime - played[i - 1].serverTime);
        QVERIFY2(
            actual >= intended - slack,
            qPrintable(
                QStringLiteral("event %1: %2 ms after the previous, recorded %3").arg(i).arg(actual).arg(intended)));
        errors.push_back(double(std::llabs(actual - intended)));
    }
    const std::int64_t recordedLength = std::int64_t(recorded.back().serverTime - recorded.front().serverTime);
    const std::int64_t playedLength = std::int64_t(played.back().serverTime - played.front().serverTime);
    QVERIFY2(playedLength >= recordedLength - slack,
             qPrintable(QStringLiteral("played in %1 ms, recorded in %2").arg(playedLength).arg(recordedLength)));
    std::sort(errors.begin(), errors.end());
    qInfo("interval error against the recording (ms, server clock): median %.0f, max %.0f over %zu intervals; "
          "played in %lld ms, recorded in %lld",
          errors[errors.size() / 2], errors.back(), errors.size(), static_cast<long long>(playedLength),
          static_cast<long long>(recordedLength));
}

QTEST_MAIN(TestRecordAndPlay)
#include "TestRecordAndPlay.moc"
