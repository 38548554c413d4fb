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

    // Called as a recording starts. Its first row gets the delay 1, since the time before it belongs to no
    // input of this recording, and goes below the table's last row when that row is not empty, so that no
    // row of the script is written over.
    void startRecording() { m_recordingStarts = true; }

    // The hook procedure: called once per event, in input order. Delays come from the event's own time.
    void JournalRecordProc(int code, const EventMsg &event);

  private:
    // The delay a row gets; the first row of a recording also makes sure it has an open row to go to.
    std::int32_t delayOfRow(std::int32_t delay);

    ScriptTable &m_table;
    std::uint32_t &m_lastEventTime;
    bool m_recordingStarts = false;
};
