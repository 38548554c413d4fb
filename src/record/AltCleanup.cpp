#include "AltCleanup.h"

#include "script/ScriptTable.h"

void cleanUpTrailingModifiers(ScriptTable &table, const QList<QByteArray> &keyNames)
{
    const auto isModifier = [&keyNames](QByteArrayView parameters) {
        for (const QByteArray &name : keyNames) {
            if (parameters.contains(QByteArrayView(name)))
                return true;
        }
        return false;
    };
    // Rows 1 and 2 are left alone even when they hold an Alt key-down.
    constexpr int FirstExaminedRow = 3;
    for (int row = table.rows() - 1; row >= FirstExaminedRow; --row) {
        const QByteArrayView action = table.action(row);
        if (action.contains(QByteArrayView("KeyUp()")))
            return;
        if (action.contains(QByteArrayView("KeyDown()")) && isModifier(table.parameters(row)))
            table.deleteRow(row);
    }
}
