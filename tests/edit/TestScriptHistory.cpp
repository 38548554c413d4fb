#include "ScriptContents.h"
#include "edit/ScriptEditor.h"
#include "edit/ScriptHistory.h"
#include "script/ScriptTable.h"

#include <QTest>

namespace
{

// Action rows "A1".."A<count>" with Parameters "1;1;1".."n;n;n"; with `padding`, that many more bytes in
// each Parameters and the Action "Move()" in every row, as in a recording.
void fill(ScriptTable &table, int count, int padding = 0)
{
    const ScriptTable::BulkChange bulk(table);
    table.setRows(count + 1);
    const QByteArray pad(padding, 'x');
    for (int row = 1; row <= count; ++row) {
        const QByteArray n = QByteArray::number(row);
        table.setCell(ScriptTable::ActionColumn, row, padding > 0 ? QByteArray("Move()") : QByteArray("A" + n));
        table.setCell(ScriptTable::ParametersColumn, row, QByteArray(n + ';' + n + ';' + n + pad));
    }
}

} // namespace

class TestScriptHistory : public QObject
{
    Q_OBJECT

  private slots:
    void rowCommandsUndoAndRedoInTurn();
    void deleteOfTheOnlyRowComesBack();
    void editsAreStepsOnlyWhenTheyChangeTheRow();
    void replacedRowsGoBackAndForthWithTheCaption();
    void aRecordingIsOneStep();
    void oldestStepsGoBeyondTheLimit();
    void aStepLargerThanTheLimitIsNotKept();
    void clearsOfAMillionRowsStayUnder64MB();
};

void TestScriptHistory::rowCommandsUndoAndRedoInTurn()
{
    ScriptTable table;
    fill(table, 5);
    ScriptEditor editor(table);
    QUndoStack &stack = editor.history().stack();
    const QString start = scriptContents(table);
    QStringList states{start};

    editor.StringGrid1SelectCell(0, 2);
    editor.moveDown(); // A2 to row 3, selected
    states << scriptContents(table);
    QCOMPARE(editor.selectedRow(), 3);
    editor.moveUp();
    states << scriptContents(table);
    editor.moveUp(); // A2 to row 1
    states << scriptContents(table);
    editor.StringGrid1SelectCell(0, 5);
    editor.deleteSelected(); // the last row: A4 becomes the selected last row
    states << scriptContents(table);
    QCOMPARE(editor.selectedRow(), 4);
    editor.StringGrid1SelectCell(0, 2);
    editor.deleteSelected(); // a middle row
    states << scriptContents(table);
    editor.clear();
    states << scriptContents(table);
    QCOMPARE(scriptContents(table), QStringLiteral("|"));
    QCOMPARE(stack.count(), 6);

    for (int step = 6; step > 0; --step) {
        stack.undo();
        QCOMPARE(scriptContents(table), states[step - 1]);
    }
    QCOMPARE(scriptContents(table), start);
    QCOMPARE(editor.selectedRow(), 2); // the first move, taken back, leaves its row where it was
    QVERIFY(!stack.canUndo());
    for (int step = 1; step <= 6; ++step) {
        stack.redo();
        QCOMPARE(scriptContents(table), states[step]);
    }
    QVERIFY(!stack.canRedo());

    // A new command after some undos drops the steps that could have been redone.
    stack.undo();
    stack.undo();
    editor.StringGrid1SelectCell(0, 1);
    editor.moveDown();
    QCOMPARE(stack.count(), 5);
    QVERIFY(!stack.canRedo());
}

void TestScriptHistory::deleteOfTheOnlyRowComesBack()
{
    ScriptTable table;
    fill(table, 1);
    ScriptEditor editor(table);
    editor.StringGrid1SelectCell(0, 1);
    editor.deleteSelected();
    QCOMPARE(scriptContents(table), QStringLiteral("|"));
    editor.history().stack().undo();
    QCOMPARE(scriptContents(table), QStringLiteral("A1|1;1;1"));
    QCOMPARE(table.rows(), 2);
}

void TestScriptHistory::editsAreStepsOnlyWhenTheyChangeTheRow()
{
    ScriptTable table;
    fill(table, 3);
    ScriptHistory history(table);
    const ScriptHistory::RowTexts before = ScriptHistory::rowTexts(table, 2);
    history.rowEdited(2, before, before);
    QCOMPARE(history.stack().count(), 0);

    table.setCell(ScriptTable::ActionColumn, 2, "Move()");
    table.setCell(ScriptTable::ParametersColumn, 2, "7;8;9");
    history.rowEdited(2, before, ScriptHistory::rowTexts(table, 2));
    QCOMPARE(scriptContents(table), QStringLiteral("A1|1;1;1,Move()|7;8;9,A3|3;3;3")); // recording it changes nothing
    history.stack().undo();
    QCOMPARE(scriptContents(table), QStringLiteral("A1|1;1;1,A2|2;2;2,A3|3;3;3"));
    history.stack().redo();
    QCOMPARE(scriptContents(table), QStringLiteral("A1|1;1;1,Move()|7;8;9,A3|3;3;3"));
}

