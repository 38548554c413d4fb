#include "XTestDriver.h"

#include "core/KeyNames.h"
#include "platform/Platform.h"

#include <QProcess>
#include <QTest>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace
{

using Events = std::vector<EventMsg>;

// A compact, comparable form of an event without its time.
QString describe(const EventMsg &event)
{
    return QStringLiteral("%1 %2 %3").arg(event.message).arg(qint32(event.paramL)).arg(qint32(event.paramH));
}

QStringList describe(const Events &events)
{
    QStringList lines;
    for (const EventMsg &event : events)
        lines << describe(event);
    return lines;
}

QString key(std::uint32_t message, std::uint32_t scanCode)
{
    return QStringLiteral("%1 %2").arg(message).arg(scanCode);
}

// Key events compared by message and scan code only (paramL of a key is not part of the contract).
QStringList keysOf(const Events &events)
{
    QStringList lines;
    for (const EventMsg &event : events) {
        if (event.message < InputMessage::MouseMove)
            lines << key(event.message, event.paramH);
    }
    return lines;
}

} // namespace

class TestX11InputHook : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void keysArriveWithTheirScanCodes_data();
    void keysArriveWithTheirScanCodes();
    void altCombinationsArriveAsSystemKeys();
    void motionArrivesWithScreenPosition();
    void buttonsArriveAtThePointer_data();
    void buttonsArriveAtThePointer();
    void wheelNotchesArriveOnceWithoutRelease();
    void pressesNameTheirWindowOnlyWhenAsked();
    void eventsArriveInOrderWithNonDecreasingTimes();
    void injectedKeysOfTheWholeTableRoundTrip();
    void hotkeyPressIsNotRecordedButItsReleaseIs();
    void stopHotkeyEndsTheRecordingAtItsPress();
    void eventsArriveWhileInstalledWithoutFurtherInput();
    void removeDeliversEverythingBeforeAndNothingAfter();
    void nothingIsLostWhileTheGuiThreadIsBusy();
    void recordsWhileAnotherClientGrabsKeyboardAndPointer();
    void secondInstallReplacesTheFirst();
    void installFailsWithoutTheRecordExtension();

  private:
    // Installs a hook, runs `drive`, waits until the server has done it, removes the hook.
    Events record(const std::function<void(XTestDriver &)> &drive);

    std::unique_ptr<Platform> m_platform;
    std::unique_ptr<XTestDriver> m_driver;
};

void TestX11InputHook::init()
{
    m_driver = std::make_unique<XTestDriver>();
    QVERIFY2(m_driver->isOpen(), "no X display");
    m_platform = createPlatform();
}

void TestX11InputHook::cleanup()
{
    m_platform.reset();
    m_driver.reset();
}

Events TestX11InputHook::record(const std::function<void(XTestDriver &)> &drive)
{
    Events events;
    const HookHandle handle = m_platform->inputHook->install([&events](int code, const EventMsg &event) {
        if (code == Hook::Action)
            events.push_back(event);
    });
    if (handle == 0)
        return {};
    drive(*m_driver);
    m_driver->sync();
    m_platform->inputHook->remove(handle);
    return events;
}

