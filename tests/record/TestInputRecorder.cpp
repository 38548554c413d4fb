#include "record/InputRecorder.h"
#include "script/ScriptTable.h"

#include <QTest>

#include <limits>

namespace
{

EventMsg inputEvent(std::uint32_t message, std::uint32_t paramL, std::uint32_t paramH, std::uint32_t time)
{
    EventMsg e;
    e.message = message;
    e.paramL = paramL;
    e.paramH = paramH;
    e.time = time;
    return e;
}

EventMsg move(int x, int y, std::uint32_t time)
{
    return inputEvent(InputMessage::MouseMove, std::uint32_t(x), std::uint32_t(y), time);
}

QByteArray actionOf(const ScriptTable &table, int row)
{
    return table.action(row).toByteArray();
}

QByteArray parametersOf(const ScriptTable &table, int row)
{
    return table.parameters(row).toByteArray();
}

// A table whose row 1 holds an action, as after opening a script: the next event no longer goes into row 1.
void putOpenedScript(ScriptTable &table)
{
    table.setRows(3);
    table.setCell(ScriptTable::ActionColumn, 1, "LDown()");
    table.setCell(ScriptTable::ParametersColumn, 1, "1;2;3");
}

} // namespace

class TestInputRecorder : public QObject
{
    Q_OBJECT

  private slots:
    void firstRowOfEmptyTableGetsDelayOne();
    void firstRowOfEveryRecordingGetsDelayOne_data();
    void firstRowOfEveryRecordingGetsDelayOne();
    void delayIsSigned32BitDifference_data();
    void delayIsSigned32BitDifference();
    void eventsWithoutRowRestartClock_data();
    void eventsWithoutRowRestartClock();
    void nonActionCodesAreIgnoredEntirely_data();
    void nonActionCodesAreIgnoredEntirely();
    void messagesGiveTheirRows_data();
    void messagesGiveTheirRows();
    void recordingKeepsNonEmptyLastRow();
    void recordingThatMakesNoRowChangesNothing();
    void rowsEndWithOpenRowAndOnlyActionColumnsAreWritten();
};

void TestInputRecorder::firstRowOfEmptyTableGetsDelayOne()
{
    ScriptTable table;
    std::uint32_t clock = 1000;
    InputRecorder recorder(table, clock);

    recorder.JournalRecordProc(Hook::Action, move(10, 20, 90000));
    recorder.JournalRecordProc(Hook::Action, move(11, 20, 90040));

    QCOMPARE(table.rows(), 4);
    QCOMPARE(parametersOf(table, 1), QByteArray("10;20;1"));
    QCOMPARE(parametersOf(table, 2), QByteArray("11;20;40"));
    QCOMPARE(clock, 90040u);
}

void TestInputRecorder::firstRowOfEveryRecordingGetsDelayOne_data()
{
    QTest::addColumn<uint>("clock");
    QTest::addColumn<uint>("time");
    // The time before a recording's first row is nobody's input: the gap since the previous recording,
    // or the system's uptime in the program's first recording, which goes negative after 24.8 days.
    QTest::newRow("program start") << 0u << 123456u;
    QTest::newRow("long uptime") << 0u << 3000000000u;
    QTest::newRow("gap since the previous recording") << 1000u << 3315910u;
    QTest::newRow("same tick") << 5000u << 5000u;
}

