#pragma once

#include "ScriptHistory.h"

#include <QObject>

class RowEditor;
class ScriptTable;

// The editor's selected row and the row commands on it (Clear, Move down, Move up, Edit, Delete). The
// selected row is 0 (none) until the user first selects one; when rows disappear from under it, it falls
// back to the last remaining action row. Every command that changes the table is recorded in the undo
// history.
class ScriptEditor : public QObject
{
    Q_OBJECT

  public:
    explicit ScriptEditor(ScriptTable &table, QObject *parent = nullptr);

    int selectedRow() const { return m_selectedRow; }
    ScriptHistory &history() { return m_history; }

    // The table reports a selected cell (grid coordinates). The header row cannot be selected.
    void StringGrid1SelectCell(int column, int row);

    // Row count 2, row 1 emptied. The caption is the caller's.
    void clear();
    void moveDown();
    void moveUp();
    // Hands the selected row to `editor` (the action edit dialog); nothing when no row is selected.
    void editSelected(RowEditor &editor);
    // Deletes the selected row (or empties it when it is the only action row). The caller asks first.
    void deleteSelected();

  signals:
    // The selected row changed by a command or by the fallback rule, so the view can follow.
    void selectedRowChanged(int row);

  private:
    void setSelectedRow(int row);
    void onRowsShrunk(int newRowCount);

    ScriptTable &m_table;
    ScriptHistory m_history;
    int m_selectedRow = 0;
};
