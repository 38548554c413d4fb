#include "core/KeyNames.h"

#include <QSet>
#include <QTest>

class TestKeyNames : public QObject
{
    Q_OBJECT

  private slots:
    void recordedCodesGiveTheirNames_data();
    void recordedCodesGiveTheirNames();
    void unlistedCodesGiveEmptyText();
    void wholeTableRoundTripsAndCodesAreDistinct();
    void namesAreExactAndCaseSensitive();
};

void TestKeyNames::recordedCodesGiveTheirNames_data()
{
    QTest::addColumn<uint>("code");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("virtualKey");
    QTest::newRow("escape") << 1u << QByteArray("VK_ESCAPE") << 27;
    QTest::newRow("return") << 28u << QByteArray("VK_RETURN") << 13;
    QTest::newRow("keypad enter") << 32796u << QByteArray("VK_RETURN") << 13;
    QTest::newRow("right shift") << 32822u << QByteArray("VK_SHIFT") << 16;
    QTest::newRow("right ctrl") << 32797u << QByteArray("VK_CONTROL") << 17;
    QTest::newRow("right alt") << 32824u << QByteArray("VK_MENU") << 18;
    QTest::newRow("numpad 8") << 72u << QByteArray("VK_NUMPAD8") << 104;
    QTest::newRow("up") << 32840u << QByteArray("VK_UP") << 38;
    QTest::newRow("semicolon key") << 39u << QByteArray("VK_TZ") << 186;
    QTest::newRow("quote key") << 40u << QByteArray("VK_KV") << 222;
    QTest::newRow("grave") << 41u << QByteArray("`") << 192;
    QTest::newRow("backslash") << 43u << QByteArray("\\") << 220;
    QTest::newRow("slash") << 53u << QByteArray("/") << 191;
    QTest::newRow("divide") << 32821u << QByteArray("VK_DIVIDE") << 111;
    QTest::newRow("multiply") << 55u << QByteArray("VK_MULTIPLY") << 106;
    QTest::newRow("snapshot") << 32823u << QByteArray("VK_SNAPSHOT") << 44;
    QTest::newRow("f12") << 88u << QByteArray("VK_F12") << 123;
    QTest::newRow("right win") << 32860u << QByteArray("VK_RWIN") << 92;
}

void TestKeyNames::recordedCodesGiveTheirNames()
{
    QFETCH(uint, code);
    QFETCH(QByteArray, name);
    QFETCH(int, virtualKey);
    QCOMPARE(KeyNameFromScanCode(code).toByteArray(), name);
    QCOMPARE(VirtualKeyFromKeyName(name), std::optional<int>(virtualKey));
}

void TestKeyNames::unlistedCodesGiveEmptyText()
{
    for (const uint code : {0u, 54u, 69u, 84u, 85u, 86u, 89u, 127u, 128u, 255u, 256u, 1000u, 32768u, 32769u, 32798u,
                            32838u, 32840u + 128, 65536u + 30, 0xFFFFFFFFu})
        QVERIFY2(KeyNameFromScanCode(code).isEmpty(), QByteArray::number(code));
}

void TestKeyNames::wholeTableRoundTripsAndCodesAreDistinct()
{
    QSet<QByteArray> names;
    QSet<int> virtualKeys;
    int codes = 0;
    for (uint code = 0; code < 65536; ++code) {
        const QByteArrayView name = KeyNameFromScanCode(code);
        if (name.isEmpty())
            continue;
        ++codes;
        QVERIFY(!name.contains(';') && !name.contains('|'));
        const auto virtualKey = VirtualKeyFromKeyName(name);
        QVERIFY2(virtualKey.has_value(), name.data());
        QVERIFY(*virtualKey >= 1 && *virtualKey <= 254);
        if (!names.contains(name.toByteArray()))
            virtualKeys.insert(*virtualKey);
        names.insert(name.toByteArray());
    }
    QCOMPARE(codes, 102);
    QCOMPARE(names.size(), 98);
    QCOMPARE(virtualKeys.size(), 98);
    QCOMPARE(VirtualKeyFromKeyName("VK_PAUSE"), std::optional<int>(19));
    QVERIFY(!virtualKeys.contains(19));
}

void TestKeyNames::namesAreExactAndCaseSensitive()
{
    for (const char *name : {"VK_a", "vk_a", "VK_A ", " VK_A", "", "VK_", "A", "VK_MENU;"})
        QVERIFY2(!VirtualKeyFromKeyName(name).has_value(), name);
    QCOMPARE(VirtualKeyFromKeyName("VK_A"), std::optional<int>(65));
    QCOMPARE(VirtualKeyFromKeyName("0"), std::optional<int>(48));
}

QTEST_GUILESS_MAIN(TestKeyNames)
#include "TestKeyNames.moc"
