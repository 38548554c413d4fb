#include "XTestDriver.h"

#include "platform/Platform.h"

#include <QTest>

#include <atomic>

namespace
{

constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_F10 = 0x79;

} // namespace

// The stop key watch of the X11 backend on the real server: what the user presses is seen whatever another
// client grabs and whatever keys the program's own injection holds down. The driver acts as the user.
class TestX11StopKeyWatch : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void userStopIsSeenWhileTheScriptHoldsModifiers();
    void userStopIsSeenWhileAnotherClientGrabsTheKeyboard();
    void onlyTheUsersExactCombinationCounts();
    void nothingArrivesAfterStop();

  private:
    bool startWatch();
    // The injection and the user are two clients: a round trip on the injection's connection makes sure
    // the server has carried out its events before the user acts.
    void settleInjection() { m_platform->injector->modifiersHeld(); }

    std::unique_ptr<XTestDriver> m_user;
    std::unique_ptr<Platform> m_platform;
    std::atomic<int> m_fired{0};
};

void TestX11StopKeyWatch::init()
{
    m_user = std::make_unique<XTestDriver>();
    QVERIFY2(m_user->isOpen(), "no X display");
    m_platform = createPlatform();
    m_fired = 0;
}

void TestX11StopKeyWatch::cleanup()
{
    if (m_platform && m_platform->stopKeyWatch)
        m_platform->stopKeyWatch->stop();
    if (m_platform) {
        for (const int key : {VK_SHIFT, VK_CONTROL, VK_MENU})
            m_platform->injector->keybdEvent(key, KeyEventFlag::KeyUp);
    }
    m_platform.reset();
    m_user.reset();
}

bool TestX11StopKeyWatch::startWatch()
{
    return m_platform->stopKeyWatch && m_platform->stopKeyWatch->start(Modifier::Alt, VK_F10, [this] { ++m_fired; });
}

void TestX11StopKeyWatch::userStopIsSeenWhileTheScriptHoldsModifiers()
{
    QVERIFY(startWatch());
    // A script that holds Ctrl and Shift: the server sees the user's Alt+F10 as Ctrl+Shift+Alt+F10.
    m_platform->injector->keybdEvent(VK_CONTROL, 0);
    m_platform->injector->keybdEvent(VK_SHIFT, 0);
    QVERIFY(m_platform->injector->modifiersHeld());
    m_user->chord({Keycode::AltLeft}, Keycode::F10);
    QTRY_COMPARE(m_fired.load(), 1);
}

void TestX11StopKeyWatch::userStopIsSeenWhileAnotherClientGrabsTheKeyboard()
{
    XTestDriver menu; // another program with an open menu
    QVERIFY(menu.grabKeyboardAndPointer());
    QVERIFY(startWatch());
    m_user->chord({Keycode::AltLeft}, Keycode::F10);
    QTRY_COMPARE(m_fired.load(), 1);
    menu.ungrabKeyboardAndPointer();
}

void TestX11StopKeyWatch::onlyTheUsersExactCombinationCounts()
{
    QVERIFY(startWatch());
    m_user->chord({Keycode::AltLeft, Keycode::ShiftLeft}, Keycode::F10);
    m_user->chord({Keycode::ControlLeft}, Keycode::F10);
    m_user->chord({Keycode::AltLeft}, Keycode::F9);
    m_user->chord({}, Keycode::F10);
    // The script's Alt is not the user's: their plain F10 is no stop.
    m_platform->injector->keybdEvent(VK_MENU, 0);
    settleInjection();
    m_user->chord({}, Keycode::F10);
    m_platform->injector->keybdEvent(VK_MENU, KeyEventFlag::KeyUp);
    // Nor is an Alt+F10 the script plays itself.
    m_platform->injector->keybdEvent(VK_MENU, 0);
    m_platform->injector->keybdEvent(VK_F10, 0);
    m_platform->injector->keybdEvent(VK_F10, KeyEventFlag::KeyUp);
    m_platform->injector->keybdEvent(VK_MENU, KeyEventFlag::KeyUp);
    settleInjection();
    // The right one last: once it is seen, whatever the others fired would have been seen before it.
    m_user->chord({Keycode::AltLeft}, Keycode::F10);
    QTRY_COMPARE(m_fired.load(), 1);
    // Once per start.
    m_user->chord({Keycode::AltLeft}, Keycode::F10);
    m_user->sync();
    QTest::qWait(200);
    QCOMPARE(m_fired.load(), 1);
}

void TestX11StopKeyWatch::nothingArrivesAfterStop()
{
    QVERIFY(startWatch());
    m_platform->stopKeyWatch->stop();
    m_user->chord({Keycode::AltLeft}, Keycode::F10);
    m_user->sync();
    QTest::qWait(200);
    QCOMPARE(m_fired.load(), 0);

    // It starts again.
    QVERIFY(startWatch());
    m_user->chord({Keycode::AltLeft}, Keycode::F10);
    QTRY_COMPARE(m_fired.load(), 1);
}

QTEST_GUILESS_MAIN(TestX11StopKeyWatch)
#include "TestX11StopKeyWatch.moc"
