#pragma once

#include "platform/Platform.h"

#include <cstdint>

class ScriptTable;

// Turns input event records into rows of the script table: one row per key press or release, mouse move
// and left/right/middle button press or release, with the delay since the previous event of any kind.
class InputRecorder
{
  public:
    // `lastEventTime` is the main window's clock of the last event seen; nothing here resets it.
    InputRecorder(ScriptTable &table, std::uint32_t &lastEventTime);

    // The hook procedure: called once per event, in input order. Delays come from the event's own time.
    void JournalRecordProc(int code, const EventMsg &event);

  private:
    ScriptTable &m_table;
    std::uint32_t &m_lastEventTime;
};
