#include "script/Cp1251.h"

#include <QTest>

class TestCp1251 : public QObject
{
    Q_OBJECT

  private slots:
    void everyByteRoundTripsToADistinctCharacter();
    void knownLetters_data();
    void knownLetters();
    void charactersOutsideTheCodePageBecomeQuestionMarks();
};

void TestCp1251::everyByteRoundTripsToADistinctCharacter()
{
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QString text = fromCp1251(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(toCp1251(text), all);
    QSet<QChar> distinct(text.begin(), text.end());
    QCOMPARE(distinct.size(), 256);
    QCOMPARE(text.left(128), QString::fromLatin1(all.left(128)));
}

void TestCp1251::knownLetters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("question") << QStringLiteral("Удалить?") << QByteArray("\xD3\xE4\xE0\xEB\xE8\xF2\xFC\x3F");
    QTest::newRow("capital yo") << QStringLiteral("Ё") << QByteArray("\xA8");
    QTest::newRow("small yo") << QStringLiteral("ё") << QByteArray("\xB8");
    QTest::newRow("numero") << QStringLiteral("№") << QByteArray("\xB9");
    QTest::newRow("first and last") << QStringLiteral("Ая") << QByteArray("\xC0\xFF");
    QTest::newRow("euro and dash") << QStringLiteral("€—") << QByteArray("\x88\x97");
    QTest::newRow("ascii") << QStringLiteral("Move()|1;2;3") << QByteArray("Move()|1;2;3");
}

void TestCp1251::knownLetters()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(toCp1251(text), bytes);
    QCOMPARE(fromCp1251(bytes), text);
}

void TestCp1251::charactersOutsideTheCodePageBecomeQuestionMarks()
{
    QCOMPARE(toCp1251(QStringLiteral("a\u00E9b\u4E2D")), QByteArray("a?b?"));
    QCOMPARE(toCp1251(QStringLiteral("\U0001F600")), QByteArray("??")); // each surrogate half
    QCOMPARE(toCp1251(QString()), QByteArray());
}

QTEST_GUILESS_MAIN(TestCp1251)
#include "TestCp1251.moc"
