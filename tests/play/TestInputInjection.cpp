#include "fakes/FakePlatform.h"
#include "play/InputInjection.h"

#include <QTest>

// The words of a script mapped to the injections the desktop gets.
class TestInputInjection : public QObject
{
    Q_OBJECT

  private slots:
    void sendKeyTakesExactlyDownAndUp()
    {
        FakeInjector injector;
        for (const char *word : {"down", "up", "Down", "UP", "down ", "", "press"})
            SendKey(injector, 0x41, QByteArrayView(word));
        QCOMPARE(injector.calls, (QStringList{"key 65 0", "key 65 2"}));
    }

    void buttonWordsAreAbsoluteAndNeverMove()
    {
        const std::uint32_t moveFlag = 0x0001;
        const QList<std::uint32_t> expected = {32770, 32772, 32776, 32784, 32800, 32832};
        for (int i = 0; i < 6; ++i) {
            const std::uint32_t flags = mouseEventFlags(MouseButtonOrder[std::size_t(i)]);
            QCOMPARE(flags, expected[i]);
            QVERIFY(!(flags & moveFlag));
        }
    }
};

QTEST_APPLESS_MAIN(TestInputInjection)
#include "TestInputInjection.moc"
