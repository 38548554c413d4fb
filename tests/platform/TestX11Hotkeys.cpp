#include "XTestDriver.h"

#include "platform/Platform.h"

#include <QTest>

#include <utility>

#include <X11/Xlib.h>

namespace
{

using Pressed = std::pair<unsigned, int>;
using PressedList = QList<Pressed>;

constexpr int VK_F9 = 0x78;
constexpr int VK_F10 = 0x79;
constexpr int VK_F11 = 0x7A;

// Turns lock keys on for one test and off again whatever its outcome.
class LockGuard
{
  public:
    LockGuard(XTestDriver &driver, const QList<unsigned> &lockKeys) : m_driver(driver), m_lockKeys(lockKeys)
    {
        for (const unsigned keycode : m_lockKeys)
            m_driver.tap(keycode);
        m_driver.sync();
    }
    ~LockGuard()
    {
        for (const unsigned keycode : m_lockKeys)
            m_driver.tap(keycode);
        m_driver.sync();
    }

  private:
    XTestDriver &m_driver;
    QList<unsigned> m_lockKeys;
};

} // namespace

class TestX11Hotkeys : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void registeredHotkeysArriveWhateverTheLocks_data();
    void registeredHotkeysArriveWhateverTheLocks();
    void otherCombinationsArriveAsNothing();
    void hotkeyHeldByAnotherClientFailsAndTheOthersWork();
    void releasedWhenThePlatformGoes();

  private:
    // Registers the program's four hotkeys; their presses collect in `pressed`.
    void registerAll(Platform &platform, PressedList &pressed);

    std::unique_ptr<XTestDriver> m_driver;
};

void TestX11Hotkeys::init()
{
    m_driver = std::make_unique<XTestDriver>();
    QVERIFY2(m_driver->isOpen(), "no X display");
}

void TestX11Hotkeys::registerAll(Platform &platform, PressedList &pressed)
{
    platform.hotkeys->setHandler([&pressed](unsigned modifiers, int key) { pressed.append({modifiers, key}); });
    QVERIFY(platform.hotkeys->registerHotKey(1, Modifier::Alt | Modifier::Shift, VK_F9));
    QVERIFY(platform.hotkeys->registerHotKey(2, Modifier::Alt, VK_F9));
    QVERIFY(platform.hotkeys->registerHotKey(3, Modifier::Alt, VK_F10));
    QVERIFY(platform.hotkeys->registerHotKey(4, Modifier::Alt, VK_F11));
}

void TestX11Hotkeys::registeredHotkeysArriveWhateverTheLocks_data()
{
    QTest::addColumn<QList<unsigned>>("lockKeys");
    QTest::addColumn<unsigned>("lockMask");
    QTest::newRow("no locks") << QList<unsigned>{} << 0u;
    QTest::newRow("caps lock") << QList<unsigned>{Keycode::CapsLock} << unsigned(LockMask);
    QTest::newRow("num lock") << QList<unsigned>{Keycode::NumLock} << unsigned(Mod2Mask);
    QTest::newRow("both locks") << QList<unsigned>{Keycode::CapsLock, Keycode::NumLock}
                                << unsigned(LockMask | Mod2Mask);
}

void TestX11Hotkeys::registeredHotkeysArriveWhateverTheLocks()
{
    QFETCH(QList<unsigned>, lockKeys);
    QFETCH(unsigned, lockMask);
    const auto platform = createPlatform();
    PressedList pressed;
    registerAll(*platform, pressed);

    XTestDriver &driver = *m_driver;
    LockGuard locks(driver, lockKeys);
    if (lockMask != 0)
        QVERIFY(driver.isLockOn(lockMask));
    driver.chord({Keycode::AltLeft}, Keycode::F9);
    driver.chord({Keycode::AltLeft}, Keycode::F10);
    driver.chord({Keycode::AltLeft}, Keycode::F11);
    driver.chord({Keycode::AltLeft, Keycode::ShiftLeft}, Keycode::F9);
    driver.chord({Keycode::ShiftLeft, Keycode::AltLeft}, Keycode::F9);

    const PressedList expected{{Modifier::Alt, VK_F9},
                               {Modifier::Alt, VK_F10},
                               {Modifier::Alt, VK_F11},
                               {Modifier::Alt | Modifier::Shift, VK_F9},
                               {Modifier::Alt | Modifier::Shift, VK_F9}};
    QTRY_COMPARE(pressed, expected);
}

