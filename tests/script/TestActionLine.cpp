#include "script/ActionLine.h"

#include <QTest>

class TestActionLine : public QObject
{
    Q_OBJECT

  private slots:
    void splitParameters_data();
    void splitParameters();
    void joinThenSplitGivesFieldsBack();
    void classifyAction_data();
    void classifyAction();
    void recordedTextsRoundTrip();
};

void TestActionLine::splitParameters_data()
{
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("third");
    QTest::newRow("no separator") << "120"
                                  << ""
                                  << ""
                                  << "120";
    QTest::newRow("empty") << ""
                           << ""
                           << ""
                           << "";
    QTest::newRow("one separator") << "5;6"
                                   << "5"
                                   << ""
                                   << "6";
    QTest::newRow("two separators") << "512;384;16"
                                    << "512"
                                    << "384"
                                    << "16";
    QTest::newRow("three separators") << "1;2;3;4"
                                      << "1"
                                      << "2"
                                      << "3;4";
    QTest::newRow("empty key name") << ";86;120"
                                    << ""
                                    << "86"
                                    << "120";
    QTest::newRow("only separators") << ";;"
                                     << ""
                                     << ""
                                     << "";
    QTest::newRow("negative") << "-10;-20;0"
                              << "-10"
                              << "-20"
                              << "0";
    QTest::newRow("cyrillic") << QStringLiteral("Ж;ё;№") << QStringLiteral("Ж") << QStringLiteral("ё")
                              << QStringLiteral("№");
}

void TestActionLine::splitParameters()
{
    QFETCH(QString, parameters);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, third);

    const ParameterFields<QString> text = ::splitParameters(parameters);
    QCOMPARE(text.first, first);
    QCOMPARE(text.second, second);
    QCOMPARE(text.third, third);

    const QByteArray bytes = parameters.toUtf8();
    const ParameterFields<QByteArrayView> raw = ::splitParameters(QByteArrayView(bytes));
    QCOMPARE(raw.first.toByteArray(), first.toUtf8());
    QCOMPARE(raw.second.toByteArray(), second.toUtf8());
    QCOMPARE(raw.third.toByteArray(), third.toUtf8());
}

void TestActionLine::joinThenSplitGivesFieldsBack()
{
    QCOMPARE(joinParameters("512", "384", "16"), QStringLiteral("512;384;16"));
    QCOMPARE(joinParameters("", "86", "120"), QStringLiteral(";86;120"));
    QCOMPARE(joinParameters("", "", ""), QStringLiteral(";;"));
    const ParameterFields<QString> fields = ::splitParameters(joinParameters("VK_A", "30", "1;2"));
    QCOMPARE(fields.first, QStringLiteral("VK_A"));
    QCOMPARE(fields.second, QStringLiteral("30"));
    QCOMPARE(fields.third, QStringLiteral("1;2"));
}

void TestActionLine::classifyAction_data()
{
    QTest::addColumn<QByteArray>("action");
    QTest::addColumn<bool>("mouse");
    QTest::addColumn<bool>("keyDown");
    QTest::addColumn<bool>("keyUp");
    QTest::newRow("Move()") << QByteArray("Move()") << true << false << false;
    QTest::newRow("LDown()") << QByteArray("LDown()") << true << false << false;
    QTest::newRow("LUp()") << QByteArray("LUp()") << true << false << false;
    QTest::newRow("RDown()") << QByteArray("RDown()") << true << false << false;
    QTest::newRow("RUp()") << QByteArray("RUp()") << true << false << false;
    QTest::newRow("MDown()") << QByteArray("MDown()") << true << false << false;
    QTest::newRow("MUp()") << QByteArray("MUp()") << true << false << false;
    QTest::newRow("KeyDown()") << QByteArray("KeyDown()") << false << true << false;
    QTest::newRow("KeyUp()") << QByteArray("KeyUp()") << false << false << true;
    QTest::newRow("substring") << QByteArray("xLDowny") << true << false << false;
    QTest::newRow("no parentheses needed for mouse") << QByteArray("Move") << true << false << false;
    QTest::newRow("key needs parentheses") << QByteArray("KeyDown") << false << false << false;
    QTest::newRow("lower case move") << QByteArray("move()") << false << false << false;
    QTest::newRow("mixed case key") << QByteArray("Keydown()") << false << false << false;
    QTest::newRow("empty") << QByteArray() << false << false << false;
    QTest::newRow("several") << QByteArray("KeyUp()KeyDown()MUp") << true << true << true;
    QTest::newRow("key and mouse") << QByteArray("KeyDown()Move()") << true << true << false;
}

void TestActionLine::classifyAction()
{
    QFETCH(QByteArray, action);
    QFETCH(bool, mouse);
    QFETCH(bool, keyDown);
    QFETCH(bool, keyUp);
    const RowKind kind = ::classifyAction(action);
    QCOMPARE(kind.mouse, mouse);
    QCOMPARE(kind.keyDown, keyDown);
    QCOMPARE(kind.keyUp, keyUp);
    QCOMPARE(kind.inert(), !mouse && !keyDown && !keyUp);
}

void TestActionLine::recordedTextsRoundTrip()
{
    // The nine texts a file carries, each written and read as exactly these bytes.
    const QList<QPair<RecordedAction, QByteArray>> texts = {
        {RecordedAction::KeyDown, "KeyDown()"}, {RecordedAction::KeyUp, "KeyUp()"}, {RecordedAction::Move, "Move()"},
        {RecordedAction::LDown, "LDown()"},     {RecordedAction::LUp, "LUp()"},     {RecordedAction::RDown, "RDown()"},
        {RecordedAction::RUp, "RUp()"},         {RecordedAction::MDown, "MDown()"}, {RecordedAction::MUp, "MUp()"},
    };
    QCOMPARE(texts.size(), RecordedActionCount - 1);
    for (const auto &[action, text] : texts) {
        QCOMPARE(recordedActionText(action), QByteArrayView(text));
        QCOMPARE(recordedActionFromText(text), action);
    }
    QCOMPARE(recordedActionText(RecordedAction::None), QByteArrayView());
    // Same length and first letter as a known text, different further on.
    for (const char *other : {"Move", "Move() ", "move()", "MOVE()", "", "KeyDown()KeyUp()", "Move)(", "Mover)",
                              "MDown((", "KeyDown))", "KeyUp()x", "LUp)(", "RUpp)"})
        QCOMPARE(recordedActionFromText(other), RecordedAction::None);
}

QTEST_GUILESS_MAIN(TestActionLine)
#include "TestActionLine.moc"
