#pragma once

#include <QByteArray>
#include <QList>

class ScriptTable;

// Removes the Alt key-down rows ("KeyDown()" whose Parameters contain "VK_MENU") that follow the last
// "KeyUp()" row: the ones the stop hotkey itself leaves behind. Rows 1 and 2 are never examined.
void cleanUpTrailingAlt(ScriptTable &table);

// The same for the key-down rows of any of the given key names: the modifiers of a stop hotkey other than
// Alt+F10. No names: nothing is removed.
void cleanUpTrailingModifiers(ScriptTable &table, const QList<QByteArray> &keyNames);
