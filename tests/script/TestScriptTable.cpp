#include "script/ScriptTable.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace
{

QList<QByteArray> actionsOf(const ScriptTable &table)
{
    QList<QByteArray> actions;
    for (int row = 1; row < table.rows(); ++row)
        actions << table.action(row).toByteArray();
    return actions;
}

// Five rows A..E whose Parameters text names the row too, then the open row.
void fillLetters(ScriptTable &table)
{
    for (const char *letter : {"A", "B", "C", "D", "E"})
        table.appendToLastRow(QByteArrayView(letter), QByteArray(letter) + "-p");
}

} // namespace

class TestScriptTable : public QObject
{
    Q_OBJECT

  private slots:
    void initialStateIsOneEmptyActionRow();
    void growingAgainBringsBackNoText();
    void moveRowTo_data();
    void moveRowTo();
    void deleteRowShiftsUpAndSignals();
    void appendOverwritesNonEmptyLastRow();
    void internedActionTextsOutliveTheirSource();
    void anyBytesInAnyCell();
    void rowsShrunkReportsSmallestCount();
    void headerStaysApartFromTheActionRows();
    void modelStaysConsistentUnderEdits();
    void hugeCellIsShownCutButKeptWhole();
    void parametersOfEveryLengthSurviveRewritesAndCompaction();
};

void TestScriptTable::initialStateIsOneEmptyActionRow()
{
    const ScriptTable table;
    QCOMPARE(table.rows(), 2);
    QCOMPARE(table.rowCount(), 1);
    QCOMPARE(table.columnCount(), 7);
    for (int column = 0; column < ScriptTable::ColumnCount; ++column) {
        QVERIFY(table.cell(column, 1).isEmpty());
        QCOMPARE(table.data(table.index(0, column)).toString(), QString());
    }
    QVERIFY(table.cell(4, 2).isEmpty()); // past the end reads empty rather than failing
}

void TestScriptTable::growingAgainBringsBackNoText()
{
    ScriptTable table;
    fillLetters(table);
    table.setRows(3);
    QCOMPARE(actionsOf(table), (QList<QByteArray>{"A", "B"}));
    table.setRows(1);
    QCOMPARE(table.rows(), 2);
    table.setRows(7);
    QCOMPARE(table.rows(), 7);
    QCOMPARE(table.action(1), QByteArrayView("A"));
    QCOMPARE(table.parameters(1), QByteArrayView("A-p"));
    for (int row = 2; row < 7; ++row)
        QVERIFY(table.action(row).isEmpty() && table.parameters(row).isEmpty());
}

void TestScriptTable::moveRowTo_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<QByteArray>>("order");
    using Order = QList<QByteArray>;
    QTest::newRow("down far") << 1 << 4 << Order{"B", "C", "D", "A", "E", ""};
    QTest::newRow("up far") << 5 << 2 << Order{"A", "E", "B", "C", "D", ""};
    QTest::newRow("swap down") << 2 << 3 << Order{"A", "C", "B", "D", "E", ""};
    QTest::newRow("swap up") << 3 << 2 << Order{"A", "C", "B", "D", "E", ""};
    QTest::newRow("into open row") << 5 << 6 << Order{"A", "B", "C", "D", "", "E"};
    QTest::newRow("same place") << 3 << 3 << Order{"A", "B", "C", "D", "E", ""};
    QTest::newRow("header is not a row") << 0 << 2 << Order{"A", "B", "C", "D", "E", ""};
    QTest::newRow("past the end") << 2 << 7 << Order{"A", "B", "C", "D", "E", ""};
}

void TestScriptTable::moveRowTo()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<QByteArray>, order);
    ScriptTable table;
    fillLetters(table);
    table.moveRowTo(from, to);
    QCOMPARE(actionsOf(table), order);
    // Parameters travel with their row.
    for (int row = 1; row < table.rows(); ++row) {
        const QByteArray action = table.action(row).toByteArray();
        QCOMPARE(table.parameters(row).toByteArray(), action.isEmpty() ? QByteArray() : action + "-p");
    }
}

void TestScriptTable::deleteRowShiftsUpAndSignals()
{
    ScriptTable table;
    fillLetters(table);
    QSignalSpy shrunk(&table, &ScriptTable::rowsShrunk);
    table.deleteRow(2);
    QCOMPARE(actionsOf(table), (QList<QByteArray>{"A", "C", "D", "E", ""}));
    QCOMPARE(table.parameters(2), QByteArrayView("C-p"));
    QCOMPARE(shrunk.size(), 1);
    QCOMPARE(shrunk.first().first().toInt(), 6);
    table.deleteRow(0);
    table.deleteRow(6);
    QCOMPARE(table.rows(), 6);
}

