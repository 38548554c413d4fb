#pragma once

#include <QByteArray>
#include <QList>

class ScriptTable;

// Removes the key-down rows ("KeyDown()" whose Parameters contain one of the given key names) that follow
// the last "KeyUp()" row: the ones the stop hotkey's own modifiers leave behind ("VK_MENU" for Alt+F10).
// Rows 1 and 2 are never examined. No names: nothing is removed.
void cleanUpTrailingModifiers(ScriptTable &table, const QList<QByteArray> &keyNames);
