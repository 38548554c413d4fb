#pragma once

class ScriptTable;

// Removes the Alt key-down rows ("KeyDown()" whose Parameters contain "VK_MENU") that follow the last
// "KeyUp()" row: the ones the stop hotkey itself leaves behind. Rows 1 and 2 are never examined.
void cleanUpTrailingAlt(ScriptTable &table);
