#include "XRecordObserver.h"
#include "XTestDriver.h"

#include "platform/Platform.h"

#include <QScopeGuard>
#include <QTest>

#include <stdexcept>

#include <X11/Xlib.h>

class TestX11Injector : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void cursorGoesWhereItIsPut();
    void placingForAButtonMovesOnlyWhereThePointerIsNot();
    void buttonsGoDownAndUp_data();
    void buttonsGoDownAndUp();
    void keysGoDownAndUpAsTheirPhysicalKey_data();
    void keysGoDownAndUpAsTheirPhysicalKey();
    void keysOutsideTheTableInjectNothing();
    void extendedFlagPressesTheRightHandKey_data();
    void extendedFlagPressesTheRightHandKey();
    void modifiersHeldFollowsTheKeyboard_data();
    void modifiersHeldFollowsTheKeyboard();
    void lockKeysAreNotHeldModifiers();
    void noDisplayThrows();

  private:
    std::unique_ptr<Platform> m_platform;
    std::unique_ptr<XTestDriver> m_observer;
};

namespace
{

constexpr std::uint32_t kExtendedKey = 1; // KeyEventFlag::ExtendedKey

} // namespace

void TestX11Injector::init()
{
    m_observer = std::make_unique<XTestDriver>();
    QVERIFY2(m_observer->isOpen(), "no X display");
    m_platform = createPlatform();
}

void TestX11Injector::cleanup()
{
    m_platform.reset();
    m_observer.reset();
}

void TestX11Injector::cursorGoesWhereItIsPut()
{
    const QSize screen = m_observer->screenSize();
    const QList<QPoint> points = {{300, 400}, {0, screen.height() - 1}, {screen.width() - 1, 0}, {0, 0}};
    for (const QPoint &point : points) {
        m_platform->injector->setCursorPos(point.x(), point.y());
        m_platform->injector->flush();
        QTRY_COMPARE(m_observer->pointer(), point);
    }
}

void TestX11Injector::placingForAButtonMovesOnlyWhereThePointerIsNot()
{
    XRecordObserver observer;
    QVERIFY(observer.start());
    Injector &injector = *m_platform->injector;
    injector.setCursorPos(200, 210);
    injector.placeCursorForButton(200, 210); // already there: no motion
    injector.mouseEvent(MouseEventFlag::LeftDown | MouseEventFlag::LeftUp);
    injector.placeCursorForButton(220, 230); // elsewhere: one motion
    injector.flush();
    QTRY_COMPARE(m_observer->pointer(), QPoint(220, 230));
    // Another client moves the pointer away: the injector's last placement no longer says where it is.
    XWarpPointer(m_observer->display(), None, DefaultRootWindow(m_observer->display()), 0, 0, 0, 0, 5, 5);
    XSync(m_observer->display(), False);
    injector.placeCursorForButton(220, 230);
    injector.flush();
    QTRY_COMPARE(m_observer->pointer(), QPoint(220, 230));

    // Asked ahead of the placement: the answer decides it, for the point it was asked for only.
    injector.checkCursorForButton(220, 230); // there: no motion
    injector.placeCursorForButton(220, 230);
    XWarpPointer(m_observer->display(), None, DefaultRootWindow(m_observer->display()), 0, 0, 0, 0, 6, 6);
    XSync(m_observer->display(), False);
    injector.checkCursorForButton(220, 230); // moved away before the question: one motion back
    injector.placeCursorForButton(220, 230);
    injector.checkCursorForButton(220, 230);
    injector.setCursorPos(240, 250);         // a motion since: the answer was about another place
    injector.placeCursorForButton(240, 250); // there, by the server's word: no motion
    injector.checkCursorForButton(240, 250);
    injector.placeCursorForButton(260, 270); // another point than the one asked for: one motion
    injector.flush();
    QTRY_COMPARE(m_observer->pointer(), QPoint(260, 270));
    injector.modifiersHeld(); // a round trip: the server has taken in all of the above
    observer.stop();

    QStringList motions;
    for (const XRecordObserver::Event &event : observer.events()) {
        if (event.type == MotionNotify)
            motions << QStringLiteral("%1,%2").arg(event.x).arg(event.y);
    }
    QCOMPARE(motions, (QStringList{"200,210", "220,230", "5,5", "220,230", "6,6", "220,230", "240,250", "260,270"}));
}