void TestInputRecorder::firstRowOfEveryRecordingGetsDelayOne()
{
    QFETCH(uint, clock);
    QFETCH(uint, time);
    ScriptTable table;
    putOpenedScript(table);
    std::uint32_t lastEventTime = clock;
    InputRecorder recorder(table, lastEventTime);
    recorder.startRecording();

    // A wheel turn makes no row, so the row after it is still the recording's first.
    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::MouseWheel, 0, 0, time - 7));
    recorder.JournalRecordProc(Hook::Action, move(7, 8, time));
    recorder.JournalRecordProc(Hook::Action, move(9, 8, time + 25));

    QCOMPARE(table.rows(), 5);
    QCOMPARE(actionOf(table, 1), QByteArray("LDown()"));
    QCOMPARE(actionOf(table, 2) + '|' + parametersOf(table, 2), QByteArray("Move()|7;8;1"));
    QCOMPARE(actionOf(table, 3) + '|' + parametersOf(table, 3), QByteArray("Move()|9;8;25"));
    QCOMPARE(lastEventTime, time + 25);

    // The next recording starts afresh.
    recorder.startRecording();
    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::KeyDown, 0, 30, time + 90000));
    QCOMPARE(table.rows(), 6);
    QCOMPARE(parametersOf(table, 4), QByteArray("VK_A;30;1"));
}

void TestInputRecorder::delayIsSigned32BitDifference_data()
{
    QTest::addColumn<uint>("previous");
    QTest::addColumn<uint>("time");
    QTest::addColumn<int>("delay");
    QTest::newRow("plain") << 100u << 350u << 250;
    QTest::newRow("same tick") << 5000u << 5000u << 0;
    QTest::newRow("counter wraps") << 4294967290u << 5u << 11;
    QTest::newRow("clock went back") << 200u << 100u << -100;
    QTest::newRow("largest positive") << 0u << 2147483647u << std::numeric_limits<int>::max();
    QTest::newRow("just over 2^31") << 0u << 2147483649u << -2147483647;
    QTest::newRow("exactly 2^31") << 10u << 2147483658u << std::numeric_limits<int>::min();
}

void TestInputRecorder::delayIsSigned32BitDifference()
{
    QFETCH(uint, previous);
    QFETCH(uint, time);
    QFETCH(int, delay);
    ScriptTable table;
    putOpenedScript(table);
    std::uint32_t clock = 0;
    InputRecorder recorder(table, clock);

    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::KeyDown, 0, 30, previous));
    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::KeyUp, 0, 30, time));

    QCOMPARE(table.rows(), 5);
    QCOMPARE(parametersOf(table, 3), QByteArray("VK_A;30;") + QByteArray::number(delay));
}

void TestInputRecorder::eventsWithoutRowRestartClock_data()
{
    QTest::addColumn<uint>("message");
    QTest::newRow("wheel") << InputMessage::MouseWheel;
    QTest::newRow("tilt") << InputMessage::MouseHWheel;
    QTest::newRow("left double click") << InputMessage::LButtonDblClk;
    QTest::newRow("right double click") << InputMessage::RButtonDblClk;
    QTest::newRow("middle double click") << InputMessage::MButtonDblClk;
    QTest::newRow("x button down") << InputMessage::XButtonDown;
    QTest::newRow("x button up") << InputMessage::XButtonUp;
    QTest::newRow("char message") << 258u;
    QTest::newRow("keyboard message 0") << 0u;
    QTest::newRow("keyboard message 500") << 500u;
    QTest::newRow("between ranges 501") << 501u;
    QTest::newRow("just below mouse move") << 511u;
    QTest::newRow("huge") << 0xFFFFFFFFu;
}

void TestInputRecorder::eventsWithoutRowRestartClock()
{
    QFETCH(uint, message);
    ScriptTable table;
    putOpenedScript(table);
    std::uint32_t clock = 1000;
    InputRecorder recorder(table, clock);

    recorder.JournalRecordProc(Hook::Action, inputEvent(message, 30, 30, 1300));
    QCOMPARE(table.rows(), 3);
    QCOMPARE(clock, 1300u);
    QVERIFY(table.action(2).isEmpty());
    QVERIFY(table.parameters(2).isEmpty());

    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::LButtonDown, 4, 5, 1330));
    QCOMPARE(table.rows(), 4);
    QCOMPARE(actionOf(table, 2), QByteArray("LDown()"));
    QCOMPARE(parametersOf(table, 2), QByteArray("4;5;30"));
}

