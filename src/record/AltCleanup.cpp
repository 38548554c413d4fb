#include "AltCleanup.h"

#include "script/ScriptTable.h"

void cleanUpTrailingAlt(ScriptTable &table)
{
    Q_UNUSED(table);
}