void TestX11InputHook::nothingIsLostWhileTheGuiThreadIsBusy()
{
    // A mouse moves steadily, 20 motions a millisecond, while the procedure now and then keeps the GUI
    // thread for half a second, as appending to a large table does when its storage grows.
    constexpr int Motions = 40000;
    constexpr int Columns = 1000;
    const auto point = [](int i) { return QPoint(10 + i % Columns, 10 + i / Columns); };
    m_driver->motion(5, 5);
    m_driver->sync();
    Events events;
    const HookHandle handle = m_platform->inputHook->install([&events](int code, const EventMsg &event) {
        if (code != Hook::Action)
            return;
        events.push_back(event);
        if (events.size() % 10000 == 5000)
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
    });
    QVERIFY(handle != 0);
    std::atomic<bool> sent = false;
    std::thread mouse([&point, &sent] {
        XTestDriver driver;
        auto next = std::chrono::steady_clock::now();
        for (int i = 0; i < Motions; ++i) {
            driver.motion(point(i).x(), point(i).y());
            if (i % 250 == 249)
                driver.sync();
            if (i % 20 == 19) {
                driver.flush();
                next += std::chrono::milliseconds(1);
                std::this_thread::sleep_until(next);
            }
        }
        driver.sync();
        sent = true;
    });
    while (!sent)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    mouse.join();
    m_platform->inputHook->remove(handle);

    int lost = 0;
    int next = 0;
    for (const EventMsg &event : events) {
        const int at = (qint32(event.paramH) - 10) * Columns + qint32(event.paramL) - 10;
        QVERIFY2(at >= next, "a motion came out of order");
        lost += at - next;
        next = at + 1;
    }
    QCOMPARE(lost + Motions - next, 0);
    QCOMPARE(int(events.size()), Motions);
}

void TestX11InputHook::keysArriveWithTheirScanCodes_data()
{
    QTest::addColumn<unsigned>("keycode");
    QTest::addColumn<unsigned>("scanCode");
    QTest::newRow("a") << Keycode::A << 30u;
    QTest::newRow("right") << Keycode::Right << 32845u;
    QTest::newRow("right ctrl") << Keycode::ControlRight << 32797u;
    QTest::newRow("keypad enter") << Keycode::KeypadEnter << 32796u;
    QTest::newRow("key without a name") << Keycode::LessGreater << 86u;
    QTest::newRow("pause") << Keycode::Pause << 69u;
    QTest::newRow("f12") << Keycode::F12 << 88u;
}

void TestX11InputHook::keysArriveWithTheirScanCodes()
{
    QFETCH(unsigned, keycode);
    QFETCH(unsigned, scanCode);
    const Events events = record([&](XTestDriver &driver) { driver.tap(keycode); });
    QCOMPARE(keysOf(events), QStringList({key(InputMessage::KeyDown, scanCode), key(InputMessage::KeyUp, scanCode)}));
}

void TestX11InputHook::altCombinationsArriveAsSystemKeys()
{
    const Events events = record([](XTestDriver &driver) {
        driver.key(Keycode::AltLeft, true);
        driver.tap(Keycode::A);
        driver.key(Keycode::AltLeft, false);
        driver.tap(Keycode::A);
    });
    using namespace InputMessage;
    QCOMPARE(keysOf(events), QStringList({key(SysKeyDown, 56), key(SysKeyDown, 30), key(SysKeyUp, 30),
                                          key(SysKeyUp, 56), key(KeyDown, 30), key(KeyUp, 30)}));
}

void TestX11InputHook::motionArrivesWithScreenPosition()
{
    m_driver->motion(10, 10);
    m_driver->sync();
    const Events events = record([](XTestDriver &driver) { driver.motion(100, 200); });
    QCOMPARE(describe(events), QStringList({QStringLiteral("512 100 200")}));
}

void TestX11InputHook::buttonsArriveAtThePointer_data()
{
    QTest::addColumn<unsigned>("button");
    QTest::addColumn<unsigned>("down");
    QTest::addColumn<unsigned>("up");
    QTest::newRow("left") << 1u << InputMessage::LButtonDown << InputMessage::LButtonUp;
    QTest::newRow("middle") << 2u << InputMessage::MButtonDown << InputMessage::MButtonUp;
    QTest::newRow("right") << 3u << InputMessage::RButtonDown << InputMessage::RButtonUp;
    QTest::newRow("back") << 8u << InputMessage::XButtonDown << InputMessage::XButtonUp;
}

void TestX11InputHook::buttonsArriveAtThePointer()
{
    QFETCH(unsigned, button);
    QFETCH(unsigned, down);
    QFETCH(unsigned, up);
    m_driver->motion(321, 654);
    m_driver->sync();
    const Events events = record([&](XTestDriver &driver) {
        driver.button(button, true);
        driver.button(button, false);
    });
    QCOMPARE(describe(events),
             QStringList({QStringLiteral("%1 321 654").arg(down), QStringLiteral("%1 321 654").arg(up)}));
}