void TestInputRecorder::nonActionCodesAreIgnoredEntirely_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("negative") << -1;
    QTest::newRow("1") << 1;
    QTest::newRow("system modal on") << 4;
    QTest::newRow("system modal off") << 5;
}

void TestInputRecorder::nonActionCodesAreIgnoredEntirely()
{
    QFETCH(int, code);
    ScriptTable table;
    putOpenedScript(table);
    std::uint32_t clock = 1000;
    InputRecorder recorder(table, clock);

    recorder.JournalRecordProc(code, move(1, 1, 5000));
    recorder.JournalRecordProc(code, inputEvent(InputMessage::KeyDown, 0, 30, 6000));

    QCOMPARE(table.rows(), 3);
    QCOMPARE(clock, 1000u);
    recorder.JournalRecordProc(Hook::Action, move(2, 2, 1070));
    QCOMPARE(parametersOf(table, 2), QByteArray("2;2;70"));
}

void TestInputRecorder::messagesGiveTheirRows_data()
{
    QTest::addColumn<uint>("message");
    QTest::addColumn<uint>("paramL");
    QTest::addColumn<uint>("paramH");
    QTest::addColumn<QByteArray>("action");
    QTest::addColumn<QByteArray>("parameters");
    const auto u = [](int v) { return uint(v); };
    // Keys: paramL carries nothing the row uses.
    QTest::newRow("key down") << 256u << 99u << 30u << QByteArray("KeyDown()") << QByteArray("VK_A;30;40");
    QTest::newRow("key up") << 257u << 0u << 32845u << QByteArray("KeyUp()") << QByteArray("VK_RIGHT;32845;40");
    QTest::newRow("sys key down") << 260u << 0u << 56u << QByteArray("KeyDown()") << QByteArray("VK_MENU;56;40");
    QTest::newRow("sys key up") << 261u << 0u << 67u << QByteArray("KeyUp()") << QByteArray("VK_F9;67;40");
    QTest::newRow("right ctrl") << 256u << 0u << 32797u << QByteArray("KeyDown()") << QByteArray("VK_CONTROL;32797;40");
    QTest::newRow("unknown scan code") << 256u << 0u << 86u << QByteArray("KeyDown()") << QByteArray(";86;40");
    QTest::newRow("key code unsigned") << 257u << 0u << 0xFFFFFFFFu << QByteArray("KeyUp()")
                                       << QByteArray(";4294967295;40");
    QTest::newRow("move") << 512u << 640u << 480u << QByteArray("Move()") << QByteArray("640;480;40");
    QTest::newRow("left down") << 513u << 1u << 2u << QByteArray("LDown()") << QByteArray("1;2;40");
    QTest::newRow("left up") << 514u << 3u << 4u << QByteArray("LUp()") << QByteArray("3;4;40");
    QTest::newRow("right down") << 516u << 5u << 6u << QByteArray("RDown()") << QByteArray("5;6;40");
    QTest::newRow("right up") << 517u << 7u << 8u << QByteArray("RUp()") << QByteArray("7;8;40");
    QTest::newRow("middle down") << 519u << 9u << 10u << QByteArray("MDown()") << QByteArray("9;10;40");
    QTest::newRow("middle up") << 520u << 0u << 0u << QByteArray("MUp()") << QByteArray("0;0;40");
    QTest::newRow("negative coordinates")
        << 512u << u(-5) << u(-1080) << QByteArray("Move()") << QByteArray("-5;-1080;40");
    QTest::newRow("extreme coordinates") << 513u << 0x80000000u << 0x7FFFFFFFu << QByteArray("LDown()")
                                         << QByteArray("-2147483648;2147483647;40");
}