void TestX11Injector::buttonsGoDownAndUp_data()
{
    QTest::addColumn<std::uint32_t>("down");
    QTest::addColumn<std::uint32_t>("up");
    QTest::addColumn<unsigned>("stateMask");
    using namespace MouseEventFlag;
    QTest::newRow("left") << (Absolute | LeftDown) << (Absolute | LeftUp) << unsigned(Button1Mask);
    QTest::newRow("right") << (Absolute | RightDown) << (Absolute | RightUp) << unsigned(Button3Mask);
    QTest::newRow("middle") << (Absolute | MiddleDown) << (Absolute | MiddleUp) << unsigned(Button2Mask);
}

void TestX11Injector::buttonsGoDownAndUp()
{
    QFETCH(std::uint32_t, down);
    QFETCH(std::uint32_t, up);
    QFETCH(unsigned, stateMask);
    m_platform->injector->setCursorPos(500, 500);
    m_platform->injector->mouseEvent(down);
    m_platform->injector->flush();
    QTRY_COMPARE(m_observer->pointerState() & stateMask, stateMask);
    QCOMPARE(m_observer->pointer(), QPoint(500, 500));
    m_platform->injector->mouseEvent(up);
    m_platform->injector->flush();
    QTRY_COMPARE(m_observer->pointerState() & (Button1Mask | Button2Mask | Button3Mask), 0u);
    // Down and up in one call: the press comes first, so the button ends up released.
    m_platform->injector->mouseEvent(down | up);
    m_platform->injector->setCursorPos(501, 501);
    m_platform->injector->flush();
    QTRY_COMPARE(m_observer->pointer(), QPoint(501, 501));
    QCOMPARE(m_observer->pointerState() & stateMask, 0u);
}

void TestX11Injector::keysGoDownAndUpAsTheirPhysicalKey_data()
{
    QTest::addColumn<int>("virtualKey");
    QTest::addColumn<unsigned>("keycode");
    QTest::newRow("a") << 0x41 << Keycode::A;
    QTest::newRow("return") << 0x0D << 36u;
    QTest::newRow("control") << 0x11 << Keycode::ControlLeft;
    QTest::newRow("alt") << 0x12 << Keycode::AltLeft;
    QTest::newRow("right") << 0x27 << Keycode::Right;
    QTest::newRow("divide") << 0x6F << 106u;
    QTest::newRow("pause") << 0x13 << Keycode::Pause;
    QTest::newRow("f11") << 0x7A << Keycode::F11;
}

void TestX11Injector::keysGoDownAndUpAsTheirPhysicalKey()
{
    QFETCH(int, virtualKey);
    QFETCH(unsigned, keycode);
    // Released even when a check fails, so no key stays down for the next test.
    struct Release {
        Injector &injector;
        int virtualKey;
        ~Release()
        {
            injector.keybdEvent(virtualKey, KeyEventFlag::KeyUp);
            injector.flush();
        }
    } release{*m_platform->injector, virtualKey};

    m_platform->injector->keybdEvent(virtualKey, 0);
    m_platform->injector->flush();
    QTRY_VERIFY(m_observer->isKeyDown(keycode));
    m_platform->injector->keybdEvent(virtualKey, KeyEventFlag::KeyUp);
    m_platform->injector->flush();
    QTRY_VERIFY(!m_observer->isKeyDown(keycode));
}

