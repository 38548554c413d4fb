#include "edit/RowEditor.h"
#include "edit/ScriptEditor.h"
#include "script/ScriptTable.h"

#include <QSignalSpy>
#include <QTest>

namespace
{

// A table whose action rows 1..count hold the Actions "A1".."A<count>" and Parameters "1;1;1".."n;n;n".
void fill(ScriptTable &table, int count)
{
    table.setRows(count + 1);
    for (int row = 1; row <= count; ++row) {
        const QString n = QString::number(row);
        table.setCellText(ScriptTable::ActionColumn, row, QStringLiteral("A") + n);
        table.setCellText(ScriptTable::ParametersColumn, row, n + u';' + n + u';' + n);
    }
}

// The Action texts of the action rows joined by ",", with each row's Parameters checked to travel along.
QString order(const ScriptTable &table)
{
    QStringList actions;
    for (int row = 1; row < table.rows(); ++row) {
        const QString action = table.cellText(ScriptTable::ActionColumn, row);
        const QString n = action.mid(1);
        const QString parameters = table.cellText(ScriptTable::ParametersColumn, row);
        actions << (parameters == n + u';' + n + u';' + n || (action.isEmpty() && parameters.isEmpty())
                        ? action
                        : action + QStringLiteral("!") + parameters);
    }
    return actions.join(u',');
}

QList<int> emitted(const QSignalSpy &spy)
{
    QList<int> rows;
    for (const QList<QVariant> &arguments : spy)
        rows << arguments.at(0).toInt();
    return rows;
}

// Stands in for the action edit dialog: records the rows it was given and types "E" into their Action.
class RecordingRowEditor : public RowEditor
{
  public:
    int editRow(ScriptTable &table, int row) override
    {
        rows << row;
        table.setCellText(ScriptTable::ActionColumn, row, QStringLiteral("E"));
        return row;
    }
    QList<int> rows;
};

} // namespace

class TestScriptEditor : public QObject
{
    Q_OBJECT

  private slots:
    void selectionIgnoresHeaderAndTracksRows();
    void noSelectionMakesRowCommandsDoNothing();
    void editGoesToTheSelectedRowWhereverItMoved();
    void moveAtTheEdgesChangesNothing_data();
    void moveAtTheEdgesChangesNothing();
    void moveDownThenUpRestoresOrder();
    void deleteKeepsIndexOrFallsBackToNewLastRow_data();
    void deleteKeepsIndexOrFallsBackToNewLastRow();
    void deleteOfTheOnlyRowEmptiesIt();
    void clearLeavesOneEmptyRowSelected();
    void shrinkingOutsideTheEditorFallsBack_data();
    void shrinkingOutsideTheEditorFallsBack();
    void shrinkingBelowOtherRowsKeepsSelection();
    void noneStaysNoneWhenRowsShrink();
};

void TestScriptEditor::selectionIgnoresHeaderAndTracksRows()
{
    ScriptTable table;
    fill(table, 3);
    ScriptEditor editor(table);
    QSignalSpy spy(&editor, &ScriptEditor::selectedRowChanged);
    QCOMPARE(editor.selectedRow(), 0);

    editor.StringGrid1SelectCell(4, 0);
    QCOMPARE(editor.selectedRow(), 0);
    editor.StringGrid1SelectCell(5, 2);
    QCOMPARE(editor.selectedRow(), 2);
    editor.StringGrid1SelectCell(0, 2); // same row, other column: no new emission
    editor.StringGrid1SelectCell(6, 0); // header: selection stays
    QCOMPARE(editor.selectedRow(), 2);
    editor.StringGrid1SelectCell(0, 3);
    QCOMPARE(emitted(spy), (QList<int>{2, 3}));
}

void TestScriptEditor::noSelectionMakesRowCommandsDoNothing()
{
    ScriptTable table;
    fill(table, 3);
    ScriptEditor editor(table);
    QSignalSpy spy(&editor, &ScriptEditor::selectedRowChanged);

    RecordingRowEditor dialog;
    editor.moveDown();
    editor.moveUp();
    editor.editSelected(dialog);
    editor.deleteSelected();
    QCOMPARE(order(table), QStringLiteral("A1,A2,A3"));
    QCOMPARE(dialog.rows, QList<int>{});
    QCOMPARE(editor.selectedRow(), 0);
    QCOMPARE(spy.count(), 0);
}

