#include "ScriptEditor.h"

#include "RowEditor.h"
#include "script/ScriptTable.h"

ScriptEditor::ScriptEditor(ScriptTable &table, QObject *parent) : QObject(parent), m_table(table)
{
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
    m_table.setRows(2);
    m_table.clearRow(1);
}

void ScriptEditor::moveDown()
{
    const int s = m_selectedRow;
    if (s == 0 || s + 1 >= m_table.rows())
        return;
    m_table.moveRowTo(s, s + 1);
    setSelectedRow(s + 1);
}

void ScriptEditor::moveUp()
{
    const int s = m_selectedRow;
    if (s <= 1)
        return;
    m_table.moveRowTo(s, s - 1);
    setSelectedRow(s - 1);
}

void ScriptEditor::editSelected(RowEditor &editor)
{
    if (m_selectedRow == 0)
        return;
    editor.editRow(m_table, m_selectedRow);
}

void ScriptEditor::deleteSelected()
{
    const int s = m_selectedRow;
    if (s == 0)
        return;
    if (m_table.rows() != 2)
        m_table.deleteRow(s); // a deleted last row falls back to the new last row through rowsShrunk
    else
        m_table.clearRow(s);
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
