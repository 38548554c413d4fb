#include "ScriptEditor.h"

#include "script/ScriptTable.h"

ScriptEditor::ScriptEditor(ScriptTable &table, QObject *parent) : QObject(parent), m_table(table) {}

void ScriptEditor::StringGrid1SelectCell(int column, int row)
{
    Q_UNUSED(column);
    if (row >= 1)
        setSelectedRow(row);
}

void ScriptEditor::clear() {}
void ScriptEditor::moveDown() {}
void ScriptEditor::moveUp() {}
void ScriptEditor::deleteSelected() {}

void ScriptEditor::setSelectedRow(int row)
{
    if (row == m_selectedRow)
        return;
    m_selectedRow = row;
    emit selectedRowChanged(row);
}
