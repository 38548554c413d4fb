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

    void buttonWordsAreAbsoluteWithTheirOwnButton()
    {
        // MOUSEEVENTF_ABSOLUTE (0x8000) with the button's down or up flag, and no move flag.
        const QList<QPair<MouseButtonAction, std::uint32_t>> expected = {
            {MouseButtonAction::LDown, 32770}, {MouseButtonAction::LUp, 32772},   {MouseButtonAction::RDown, 32776},
            {MouseButtonAction::RUp, 32784},   {MouseButtonAction::MDown, 32800}, {MouseButtonAction::MUp, 32832},
        };
        for (const auto &[button, flags] : expected)
            QCOMPARE(mouseEventFlags(button), flags);
    }
};

QTEST_APPLESS_MAIN(TestInputInjection)
#include "TestInputInjection.moc"