void TestScriptHistory::replacedRowsGoBackAndForthWithTheCaption()
{
    ScriptTable table;
    fill(table, 4);
    ScriptHistory history(table);
    QString caption = QStringLiteral("Tapsmith - /a.tpx");
    history.setCaption([&] { return caption; }, [&](const QString &text) { caption = text; });

    // Open, as the file command does it: the rows and the caption change, then the step is recorded.
    const TableRows before = TableRows::capture(table, 1);
    const QString captionBefore = caption;
    fill(table, 2);
    table.setCell(ScriptTable::ActionColumn, 2, "");
    caption = QStringLiteral("Tapsmith - /b.tpx");
    history.rowsReplaced(1, before, captionBefore);
    QCOMPARE(scriptContents(table), QStringLiteral("A1|1;1;1,|2;2;2"));

    history.stack().undo();
    QCOMPARE(scriptContents(table), QStringLiteral("A1|1;1;1,A2|2;2;2,A3|3;3;3,A4|4;4;4"));
    QCOMPARE(caption, QStringLiteral("Tapsmith - /a.tpx"));
    history.stack().redo();
    QCOMPARE(scriptContents(table), QStringLiteral("A1|1;1;1,|2;2;2"));
    QCOMPARE(caption, QStringLiteral("Tapsmith - /b.tpx"));

    // Clear: the caption it leaves is set by its caller after it.
    history.replaceRows(1, TableRows::oneEmptyRow());
    caption = QStringLiteral("Tapsmith");
    QCOMPARE(scriptContents(table), QStringLiteral("|"));
    history.stack().undo();
    QCOMPARE(scriptContents(table), QStringLiteral("A1|1;1;1,|2;2;2"));
    QCOMPARE(caption, QStringLiteral("Tapsmith - /b.tpx"));
    history.stack().redo();
    QCOMPARE(caption, QStringLiteral("Tapsmith"));
}

void TestScriptHistory::aRecordingIsOneStep()
{
    ScriptTable table;
    fill(table, 2);
    table.setRows(4); // an open row, which the recording writes first
    ScriptEditor editor(table);
    editor.StringGrid1SelectCell(0, 3);
    const QString start = scriptContents(table);
    const int openRow = table.rows() - 1;
    const TableRows before = TableRows::capture(table, openRow);
    for (int event = 0; event < 100; ++event)
        table.appendToLastRow(RecordedAction::Move, QByteArray::number(event) + ";0;1");
    table.setRows(table.rows() - 3); // the stop removes some rows at the end
    const QString recorded = scriptContents(table);
    editor.history().rowsReplaced(openRow, before);

    QCOMPARE(editor.history().stack().count(), 1);
    editor.history().stack().undo();
    QCOMPARE(scriptContents(table), start);
    QCOMPARE(editor.selectedRow(), 3);
    editor.history().stack().redo();
    QCOMPARE(scriptContents(table), recorded);
}

void TestScriptHistory::oldestStepsGoBeyondTheLimit()
{
    ScriptTable table;
    ScriptHistory history(table, nullptr, 1'000'000);
    // Each Clear keeps 3,000 rows of about 110 bytes: some 350 kB, so two fit and a third does not.
    QStringList cleared;
    for (int round = 0; round < 4; ++round) {
        fill(table, 3000, 100);
        table.setCell(ScriptTable::ActionColumn, 1, QByteArray("round") + QByteArray::number(round));
        cleared << scriptContents(table);
        history.replaceRows(1, TableRows::oneEmptyRow());
        QVERIFY(history.memoryUsage() <= 1'000'000);
    }
    QCOMPARE(history.stack().count(), 2);
    history.stack().undo();
    QCOMPARE(scriptContents(table), cleared[3]);
    history.stack().undo();
    QCOMPARE(scriptContents(table), cleared[2]);
    QVERIFY(!history.stack().canUndo());
    history.stack().redo();
    history.stack().redo();
    QCOMPARE(scriptContents(table), QStringLiteral("|"));
}

void TestScriptHistory::aStepLargerThanTheLimitIsNotKept()
{
    ScriptTable table;
    ScriptHistory history(table, nullptr, 100'000);
    fill(table, 3);
    table.setCell(ScriptTable::ActionColumn, 1, "Move()");
    history.moveRow(1, 2);
    fill(table, 3000, 100);
    history.replaceRows(1, TableRows::oneEmptyRow());
    QCOMPARE(scriptContents(table), QStringLiteral("|"));
    QCOMPARE(history.stack().count(), 0);
    QVERIFY(!history.stack().canUndo());
    QCOMPARE(history.memoryUsage(), std::size_t(0));
}

void TestScriptHistory::clearsOfAMillionRowsStayUnder64MB()
{
    ScriptTable table;
    ScriptHistory history(table);
    QCOMPARE(ScriptHistory::DefaultMemoryLimit, std::size_t(64) << 20);
    for (int round = 0; round < 3; ++round) {
        table.reserve(1'000'001, 12'000'000);
        for (int row = 0; row < 1'000'000; ++row)
            table.appendToLastRow(RecordedAction::Move, "1234;567;" + QByteArray::number(row % 20));
        history.replaceRows(1, TableRows::oneEmptyRow());
        QVERIFY2(history.memoryUsage() <= ScriptHistory::DefaultMemoryLimit,
                 qPrintable(QString::number(history.memoryUsage())));
    }
    // Each copy takes some 25 MB: two are kept, the first is gone.
    QCOMPARE(history.stack().count(), 2);
    history.stack().undo();
    QCOMPARE(table.rows(), 1'000'002);
}

QTEST_GUILESS_MAIN(TestScriptHistory)
#include "TestScriptHistory.moc"
