#include "AltCleanup.h"

#include "script/ScriptTable.h"

void cleanUpTrailingAlt(ScriptTable &table)
{
    // Rows 1 and 2 are left alone even when they hold an Alt key-down.
    constexpr int FirstExaminedRow = 3;
    for (int row = table.rows() - 1; row >= FirstExaminedRow; --row) {
        const QByteArrayView action = table.action(row);
        if (action.contains(QByteArrayView("KeyUp()")))
            return;
        if (action.contains(QByteArrayView("KeyDown()")) && table.parameters(row).contains(QByteArrayView("VK_MENU")))
            table.deleteRow(row);
    }
}