void TestScriptTable::appendOverwritesNonEmptyLastRow()
{
    ScriptTable table;
    table.setCell(ScriptTable::ActionColumn, 1, "typed");
    table.setCell(ScriptTable::ParametersColumn, 1, "old;params;long text");
    table.appendToLastRow(RecordedAction::KeyDown, "VK_A;30;1");
    QCOMPARE(table.rows(), 3);
    QCOMPARE(table.action(1), QByteArrayView("KeyDown()"));
    QCOMPARE(table.parameters(1), QByteArrayView("VK_A;30;1"));
    QVERIFY(table.action(2).isEmpty() && table.parameters(2).isEmpty());
}

void TestScriptTable::internedActionTextsOutliveTheirSource()
{
    ScriptTable table;
    {
        QByteArray source("Custom step");
        table.appendToLastRow(QByteArrayView(source), "1");
        table.appendToLastRow(QByteArrayView(source), "2");
        source.fill('#');
        table.appendToLastRow(QByteArrayView("Move()"), "3");
    }
    QCOMPARE(actionsOf(table), (QList<QByteArray>{"Custom step", "Custom step", "Move()", ""}));
    table.setCell(ScriptTable::ActionColumn, 3, QByteArray("move()"));
    QCOMPARE(table.action(3), QByteArrayView("move()"));
    table.setCell(ScriptTable::ActionColumn, 3, QByteArray());
    QVERIFY(table.action(3).isEmpty());
}

void TestScriptTable::anyBytesInAnyCell()
{
    ScriptTable table;
    table.setRows(3);
    const QByteArray odd("\0|;\r\n\x1A\xFF\x98", 8);
    table.setCell(ScriptTable::ActionColumn, 1, odd);
    table.setCell(ScriptTable::ParametersColumn, 2, odd);
    QCOMPARE(table.action(1).toByteArray(), odd);
    QCOMPARE(table.parameters(2).toByteArray(), odd);
    QCOMPARE(table.cellText(4, 1).size(), 8);
    QCOMPARE(table.cellText(5, 2).at(7), QChar(0x98));

    table.setCellText(ScriptTable::ParametersColumn, 1, QStringLiteral("Ёж;№1"));
    QCOMPARE(table.parameters(1).toByteArray(), QByteArray("\xA8\xE6;\xB9"
                                                           "1"));
    QCOMPARE(table.cellText(5, 1), QStringLiteral("Ёж;№1"));

    // The descriptive columns are never written.
    table.setCell(0, 1, "form");
    table.setCell(6, 1, "local");
    QVERIFY(table.cell(0, 1).isEmpty() && table.cell(6, 1).isEmpty());

    table.clearRow(1);
    QVERIFY(table.action(1).isEmpty() && table.parameters(1).isEmpty());
    QCOMPARE(table.parameters(2).toByteArray(), odd);
}

void TestScriptTable::rowsShrunkReportsSmallestCount()
{
    ScriptTable table;
    fillLetters(table);
    QSignalSpy shrunk(&table, &ScriptTable::rowsShrunk);
    table.setRows(4);
    QCOMPARE(shrunk.size(), 1);
    QCOMPARE(shrunk.takeFirst().first().toInt(), 4);
    table.setRows(9);
    QCOMPARE(shrunk.size(), 0);
    {
        ScriptTable::BulkChange change(table);
        table.setRows(2);
        for (int i = 0; i < 10; ++i)
            table.appendToLastRow(RecordedAction::Move, "1;1;1");
        QCOMPARE(shrunk.size(), 0);
    }
    QCOMPARE(shrunk.size(), 1);
    QCOMPARE(shrunk.first().first().toInt(), 2);
    QCOMPARE(table.rows(), 12);
}

void TestScriptTable::headerStaysApartFromTheActionRows()
{
    ScriptTable table;
    const QStringList titles{"Форма", "Объект", "id", "handle", "Действие", "Параметры", "X,Y local"};
    for (int column = 0; column < ScriptTable::ColumnCount; ++column)
        table.setHeaderText(column, titles[column]);
    // Moves, deletions, clearing and resizing work on the action rows only.
    QSignalSpy headerChanged(&table, &QAbstractItemModel::headerDataChanged);
    fillLetters(table);
    table.moveRowTo(1, 4);
    table.deleteRow(1);
    table.clearRow(1);
    table.setRows(2);
    QCOMPARE(headerChanged.size(), 0);
    for (int column = 0; column < ScriptTable::ColumnCount; ++column) {
        QCOMPARE(table.cellText(column, 0), titles[column]);
        QCOMPARE(table.headerData(column, Qt::Horizontal).toString(), titles[column]);
    }
    QCOMPARE(table.cellText(7, 0), QString());
    // The model's row 0 is grid row 1.
    table.appendToLastRow(RecordedAction::MUp, "3;4;5");
    QCOMPARE(table.data(table.index(0, 4)).toString(), QStringLiteral("MUp()"));
    QCOMPARE(table.data(table.index(0, 5)).toString(), QStringLiteral("3;4;5"));
}