void TestX11Hotkeys::otherCombinationsArriveAsNothing()
{
    const auto platform = createPlatform();
    PressedList pressed;
    registerAll(*platform, pressed);

    XTestDriver &driver = *m_driver;
    driver.chord({Keycode::ControlLeft}, Keycode::F9);
    driver.chord({Keycode::AltLeft}, Keycode::F12);
    driver.chord({Keycode::AltLeft, Keycode::ShiftLeft}, Keycode::F10);
    driver.chord({Keycode::AltLeft, Keycode::ControlLeft}, Keycode::F9);
    driver.chord({}, Keycode::F9);
    // A registered one last: once it has arrived, anything the others fired would have arrived before it.
    driver.chord({Keycode::AltLeft}, Keycode::F10);

    QTRY_COMPARE(pressed, PressedList({{Modifier::Alt, VK_F10}}));
}

void TestX11Hotkeys::hotkeyHeldByAnotherClientFailsAndTheOthersWork()
{
    XTestDriver other;
    QVERIFY(other.grabKey(Keycode::F11, Mod1Mask));

    const auto platform = createPlatform();
    PressedList pressed;
    platform->hotkeys->setHandler([&pressed](unsigned modifiers, int key) { pressed.append({modifiers, key}); });
    QVERIFY(platform->hotkeys->registerHotKey(1, Modifier::Alt | Modifier::Shift, VK_F9));
    QVERIFY(platform->hotkeys->registerHotKey(2, Modifier::Alt, VK_F9));
    QVERIFY(platform->hotkeys->registerHotKey(3, Modifier::Alt, VK_F10));
    QVERIFY(platform->hotkeys->lastError().empty());
    QVERIFY(!platform->hotkeys->registerHotKey(4, Modifier::Alt, VK_F11));
    // The reason is the server's, for the debug log.
    const std::string why = platform->hotkeys->lastError();
    QVERIFY2(why.find("BadAccess") != std::string::npos, why.c_str());
    QVERIFY(!platform->hotkeys->registerHotKey(5, Modifier::Alt, VK_F10));
    QVERIFY2(platform->hotkeys->lastError().find("registered already") != std::string::npos,
             platform->hotkeys->lastError().c_str());

    XTestDriver &driver = *m_driver;
    driver.chord({Keycode::AltLeft}, Keycode::F11);
    driver.chord({Keycode::AltLeft}, Keycode::F9);
    // A refused hotkey leaves none of its lock variants behind: with NumLock on it stays silent too.
    {
        LockGuard numLock(driver, {Keycode::NumLock});
        driver.chord({Keycode::AltLeft}, Keycode::F11);
        driver.chord({Keycode::AltLeft}, Keycode::F10);
    }
    QTRY_COMPARE(pressed, PressedList({{Modifier::Alt, VK_F9}, {Modifier::Alt, VK_F10}}));
}

void TestX11Hotkeys::releasedWhenThePlatformGoes()
{
    {
        const auto platform = createPlatform();
        QVERIFY(platform->hotkeys->registerHotKey(2, Modifier::Alt, VK_F9));
    }
    XTestDriver other;
    QVERIFY(other.grabKey(Keycode::F9, Mod1Mask));
    QVERIFY(other.grabKey(Keycode::F9, Mod1Mask | LockMask));
}

QTEST_GUILESS_MAIN(TestX11Hotkeys)
#include "TestX11Hotkeys.moc"