void TestX11InputHook::pressesNameTheirWindowOnlyWhenAsked()
{
    // On the desktop itself, whose right and middle presses would open the window manager's menus.
    m_driver->motion(321, 654);
    m_driver->sync();
    const auto clicks = [](XTestDriver &driver) {
        for (const unsigned button : {1u, 4u, 8u}) {
            driver.button(button, true);
            driver.button(button, false);
        }
    };
    const auto named = [](const Events &events) {
        QStringList lines;
        for (const EventMsg &event : events)
            lines << (event.window ? QStringLiteral("%1 in %2").arg(event.message).arg(event.window->handle)
                                   : QString::number(event.message));
        return lines;
    };
    QCOMPARE(named(record(clicks)), (QStringList{"513", "514", "522", "523", "524"}));
    m_platform->inputHook->setPressWindows(true);
    const Events asked = record(clicks);
    m_platform->inputHook->setPressWindows(false);
    QCOMPARE(named(asked), (QStringList{"513 in 0", "514", "522", "523", "524"}));
    QCOMPARE(named(record(clicks)), (QStringList{"513", "514", "522", "523", "524"}));
}

void TestX11InputHook::wheelNotchesArriveOnceWithoutRelease()
{
    m_driver->motion(40, 50);
    m_driver->sync();
    const Events events = record([](XTestDriver &driver) {
        for (const unsigned button : {4u, 5u, 5u, 6u, 7u}) {
            driver.button(button, true);
            driver.button(button, false);
        }
    });
    QCOMPARE(describe(events), (QStringList{"522 40 50", "522 40 50", "522 40 50", "526 40 50", "526 40 50"}));
    // In Windows' units: up and right are positive.
    QStringList deltas;
    for (const EventMsg &event : events)
        deltas << QString::number(event.wheelDelta);
    QCOMPARE(deltas, (QStringList{"120", "-120", "-120", "-120", "120"}));
}

void TestX11InputHook::eventsArriveInOrderWithNonDecreasingTimes()
{
    QStringList expected;
    const Events events = record([&](XTestDriver &driver) {
        for (int i = 0; i < 200; ++i) {
            driver.motion(20 + i, 300 - i);
            expected << QStringLiteral("512 %1 %2").arg(20 + i).arg(300 - i);
            if (i % 20 == 0) {
                driver.tap(Keycode::A);
                expected << QStringLiteral("256 65 30") << QStringLiteral("257 65 30");
                driver.button(1, true);
                driver.button(1, false);
                expected << QStringLiteral("513 %1 %2").arg(20 + i).arg(300 - i)
                         << QStringLiteral("514 %1 %2").arg(20 + i).arg(300 - i);
            }
            if (i % 50 == 0)
                driver.sync();
        }
    });
    QCOMPARE(describe(events), expected);
    for (std::size_t i = 1; i < events.size(); ++i)
        QVERIFY2(events[i].time >= events[i - 1].time, qPrintable(QString::number(i)));
}

void TestX11InputHook::injectedKeysOfTheWholeTableRoundTrip()
{
    // Lock keys are left out: typing them would change the state of the other tests.
    const QList<int> lockKeys{0x14, 0x90, 0x91};
    QStringList expected;
    const Events events = record([&](XTestDriver &) {
        for (int virtualKey = 1; virtualKey < 256; ++virtualKey) {
            const std::uint32_t scanCode = ScanCodeFromVirtualKey(virtualKey);
            if ((scanCode == 0 && virtualKey != 0x13) || lockKeys.contains(virtualKey))
                continue;
            const std::uint32_t recorded = virtualKey == 0x13 ? 69 : scanCode;
            const bool alt = virtualKey == 0x12;
            m_platform->injector->keybdEvent(virtualKey, 0);
            m_platform->injector->keybdEvent(virtualKey, KeyEventFlag::KeyUp);
            expected << key(alt ? InputMessage::SysKeyDown : InputMessage::KeyDown, recorded)
                     << key(alt ? InputMessage::SysKeyUp : InputMessage::KeyUp, recorded);
        }
        m_platform->injector->flush();
        // The injector's requests are only flushed; a round trip of the driver after its own request
        // does not order them, so wait until the server shows the last key released.
        QTRY_VERIFY(!m_driver->isKeyDown(8 + 126));
    });
    QCOMPARE(keysOf(events), expected);
}