void TestInputRecorder::messagesGiveTheirRows()
{
    QFETCH(uint, message);
    QFETCH(uint, paramL);
    QFETCH(uint, paramH);
    QFETCH(QByteArray, action);
    QFETCH(QByteArray, parameters);
    ScriptTable table;
    putOpenedScript(table);
    std::uint32_t clock = 2000;
    InputRecorder recorder(table, clock);

    recorder.JournalRecordProc(Hook::Action, inputEvent(message, paramL, paramH, 2040));

    QCOMPARE(table.rows(), 4);
    QCOMPARE(actionOf(table, 2), action);
    QCOMPARE(parametersOf(table, 2), parameters);
}

void TestInputRecorder::recordingKeepsNonEmptyLastRow()
{
    // A file that does not end with an empty line, or a table whose open row was deleted.
    ScriptTable table;
    table.setRows(3);
    table.setCell(ScriptTable::ActionColumn, 1, "Move()");
    table.setCell(ScriptTable::ParametersColumn, 1, "1;1;1");
    table.setCell(ScriptTable::ActionColumn, 2, "Something else entirely");
    std::uint32_t clock = 100;
    InputRecorder recorder(table, clock);
    recorder.startRecording();

    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::KeyDown, 0, 2, 110));
    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::KeyUp, 0, 2, 130));

    const QByteArray expected[] = {"Move()|1;1;1", "Something else entirely|", "KeyDown()|1;2;1", "KeyUp()|1;2;20",
                                   "|"};
    QCOMPARE(table.rows(), 6);
    for (int row = 1; row < table.rows(); ++row)
        QCOMPARE(actionOf(table, row) + '|' + parametersOf(table, row), expected[row - 1]);

    // A last row with Parameters only is not empty either.
    ScriptTable parametersOnly;
    parametersOnly.setCell(ScriptTable::ParametersColumn, 1, "x");
    InputRecorder second(parametersOnly, clock);
    second.startRecording();
    second.JournalRecordProc(Hook::Action, move(3, 4, 200));
    QCOMPARE(parametersOnly.rows(), 4);
    QCOMPARE(parametersOf(parametersOnly, 1), QByteArray("x"));
    QCOMPARE(actionOf(parametersOnly, 2) + '|' + parametersOf(parametersOnly, 2), QByteArray("Move()|3;4;1"));
}

void TestInputRecorder::recordingThatMakesNoRowChangesNothing()
{
    ScriptTable table;
    table.setCell(ScriptTable::ActionColumn, 1, "LDown()");
    std::uint32_t clock = 100;
    InputRecorder recorder(table, clock);
    recorder.startRecording();

    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::MouseWheel, 0, 0, 150));
    recorder.JournalRecordProc(-1, move(1, 1, 160));

    QCOMPARE(table.rows(), 2);
    QCOMPARE(actionOf(table, 1), QByteArray("LDown()"));
}

void TestInputRecorder::rowsEndWithOpenRowAndOnlyActionColumnsAreWritten()
{
    ScriptTable table;
    std::uint32_t clock = 0;
    InputRecorder recorder(table, clock);

    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::KeyDown, 0, 30, 10));
    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::MouseWheel, 0, 0, 20));
    recorder.JournalRecordProc(Hook::Action, move(-1, 2, 25));
    recorder.JournalRecordProc(Hook::Action, inputEvent(InputMessage::KeyUp, 0, 30, 25));

    QCOMPARE(table.rows(), 5);
    const QByteArray expected[] = {"KeyDown()|VK_A;30;1", "Move()|-1;2;5", "KeyUp()|VK_A;30;0", "|"};
    for (int row = 1; row < table.rows(); ++row) {
        QCOMPARE(actionOf(table, row) + '|' + parametersOf(table, row), expected[row - 1]);
        for (int column : {0, 1, 2, 3, 6})
            QVERIFY2(table.cellText(column, row).isEmpty(), qPrintable(QString("column %1").arg(column)));
    }
}

QTEST_GUILESS_MAIN(TestInputRecorder)
#include "TestInputRecorder.moc"
