#pragma once

#include "script/ScriptTable.h"

#include <QString>
#include <QStringList>

// "Action|Parameters" of every action row of `table`, joined by ",".
inline QString scriptContents(const ScriptTable &table)
{
    QStringList rows;
    for (int row = 1; row < table.rows(); ++row)
        rows << table.cellText(ScriptTable::ActionColumn, row) + u'|' +
                    table.cellText(ScriptTable::ParametersColumn, row);
    return rows.join(u',');
}