void TestX11InputHook::hotkeyPressIsNotRecordedButItsReleaseIs()
{
    int fired = 0;
    m_platform->hotkeys->setHandler([&fired](unsigned, int) { ++fired; });
    QVERIFY(m_platform->hotkeys->registerHotKey(2, Modifier::Alt, 0x78));
    {
        // CapsLock does not let the press through.
        const Events events = record([](XTestDriver &driver) {
            driver.tap(Keycode::CapsLock);
            driver.chord({Keycode::AltLeft}, Keycode::F9);
            driver.tap(Keycode::CapsLock);
        });
        using namespace InputMessage;
        QCOMPARE(keysOf(events), QStringList({key(KeyDown, 58), key(KeyUp, 58), key(SysKeyDown, 56), key(SysKeyUp, 67),
                                              key(SysKeyUp, 56), key(KeyDown, 58), key(KeyUp, 58)}));
    }
    QTRY_COMPARE(fired, 1);
    // An unregistered combination of the same key is recorded in full.
    const Events events = record([](XTestDriver &driver) { driver.chord({Keycode::ControlLeft}, Keycode::F9); });
    using namespace InputMessage;
    QCOMPARE(keysOf(events), QStringList({key(KeyDown, 29), key(KeyDown, 67), key(KeyUp, 67), key(KeyUp, 29)}));
}

void TestX11InputHook::stopHotkeyEndsTheRecordingAtItsPress()
{
    // The hotkey's handler removes the hook, as the stop command does. A quick Alt+F10 lets go of F10 and
    // Alt before the program has handled the press; those releases come after the stop and are not recorded,
    // or the Alt clean-up would stop at the F10 release and leave the Alt press in the script.
    Events events;
    HookHandle handle = 0;
    int fired = 0;
    m_platform->hotkeys->setHandler([&](unsigned, int) {
        ++fired;
        m_platform->inputHook->remove(handle);
    });
    QVERIFY(m_platform->hotkeys->registerHotKey(3, Modifier::Alt, 0x79));
    for (int attempt = 1; attempt <= 3; ++attempt) {
        events.clear();
        handle = m_platform->inputHook->install([&events](int, const EventMsg &event) { events.push_back(event); });
        QVERIFY(handle != 0);
        m_driver->tap(Keycode::A);
        m_driver->chord({Keycode::AltLeft}, Keycode::F10);
        // Both the hotkey and the recorded releases are waiting when the program next looks.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        QTRY_COMPARE(fired, attempt);
        using namespace InputMessage;
        QCOMPARE(keysOf(events), QStringList({key(KeyDown, 30), key(KeyUp, 30), key(SysKeyDown, 56)}));
    }
}

void TestX11InputHook::eventsArriveWhileInstalledWithoutFurtherInput()
{
    Events events;
    const HookHandle handle =
        m_platform->inputHook->install([&events](int, const EventMsg &event) { events.push_back(event); });
    QVERIFY(handle != 0);
    m_driver->motion(77, 88);
    m_driver->motion(78, 89);
    m_driver->sync();
    QTRY_COMPARE(describe(events), QStringList({QStringLiteral("512 77 88"), QStringLiteral("512 78 89")}));
    m_platform->inputHook->remove(handle);
}

