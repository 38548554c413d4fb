#include "edit/ScriptGrid.h"
#include "script/ScriptTable.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

// The script view places rows by their number alone; these check that what it draws, where it hits and where
// it scrolls agree, also a million rows down, and that it follows the rows the table gains and loses.
class TestScriptGrid : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void hitsAndPlacesAgreeFarDown();
    void scrollsToTheRowAsked_data();
    void scrollsToTheRowAsked();
    void clickSelectsTheWholeRowAndKeysMoveIt();
    void scrollRangeFollowsTheRows();

  private:
    static constexpr int RowHeight = 20;
    static constexpr int ShownRows = 10;

    void fill(int count);

    ScriptTable *m_table = nullptr;
    ScriptGrid *m_grid = nullptr;
};

void TestScriptGrid::init()
{
    m_table = new ScriptTable;
    m_grid = new ScriptGrid;
    m_grid->setModel(m_table);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setRowHeight(RowHeight);
    for (int column = 0; column < ScriptTable::ColumnCount; ++column)
        m_grid->setColumnWidth(column, 60);
    m_grid->show();
    // A viewport of exactly ten rows.
    m_grid->resize(500, 300);
    QApplication::processEvents();
    m_grid->resize(500, 300 + ShownRows * RowHeight - m_grid->viewport()->height());
    QApplication::processEvents();
    QCOMPARE(m_grid->viewport()->height(), ShownRows * RowHeight);
}

void TestScriptGrid::cleanup()
{
    delete m_grid;
    delete m_table;
}

void TestScriptGrid::fill(int count)
{
    ScriptTable::BulkChange change(*m_table);
    for (int i = 0; i < count; ++i)
        m_table->appendToLastRow(RecordedAction::Move, QByteArray::number(i) + ";0;1");
}

void TestScriptGrid::hitsAndPlacesAgreeFarDown()
{
    fill(1000000);
    m_grid->scrollTo(m_table->index(700000, 0), QAbstractItemView::PositionAtTop);
    QCOMPARE(m_grid->indexAt(QPoint(1, 1)), m_table->index(700000, 0));

    const QModelIndex cell = m_table->index(700003, ScriptTable::ParametersColumn);
    const QRect rect = m_grid->visualRect(cell);
    QCOMPARE(rect.top(), 3 * RowHeight);
    QCOMPARE(rect.left(), 5 * 60);
    QCOMPARE(m_grid->indexAt(rect.center()), cell);
    QCOMPARE(m_grid->indexAt(rect.topLeft()), cell);
    QCOMPARE(m_grid->indexAt(rect.topLeft() - QPoint(0, 1)), m_table->index(700002, ScriptTable::ParametersColumn));
    // Rows out of view lie outside the viewport, whichever side they are on.
    QVERIFY(m_grid->visualRect(m_table->index(0, 0)).bottom() < 0);
    QVERIFY(m_grid->visualRect(m_table->index(999999, 0)).top() > m_grid->viewport()->height());
    // Right of the last column and below the last row there is no cell.
    QVERIFY(!m_grid->indexAt(QPoint(7 * 60 + 5, 5)).isValid());
    // At the bottom, the open row after the million is the last one shown.
    m_grid->scrollToBottom();
    QCOMPARE(m_grid->indexAt(QPoint(5, ShownRows * RowHeight - 1)), m_table->index(1000000, 0));
}

void TestScriptGrid::scrollsToTheRowAsked_data()
{
    QTest::addColumn<int>("hint");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("shownAt"); // the row's place in the viewport, in rows

    QTest::newRow("top") << int(QAbstractItemView::PositionAtTop) << 5000 << 0;
    QTest::newRow("bottom") << int(QAbstractItemView::PositionAtBottom) << 5000 << ShownRows - 1;
    QTest::newRow("centre") << int(QAbstractItemView::PositionAtCenter) << 5000 << ShownRows / 2;
    QTest::newRow("ensure, below") << int(QAbstractItemView::EnsureVisible) << 5000 << ShownRows - 1;
    QTest::newRow("ensure, at the end") << int(QAbstractItemView::EnsureVisible) << 9999 << ShownRows - 1;
    QTest::newRow("top, near the end") << int(QAbstractItemView::PositionAtTop) << 9995 << 4;
}

