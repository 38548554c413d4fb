#pragma once

class ScriptTable;

// Lets the user change one action row, e.g. in a modal dialog; the row commands reach the dialog through
// it, so they need no widgets of their own.
class RowEditor
{
  public:
    virtual ~RowEditor() = default;

    /// Edits `row` of `table` and returns when the user is done with it: the row written into (the row may
    /// have moved meanwhile), 0 when nothing was written.
    virtual int editRow(ScriptTable &table, int row) = 0;
};