void TestX11Injector::keysOutsideTheTableInjectNothing()
{
    m_platform->injector->keybdEvent(0xFF, 0);
    m_platform->injector->keybdEvent(0, 0);
    m_platform->injector->setCursorPos(7, 7); // a request behind them, to know they were handled
    m_platform->injector->flush();
    QTRY_COMPARE(m_observer->pointer(), QPoint(7, 7));
    for (unsigned keycode = 8; keycode < 256; ++keycode)
        QVERIFY2(!m_observer->isKeyDown(keycode), qPrintable(QString::number(keycode)));
}

void TestX11Injector::modifiersHeldFollowsTheKeyboard_data()
{
    QTest::addColumn<unsigned>("keycode");
    QTest::newRow("left Alt") << Keycode::AltLeft;
    QTest::newRow("left Shift") << Keycode::ShiftLeft;
    QTest::newRow("left Ctrl") << Keycode::ControlLeft;
    QTest::newRow("right Ctrl") << Keycode::ControlRight;
}

void TestX11Injector::modifiersHeldFollowsTheKeyboard()
{
    QFETCH(unsigned, keycode);
    QVERIFY(!m_platform->injector->modifiersHeld());
    m_observer->key(keycode, true);
    m_observer->sync();
    QTRY_VERIFY(m_platform->injector->modifiersHeld());
    m_observer->key(keycode, false);
    m_observer->sync();
    QTRY_VERIFY(!m_platform->injector->modifiersHeld());

    // A plain key held down is no modifier.
    m_observer->key(Keycode::A, true);
    m_observer->sync();
    QVERIFY(!m_platform->injector->modifiersHeld());
    m_observer->key(Keycode::A, false);
    m_observer->sync();
}

void TestX11Injector::lockKeysAreNotHeldModifiers()
{
    m_observer->tap(Keycode::CapsLock); // Caps Lock on, its key up again
    m_observer->sync();
    QTRY_VERIFY(m_observer->isLockOn(LockMask));
    QVERIFY(!m_platform->injector->modifiersHeld());
    m_observer->tap(Keycode::CapsLock);
    m_observer->sync();
    QTRY_VERIFY(!m_observer->isLockOn(LockMask));
}

void TestX11Injector::noDisplayThrows()
{
    const QByteArray saved = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":9999");
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, createPlatform());
    qputenv("DISPLAY", saved);
}

void TestX11Injector::extendedFlagPressesTheRightHandKey_data()
{
    QTest::addColumn<int>("virtualKey");
    QTest::addColumn<unsigned>("rightKeycode");
    QTest::addColumn<unsigned>("leftKeycode");
    QTest::newRow("right Alt (AltGr)") << 0x12 << 108u << 64u;
    QTest::newRow("right Ctrl") << 0x11 << unsigned(Keycode::ControlRight) << unsigned(Keycode::ControlLeft);
}

void TestX11Injector::extendedFlagPressesTheRightHandKey()
{
    QFETCH(int, virtualKey);
    QFETCH(unsigned, rightKeycode);
    QFETCH(unsigned, leftKeycode);
    Injector &injector = *m_platform->injector;
    // Both hands let go whatever the outcome, so no key stays down for the next test.
    const auto release = qScopeGuard([&injector, virtualKey] {
        injector.keybdEvent(virtualKey, kExtendedKey | KeyEventFlag::KeyUp);
        injector.keybdEvent(virtualKey, KeyEventFlag::KeyUp);
        injector.flush();
    });
    injector.keybdEvent(virtualKey, kExtendedKey);
    injector.flush();
    QTRY_VERIFY(m_observer->isKeyDown(rightKeycode));
    QVERIFY(!m_observer->isKeyDown(leftKeycode));
    injector.keybdEvent(virtualKey, kExtendedKey | KeyEventFlag::KeyUp);
    injector.flush();
    QTRY_VERIFY(!m_observer->isKeyDown(rightKeycode));
}

QTEST_GUILESS_MAIN(TestX11Injector)
#include "TestX11Injector.moc"
