#include "TFAddEdit.h"

#include "script/ScriptTable.h"

TFAddEdit::TFAddEdit(QWidget *parent) : QDialog(parent) {}

void TFAddEdit::editRow(ScriptTable &table, int row)
{
    Q_UNUSED(table);
    Q_UNUSED(row);
}
