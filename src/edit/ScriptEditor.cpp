#include "ScriptEditor.h"

#include "RowEditor.h"
#include "script/ScriptTable.h"

ScriptEditor::ScriptEditor(ScriptTable &table, QObject *parent) : QObject(parent), m_table(table), m_history(table)
{
    m_history.setSelectRow([this](int row) { setSelectedRow(row); });
    connect(&m_table, &ScriptTable::rowsShrunk, this, &ScriptEditor::onRowsShrunk);
}

void ScriptEditor::StringGrid1SelectCell(int column, int row)
{
    Q_UNUSED(column);
    if (row >= 1 && row < m_table.rows())
        setSelectedRow(row);
}

void ScriptEditor::clear()
{
    // Shrinking reports rowsShrunk, which moves a selection past row 1 back to row 1.
    m_history.replaceRows(1, TableRows::oneEmptyRow());
}

void ScriptEditor::moveDown()
{
    const int s = m_selectedRow;
    if (s == 0 || s + 1 >= m_table.rows())
        return;
    m_history.moveRow(s, s + 1); // the selection follows the row
}

void ScriptEditor::moveUp()
{
    const int s = m_selectedRow;
    if (s <= 1)
        return;
    m_history.moveRow(s, s - 1);
}

void ScriptEditor::editSelected(RowEditor &editor)
{
    if (m_selectedRow == 0)
        return;
    const int row = m_selectedRow;
    ScriptHistory::RowTexts before = ScriptHistory::rowTexts(m_table, row);
    // Hotkeys run while the dialog is up: the row may have moved up, or be gone, in which case nothing was
    // written and there is nothing to record.
    const int written = editor.editRow(m_table, row);
    if (written != 0)
        m_history.rowEdited(written, std::move(before), ScriptHistory::rowTexts(m_table, written));
}

void ScriptEditor::deleteSelected()
{
    const int s = m_selectedRow;
    if (s == 0)
        return;
    m_history.deleteRow(s);
}

void ScriptEditor::setSelectedRow(int row)
{
    if (row == m_selectedRow)
        return;
    m_selectedRow = row;
    emit selectedRowChanged(row);
}

void ScriptEditor::onRowsShrunk(int newRowCount)
{
    if (m_selectedRow != 0 && m_selectedRow >= newRowCount)
        setSelectedRow(newRowCount - 1);
}