void TestScriptGrid::scrollsToTheRowAsked()
{
    QFETCH(int, hint);
    QFETCH(int, row);
    QFETCH(int, shownAt);
    fill(10000);
    m_grid->scrollTo(m_table->index(row, 0), QAbstractItemView::ScrollHint(hint));
    QCOMPARE(m_grid->visualRect(m_table->index(row, 0)).top(), shownAt * RowHeight);

    // Already in view: EnsureVisible leaves the view where it is.
    const int first = m_grid->verticalScrollBar()->value();
    m_grid->scrollTo(m_table->index(first + 1, 0));
    QCOMPARE(m_grid->verticalScrollBar()->value(), first);
}

void TestScriptGrid::clickSelectsTheWholeRowAndKeysMoveIt()
{
    fill(100);
    m_grid->setFocus();
    const QRect cell = m_grid->visualRect(m_table->index(4, 2));
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(m_grid->currentIndex(), m_table->index(4, 2));
    QCOMPARE(m_grid->selectionModel()->selectedRows(), QModelIndexList{m_table->index(4, 0)});
    QCOMPARE(m_grid->selectionModel()->selectedIndexes().size(), ScriptTable::ColumnCount);

    QTest::keyClick(m_grid, Qt::Key_Down);
    QCOMPARE(m_grid->currentIndex(), m_table->index(5, 2));
    QTest::keyClick(m_grid, Qt::Key_PageDown);
    QCOMPARE(m_grid->currentIndex(), m_table->index(5 + ShownRows, 2));
    QTest::keyClick(m_grid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(m_grid->currentIndex(), m_table->index(100, ScriptTable::ColumnCount - 1)); // the open row
    QCOMPARE(m_grid->visualRect(m_grid->currentIndex()).top(), (ShownRows - 1) * RowHeight);
    QTest::keyClick(m_grid, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(m_grid->currentIndex(), m_table->index(0, 0));
    QCOMPARE(m_grid->verticalScrollBar()->value(), 0);
    QCOMPARE(m_grid->selectionModel()->selectedRows(), QModelIndexList{m_table->index(0, 0)});
}

void TestScriptGrid::scrollRangeFollowsTheRows()
{
    // One appended row at a time, as a recording adds them.
    for (int i = 0; i < 30; ++i)
        m_table->appendToLastRow(RecordedAction::Move, "1;2;3");
    QApplication::processEvents();
    QCOMPARE(m_grid->verticalScrollBar()->maximum(), 31 - ShownRows);

    m_grid->scrollToBottom();
    m_table->setRows(6); // five action rows: they all fit
    QApplication::processEvents();
    QCOMPARE(m_grid->verticalScrollBar()->maximum(), 0);
    QCOMPARE(m_grid->verticalScrollBar()->value(), 0);
    QCOMPARE(m_grid->indexAt(QPoint(1, 1)), m_table->index(0, 0));
    QCOMPARE(m_grid->indexAt(QPoint(1, 5 * RowHeight - 1)), m_table->index(4, 0));
    QVERIFY(!m_grid->indexAt(QPoint(1, 5 * RowHeight)).isValid());

    // A wider column than the viewport gives a horizontal range; the header follows the scrolling.
    m_grid->setColumnWidth(0, 1000);
    QApplication::processEvents();
    QCOMPARE(m_grid->horizontalScrollBar()->maximum(), 1000 + 6 * 60 - m_grid->viewport()->width());
    m_grid->horizontalScrollBar()->setValue(100);
    QCOMPARE(m_grid->horizontalHeader()->offset(), 100);
    QCOMPARE(m_grid->visualRect(m_table->index(0, 1)).left(), 1000 - 100);
}

QTEST_MAIN(TestScriptGrid)
#include "TestScriptGrid.moc"