void TestX11InputHook::removeDeliversEverythingBeforeAndNothingAfter()
{
    Events events;
    const HookHandle handle =
        m_platform->inputHook->install([&events](int, const EventMsg &event) { events.push_back(event); });
    QVERIFY(handle != 0);
    for (int i = 0; i < 500; ++i)
        m_driver->motion(i, 1000 - i);
    m_driver->sync();
    m_platform->inputHook->remove(handle);
    QCOMPARE(int(events.size()), 500);
    QCOMPARE(describe(events.back()), QStringLiteral("512 499 501"));

    // A hook installed afterwards sees the later input arrive: by then the removed one would have too.
    Events again;
    const HookHandle next =
        m_platform->inputHook->install([&again](int, const EventMsg &event) { again.push_back(event); });
    QVERIFY(next != 0);
    m_driver->motion(5, 5);
    m_driver->tap(Keycode::A);
    m_driver->sync();
    QTRY_COMPARE(int(again.size()), 3);
    QCOMPARE(describe(again.front()), QStringLiteral("512 5 5"));
    QCOMPARE(int(events.size()), 500);
    m_platform->inputHook->remove(handle);
    m_platform->inputHook->remove(0);
    m_platform->inputHook->remove(next);
}

void TestX11InputHook::recordsWhileAnotherClientGrabsKeyboardAndPointer()
{
    XTestDriver other;
    QVERIFY(other.grabKeyboardAndPointer());
    m_driver->motion(30, 30);
    m_driver->sync();
    const Events events = record([](XTestDriver &driver) {
        driver.motion(31, 32);
        driver.button(1, true);
        driver.button(1, false);
        driver.tap(Keycode::A);
    });
    other.ungrabKeyboardAndPointer();
    QCOMPARE(describe(events),
             QStringList({QStringLiteral("512 31 32"), QStringLiteral("513 31 32"), QStringLiteral("514 31 32"),
                          QStringLiteral("256 65 30"), QStringLiteral("257 65 30")}));
}

void TestX11InputHook::secondInstallReplacesTheFirst()
{
    Events first;
    Events second;
    const HookHandle firstHandle =
        m_platform->inputHook->install([&first](int, const EventMsg &event) { first.push_back(event); });
    const HookHandle secondHandle =
        m_platform->inputHook->install([&second](int, const EventMsg &event) { second.push_back(event); });
    QVERIFY(firstHandle != 0);
    QVERIFY(secondHandle != 0);
    QVERIFY(secondHandle != firstHandle);
    m_driver->motion(11, 12);
    m_driver->motion(13, 14);
    m_driver->sync();
    m_platform->inputHook->remove(firstHandle);  // already gone: changes nothing
    m_platform->inputHook->remove(secondHandle); // delivers everything up to now
    QVERIFY(first.empty());
    QCOMPARE(describe(second), QStringList({QStringLiteral("512 11 12"), QStringLiteral("512 13 14")}));
}

void TestX11InputHook::installFailsWithoutTheRecordExtension()
{
    QProcess server;
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-extension"),
                  QStringLiteral("RECORD"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                  QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("320x240x24")});
    if (!server.waitForStarted(5000))
        QSKIP("Xvfb cannot be started");
    QByteArray number;
    while (!number.contains('\n') && server.waitForReadyRead(10000))
        number += server.readAllStandardOutput();
    if (!number.contains('\n'))
        QSKIP("Xvfb gave no display number");
    const QByteArray display = ':' + number.trimmed();
    const QByteArray saved = qgetenv("DISPLAY");
    qputenv("DISPLAY", display);
    auto platform = createPlatform();
    qputenv("DISPLAY", saved);

    bool called = false;
    const auto proc = [&called](int, const EventMsg &) { called = true; };
    QCOMPARE(platform->inputHook->install(proc), HookHandle(0));
    QCOMPARE(platform->inputHook->install(proc), HookHandle(0));
    QCoreApplication::processEvents();
    QVERIFY(!called);
    platform->inputHook->remove(0);
    platform.reset();
    server.terminate();
    server.waitForFinished(5000);
}

QTEST_GUILESS_MAIN(TestX11InputHook)
#include "TestX11InputHook.moc"