void TestScriptEditor::editGoesToTheSelectedRowWhereverItMoved()
{
    ScriptTable table;
    fill(table, 3);
    ScriptEditor editor(table);
    RecordingRowEditor dialog;
    editor.StringGrid1SelectCell(0, 1);
    editor.moveDown();
    editor.editSelected(dialog);
    QCOMPARE(dialog.rows, QList<int>{2});
    QCOMPARE(table.cellText(ScriptTable::ActionColumn, 2), QStringLiteral("E"));
    QCOMPARE(table.cellText(ScriptTable::ActionColumn, 1), QStringLiteral("A2"));

    table.setRows(2); // rows gone from under the selection: the edit goes to the last remaining row
    editor.editSelected(dialog);
    QCOMPARE(dialog.rows, (QList<int>{2, 1}));
}

void TestScriptEditor::moveAtTheEdgesChangesNothing_data()
{
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("down");
    QTest::newRow("down on last of three") << 3 << 3 << true;
    QTest::newRow("up on row 1 of three") << 3 << 1 << false;
    QTest::newRow("down on the only row") << 1 << 1 << true;
    QTest::newRow("up on the only row") << 1 << 1 << false;
}

void TestScriptEditor::moveAtTheEdgesChangesNothing()
{
    QFETCH(int, rowCount);
    QFETCH(int, selected);
    QFETCH(bool, down);
    ScriptTable table;
    fill(table, rowCount);
    const QString before = order(table);
    ScriptEditor editor(table);
    editor.StringGrid1SelectCell(0, selected);
    QSignalSpy spy(&editor, &ScriptEditor::selectedRowChanged);

    down ? editor.moveDown() : editor.moveUp();
    QCOMPARE(order(table), before);
    QCOMPARE(table.rows(), rowCount + 1);
    QCOMPARE(editor.selectedRow(), selected);
    QCOMPARE(spy.count(), 0);
}

void TestScriptEditor::moveDownThenUpRestoresOrder()
{
    ScriptTable table;
    fill(table, 5);
    ScriptEditor editor(table);
    editor.StringGrid1SelectCell(0, 2);
    QSignalSpy spy(&editor, &ScriptEditor::selectedRowChanged);

    editor.moveDown();
    QCOMPARE(order(table), QStringLiteral("A1,A3,A2,A4,A5"));
    QCOMPARE(editor.selectedRow(), 3);
    editor.moveUp();
    QCOMPARE(order(table), QStringLiteral("A1,A2,A3,A4,A5"));
    QCOMPARE(editor.selectedRow(), 2);
    QCOMPARE(emitted(spy), (QList<int>{3, 2}));

    // The selection follows a row moved all the way down, which then stays put.
    for (int i = 0; i < 5; ++i)
        editor.moveDown();
    QCOMPARE(order(table), QStringLiteral("A1,A3,A4,A5,A2"));
    QCOMPARE(editor.selectedRow(), 5);
}

void TestScriptEditor::deleteKeepsIndexOrFallsBackToNewLastRow_data()
{
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("selectedAfter");
    QTest::newRow("row 2 of four") << 4 << 2 << QStringLiteral("A1,A3,A4") << 2;
    QTest::newRow("row 1 of two") << 2 << 1 << QStringLiteral("A2") << 1;
    QTest::newRow("last of four") << 4 << 4 << QStringLiteral("A1,A2,A3") << 3;
    QTest::newRow("last of two") << 2 << 2 << QStringLiteral("A1") << 1;
}

void TestScriptEditor::deleteKeepsIndexOrFallsBackToNewLastRow()
{
    QFETCH(int, rowCount);
    QFETCH(int, selected);
    QFETCH(QString, after);
    QFETCH(int, selectedAfter);
    ScriptTable table;
    fill(table, rowCount);
    ScriptEditor editor(table);
    editor.StringGrid1SelectCell(0, selected);
    QSignalSpy spy(&editor, &ScriptEditor::selectedRowChanged);

    editor.deleteSelected();
    QCOMPARE(order(table), after);
    QCOMPARE(table.rows(), rowCount);
    QCOMPARE(editor.selectedRow(), selectedAfter);
    QCOMPARE(spy.count(), selectedAfter == selected ? 0 : 1);
}