void TestScriptTable::modelStaysConsistentUnderEdits()
{
    ScriptTable table;
    QAbstractItemModelTester tester(&table, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fillLetters(table);
    table.moveRowTo(1, 5);
    table.moveRowTo(4, 3);
    table.deleteRow(2);
    table.setRows(10);
    table.setRows(3);
    table.setCell(ScriptTable::ActionColumn, 2, "x");
    {
        ScriptTable::BulkChange change(table);
        table.setRows(2);
        table.clearRow(1);
        for (int i = 0; i < 100; ++i)
            table.appendToLastRow(RecordedAction::LDown, QByteArray::number(i));
    }
    QCOMPARE(table.rowCount(), 101);
    QCOMPARE(table.parameters(100), QByteArrayView("99"));
}

void TestScriptTable::parametersOfEveryLengthSurviveRewritesAndCompaction()
{
    // Lengths on both sides of each step of the stored length prefix, empty texts between them.
    const std::vector<int> lengths = {0, 1, 127, 128, 129, 0, 16383, 16384, 16385, 2097151, 2097152, 0, 5};
    const auto text = [](int length, char fill) {
        QByteArray bytes(length, fill);
        if (length > 0)
            bytes[length - 1] = '\x80'; // a byte with the high bit set at the end of each text
        return bytes;
    };
    ScriptTable table;
    for (int length : lengths)
        table.appendToLastRow(RecordedAction::Move, text(length, 'a'));
    for (int row = 1; row <= int(lengths.size()); ++row)
        QCOMPARE(table.parameters(row).toByteArray(), text(lengths[std::size_t(row - 1)], 'a'));
    QVERIFY(table.endsWithOpenRow());

    // Rewriting the long texts wastes more than half of the storage, so it is compacted: every row keeps its
    // own text, emptied ones stay empty, and a row set to empty and back reads right.
    for (int round = 0; round < 3; ++round) {
        for (int row = 1; row <= int(lengths.size()); ++row) {
            const int length = lengths[std::size_t(row - 1)];
            if (length > 100000)
                table.setCell(ScriptTable::ParametersColumn, row, text(length, char('b' + round)));
        }
    }
    table.setCell(ScriptTable::ParametersColumn, 2, QByteArray());
    table.setCell(ScriptTable::ParametersColumn, 1, "x");
    table.deleteRow(10); // 2097152 bytes go
    for (int row = 1, index = 0; row < table.rows() - 1; ++row, ++index) {
        if (index == 9)
            ++index; // the deleted row
        const int length = lengths[std::size_t(index)];
        const QByteArray want = row == 1   ? QByteArray("x")
                                : row == 2 ? QByteArray()
                                           : text(length, length > 100000 ? 'd' : 'a');
        QCOMPARE(table.parameters(row).toByteArray(), want);
    }
    QVERIFY(table.memoryUsage() < 12 * 1024 * 1024); // 16 MiB had the waste stayed
}

QTEST_GUILESS_MAIN(TestScriptTable)
#include "TestScriptTable.moc"

void TestScriptTable::hugeCellIsShownCutButKeptWhole()
{
    ScriptTable table;
    QByteArray huge(10 * 1024 * 1024, 'a');
    huge[4095] = '\xC0'; // cp1251 for the Cyrillic А: a character is a byte
    huge[4096] = 'b';
    table.appendToLastRow(huge, huge);
    const QString shownAction = table.data(table.index(0, ScriptTable::ActionColumn)).toString();
    const QString shownParameters = table.data(table.index(0, ScriptTable::ParametersColumn)).toString();
    QCOMPARE(shownParameters.size(), 4097);
    QCOMPARE(shownParameters.left(4095), QString(4095, QLatin1Char('a')));
    QCOMPARE(shownParameters.at(4095), QChar(0x0410));
    QCOMPARE(shownParameters.at(4096), QChar(0x2026)); // "…"
    QCOMPARE(shownAction, shownParameters);
    // The data itself keeps every byte.
    QCOMPARE(table.parameters(1).size(), huge.size());
    QVERIFY(table.parameters(1) == huge);
    QVERIFY(table.action(1) == huge);
    QCOMPARE(table.cellText(ScriptTable::ParametersColumn, 1).size(), huge.size());
    // A cell of exactly the limit is shown whole.
    table.setCell(ScriptTable::ParametersColumn, 1, huge.left(4096));
    QCOMPARE(table.data(table.index(0, ScriptTable::ParametersColumn)).toString().size(), 4096);
}
