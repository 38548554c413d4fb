#include "ScriptFile.h"

#include "ScriptTable.h"

QString scriptSavePath(const QString &chosenPath)
{
    return chosenPath.contains(QLatin1String(".tpx")) ? chosenPath : chosenPath + QLatin1String(".tpx");
}

void saveScript(const ScriptTable &table, const QString &path)
{
    Q_UNUSED(table);
    Q_UNUSED(path);
}

void openScript(const QString &path, ScriptTable &table)
{
    Q_UNUSED(table);
    Q_UNUSED(path);
}