void TestScriptEditor::deleteOfTheOnlyRowEmptiesIt()
{
    ScriptTable table;
    fill(table, 1);
    ScriptEditor editor(table);
    editor.StringGrid1SelectCell(0, 1);
    QSignalSpy spy(&editor, &ScriptEditor::selectedRowChanged);

    editor.deleteSelected();
    QCOMPARE(table.rows(), 2);
    QCOMPARE(table.cellText(ScriptTable::ActionColumn, 1), QString());
    QCOMPARE(table.cellText(ScriptTable::ParametersColumn, 1), QString());
    QCOMPARE(editor.selectedRow(), 1);
    QCOMPARE(spy.count(), 0);

    editor.deleteSelected(); // again on the empty row: still one empty row
    QCOMPARE(table.rows(), 2);
    QCOMPARE(editor.selectedRow(), 1);
}

void TestScriptEditor::clearLeavesOneEmptyRowSelected()
{
    ScriptTable table;
    fill(table, 6);
    ScriptEditor editor(table);
    editor.StringGrid1SelectCell(0, 4);
    QSignalSpy spy(&editor, &ScriptEditor::selectedRowChanged);

    editor.clear();
    QCOMPARE(table.rows(), 2);
    QCOMPARE(order(table), QString());
    QCOMPARE(editor.selectedRow(), 1);
    QCOMPARE(emitted(spy), (QList<int>{1}));

    // Row 1 selected in a table that is already two rows: clear empties it and keeps the selection.
    table.setCellText(ScriptTable::ActionColumn, 1, QStringLiteral("Move()"));
    editor.clear();
    QCOMPARE(table.rows(), 2);
    QCOMPARE(table.cellText(ScriptTable::ActionColumn, 1), QString());
    QCOMPARE(editor.selectedRow(), 1);
}

void TestScriptEditor::shrinkingOutsideTheEditorFallsBack_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("selectedAfter");
    QTest::addColumn<QString>("after");
    QTest::newRow("deleteRow of the selected last row")
        << QStringLiteral("deleteLast") << 4 << QStringLiteral("A1,A2,A3,A4");
    QTest::newRow("setRows shrink") << QStringLiteral("setRows") << 2 << QStringLiteral("A1,A2");
    QTest::newRow("bulk cut to one row then regrown") << QStringLiteral("bulk") << 1 << QStringLiteral("B1,B2,B3,");
}

void TestScriptEditor::shrinkingOutsideTheEditorFallsBack()
{
    QFETCH(QString, how);
    QFETCH(int, selectedAfter);
    QFETCH(QString, after);
    ScriptTable table;
    fill(table, 5);
    ScriptEditor editor(table);
    editor.StringGrid1SelectCell(0, 5);
    QSignalSpy spy(&editor, &ScriptEditor::selectedRowChanged);

    if (how == QLatin1String("deleteLast")) {
        table.deleteRow(5);
    } else if (how == QLatin1String("setRows")) {
        table.setRows(3);
    } else {
        // As a file is opened: cut down to one action row, then rows appended.
        const ScriptTable::BulkChange bulk(table);
        table.setRows(2);
        table.clearRow(1);
        for (const QByteArray n : {"1", "2", "3"})
            table.appendToLastRow("B" + n, n + ';' + n + ';' + n);
    }
    QCOMPARE(order(table), after);
    QCOMPARE(editor.selectedRow(), selectedAfter);
    QCOMPARE(emitted(spy), (QList<int>{selectedAfter}));
}

void TestScriptEditor::shrinkingBelowOtherRowsKeepsSelection()
{
    ScriptTable table;
    fill(table, 5);
    ScriptEditor editor(table);
    editor.StringGrid1SelectCell(0, 2);
    QSignalSpy spy(&editor, &ScriptEditor::selectedRowChanged);

    table.deleteRow(4);
    table.setRows(3);
    QCOMPARE(editor.selectedRow(), 2);
    QCOMPARE(spy.count(), 0);
}

void TestScriptEditor::noneStaysNoneWhenRowsShrink()
{
    ScriptTable table;
    fill(table, 5);
    ScriptEditor editor(table);
    QSignalSpy spy(&editor, &ScriptEditor::selectedRowChanged);

    table.deleteRow(5);
    table.setRows(3);
    {
        const ScriptTable::BulkChange bulk(table);
        table.setRows(2);
    }
    editor.clear();
    QCOMPARE(editor.selectedRow(), 0);
    QCOMPARE(spy.count(), 0);
}

QTEST_GUILESS_MAIN(TestScriptEditor)
#include "TestScriptEditor.moc"
