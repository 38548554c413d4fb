#include "core/Errors.h"
#include "script/IntegerConversion.h"

#include <QTest>

class TestIntegerConversion : public QObject
{
    Q_OBJECT

  private slots:
    void converts_data();
    void converts();
    void rejects_data();
    void rejects();
    void longTextIsShownByItsBeginning_data();
    void longTextIsShownByItsBeginning();
};

void TestIntegerConversion::converts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << "512" << 512;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("blanks before") << "  42" << 42;
    QTest::newRow("plus") << "+5" << 5;
    QTest::newRow("minus zero") << "-0" << 0;
    QTest::newRow("negative") << "-384" << -384;
    QTest::newRow("largest") << "2147483647" << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << int(-2147483647 - 1);
    QTest::newRow("dollar hex") << "$1F" << 31;
    QTest::newRow("x hex") << "x1f" << 31;
    QTest::newRow("0X hex") << "0X1F" << 31;
    QTest::newRow("negative hex") << "-$10" << -16;
    QTest::newRow("all bits") << "$FFFFFFFF" << -1;
    QTest::newRow("high bit") << "$80000000" << int(-2147483647 - 1);
}

void TestIntegerConversion::converts()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(StrToInt(text), value);
    std::int32_t raw = 12345;
    QVERIFY(tryStrToInt(text.toLatin1(), raw));
    QCOMPARE(raw, value);
}

void TestIntegerConversion::rejects_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("blank after") << "42 ";
    QTest::newRow("sign alone") << "-";
    QTest::newRow("plus alone") << "+";
    QTest::newRow("dollar alone") << "$";
    QTest::newRow("0x alone") << "0x";
    QTest::newRow("overflow") << "2147483648";
    QTest::newRow("underflow") << "-2147483649";
    QTest::newRow("hex overflow") << "$100000000";
    QTest::newRow("two fields") << "3;4";
    QTest::newRow("double sign") << "--1";
    QTest::newRow("letters") << "12a";
    QTest::newRow("bad hex digit") << "$1G";
    QTest::newRow("tab before") << "\t1";
    QTest::newRow("cyrillic") << QStringLiteral("пять");
}

void TestIntegerConversion::rejects()
{
    QFETCH(QString, text);
    try {
        StrToInt(text);
        QFAIL("no error");
    } catch (const ConversionError &error) {
        QCOMPARE(error.message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
    std::int32_t raw = 12345;
    QVERIFY(!tryStrToInt(text.toUtf8(), raw));
}

void TestIntegerConversion::longTextIsShownByItsBeginning_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    const QString sixtyFour(64, u'7');
    QTest::newRow("64 characters whole") << sixtyFour + u'x' << sixtyFour + QStringLiteral("…");
    QTest::newRow("exactly 64") << QString(63, u'7') + u'x' << QString(63, u'7') + u'x';
    QTest::newRow("a megabyte of digits") << QString(1 << 20, u'1') << QString(64, u'1') + QStringLiteral("…");
    QTest::newRow("a megabyte of blanks, then x")
        << QString(1 << 20, u' ') + u'x' << QString(64, u' ') + QStringLiteral("…");
    // A character outside the basic plane is not cut in half.
    QTest::newRow("surrogate pair at the cut")
        << QString(63, u'a') + QStringLiteral("😀tail") << QString(63, u'a') + QStringLiteral("…");
}

void TestIntegerConversion::longTextIsShownByItsBeginning()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    try {
        StrToInt(text);
        QFAIL("no error");
    } catch (const ConversionError &error) {
        QCOMPARE(error.message(), QStringLiteral("'%1' is not a valid integer value").arg(shown));
    }
}

QTEST_GUILESS_MAIN(TestIntegerConversion)
#include "TestIntegerConversion.moc"
