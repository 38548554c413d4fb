#pragma once

#include "platform/Platform.h"
#include "script/WindowRows.h"

#include <cstdint>

class ScriptTable;

// What a recording writes beyond the key, move and button rows; both off, a recording is what it always was.
struct RecordOptions {
    bool windows = false; // an anchor row before a press on another window than the last anchor's
    bool wheel = false;   // a wheel row for each turn of the wheel
};

// Turns input event records into rows of the script table: one row per key press or release, mouse move
// and left/right/middle button press or release, with the delay since the previous event of any kind; with
// the options, also wheel rows and the anchor rows of the windows clicked.
class InputRecorder
{
  public:
    // `lastEventTime` is the main window's clock of the last event seen; nothing here resets it.
    InputRecorder(ScriptTable &table, std::uint32_t &lastEventTime);

    // Called as a recording starts. Its first row gets the delay 1, since the time before it belongs to no
    // input of this recording, and goes below the table's last row when that row is not empty, so that no
    // row of the script is written over.
    // With options.windows, the window under each press is the one the event names, else `windows` tells it
    // (neither: no anchors are written). The hook is asked to name them with InputHook::setPressWindows.
    void startRecording(RecordOptions options = RecordOptions(), DesktopWindows *windows = nullptr);

    // The hook procedure: called once per event, in input order. Delays come from the event's own time.
    void JournalRecordProc(int code, const EventMsg &event);

    // The anchor row's content for a desktop window; handle 0 gives the screen's anchor.
    static WindowAnchor anchorOf(const TopLevelWindow &window);

  private:
    // The delay a row gets; the first row of a recording also makes sure it has an open row to go to.
    std::int32_t delayOfRow(std::int32_t delay);
    // Before a press: an anchor row when the window under (x, y) is not the last anchor's as it was then.
    // `atPress` is that window as the hook saw it at the press; without it the desktop is asked.
    void anchorBeforePress(std::int32_t x, std::int32_t y, const TopLevelWindow *atPress);

    ScriptTable &m_table;
    std::uint32_t &m_lastEventTime;
    bool m_recordingStarts = false;
    RecordOptions m_options;
    DesktopWindows *m_windows = nullptr;
    WindowAnchor m_lastAnchor; // the screen until a press on a window
};
