#pragma once

#include "StopRequest.h"
#include "platform/Platform.h"

#include <QByteArrayView>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class ScriptTable;

// Plays the rows of a script table against the desktop: repetitions, the intervals between them, each
// row's recorded delay scaled by the speed setting, and the mouse and key events of the rows.
//
// Everything runs on the calling (GUI) thread. Waits sleep in slices and process pending events after
// each, so commands such as Stop run nested inside a run; the slices are short enough that a stop arriving
// as a window-system event (the tray menu's Stop or Exit) ends a long wait well within 100 ms. A stop ends a wait at
// once, whether a nested command requested it or a stop seen off the GUI thread requested it and woke the clock; the
// row whose wait it ended does not act. The table is read afresh at every row, so edits made meanwhile take effect at
// the next row.
//
// Waits keep the recorded pace: each one ends a delay after the moment the previous one was due to end,
// not after the previous one really ended, so the time spent processing events and injecting does not
// add up over a long script. A run held up for longer than a short grace (a modal dialog opened inside
// it) starts counting afresh instead of firing the rows it is behind on in a burst.
//
// Events go out in batches: the injector is flushed before every wait, before events are processed, at the
// end of a run and, while rows follow each other without a wait, at least every FlushGapMicros. A burst of
// rows with no delays thus costs one write per batch instead of one per event, and paced rows still reach
// the desktop the moment their wait ends.
class PlaybackEngine
{
  public:
    struct Settings {
        // The speed in percent of the recorded delays, read before every row.
        std::function<int()> speed;
        // 0: fixed interval, anything else: random; read at every interval.
        std::function<int()> intervalMode;
        // Runs pending window-system events; commands run nested inside it.
        std::function<void()> processEvents;
        // Between rows that follow each other without a wait, events are processed at most this often, so
        // a script with no delays is not slowed down by polling an idle event queue three times a row.
        // After every wait they are processed at once. 0: at every point.
        std::int64_t eventGapMicros = 0;
        // How long an anchor row waits for its window to appear before the run fails.
        std::int64_t windowWaitMs = 10000;
    };

    enum class Outcome { Completed, Interrupted };

    // A run ends when `stop` is requested; whoever starts the run clears it first, so that a stop asked for
    // before (the end of a recording) does not end it.
    PlaybackEngine(const ScriptTable &table, Injector &injector, Clock &clock, const StopRequest &stop,
                   Settings settings);
    // However a run ends (completed, stopped, a failed row), it lets go of the keys and buttons it pressed.
    ~PlaybackEngine();
    PlaybackEngine(const PlaybackEngine &) = delete;
    PlaybackEngine &operator=(const PlaybackEngine &) = delete;

    // Plays `repeats` repetitions of the script with an interval of `first` seconds (fixed) or between
    // `first` and `second` seconds (random) between them. A count below 1 plays nothing. Throws
    // ConversionError at a row whose Parameters do not convert; the rows before it have played.
    Outcome run(int repeats, int first, int second);

    // The desktop's windows, which anchor rows look for; without them an anchor row changes nothing.
    void followWindows(DesktopWindows *windows) { m_windows = windows; }

    // Where the run is: the row playing (0 before the first) and the repetition (1-based).
    int currentRow() const { return m_row; }
    std::int64_t currentRepetition() const { return m_repetition; }

    // Releases, in reverse order, the keys and mouse buttons this run pressed and has not released.
    void releaseHeldInput();

    // Waits `ms` milliseconds from when the previous wait was due, in slices of at most SliceMs with events
    // processed after each; a negative wait is none. Ends early only on a stop, and then returns false.
    bool PumpedSleep(std::int64_t ms);

    // delay x (percent / 100), quotient first, in extended precision, rounded half to even, clamped to
    // 32 bits.
    static std::int32_t scaledDelay(std::int32_t delay, int percent);
    // The random interval in seconds for a draw from 0..second-1 (0 when second < 1).
    static std::int64_t randomIntervalSeconds(std::int64_t draw, std::int32_t first, std::int32_t second);

    static constexpr std::int64_t SliceMs = 50;
    // How far a run may fall behind its schedule before it stops trying to catch up.
    static constexpr std::int64_t CatchUpLimitMs = 50;
    // How long a run waits for modifier keys to be let go before it plays anyway: a modifier that stays
    // down (pressed by an earlier script and never released) must not stop every later run.
    static constexpr std::int64_t ModifierWaitLimitMs = 3000;
    // The longest an injected event waits in the injector's buffer while rows follow without a wait.
    static constexpr std::int64_t FlushGapMicros = 1000;
    // How often an anchor row looks for a window that is not there yet, and how long a press waits for the
    // window it raised to come to the front.
    static constexpr std::int64_t WindowPollMs = 50;
    static constexpr std::int64_t ActivationWaitMs = 1000;
    // How long before a button row is due the desktop is asked where the pointer is.
    static constexpr std::int64_t PointerCheckAheadMicros = 5000;

  private:
    // Waits for an interval between repetitions; false when a stop came meanwhile (the wait then ends).
    bool waitInterval(std::int64_t seconds);
    // Waits until no modifier key is held, so the first events do not arrive as Alt+click; false on a stop.
    bool waitForModifiersReleased();
    // Sleeps until `deadline`; false when a stop ended the wait.
    bool sleepSliced(std::int64_t deadline);
    bool stopped();
    Outcome interrupted();
    void processEvents(bool afterSleep);
    // Flushes the injector, then sleeps until `deadline`; false when the clock was woken.
    bool sleepUntil(std::int64_t deadline);
    void flush();
    void flushIfDue();
    void startSchedule();
    // Moves the schedule on by `micros` (none when negative) from when the previous wait was due.
    std::int64_t nextDeadline(std::int64_t micros);
    // Each returns false when a stop ended the row's wait; the row then did not act.
    bool playRow(int row);
    bool mouseStep(int row);
    bool keyStep(int row, bool down);
    // Rows of following windows and of the wheel (PlaybackEngineWindows.cpp).
    bool anchorStep(int row);
    bool wheelStep(int row);
    // Before the first press after an anchor: raises the anchored window when (x, y) lies on another one.
    // False when a stop ended the wait for it.
    bool bringAnchoredWindowForward(int x, int y);
    static bool presses(QByteArrayView action);
    bool placeAndPress(QByteArrayView action, int x, int y);
    struct HeldKey {
        int virtualKey;
        bool rightHand;
        bool operator==(const HeldKey &other) const
        {
            return virtualKey == other.virtualKey && rightHand == other.rightHand;
        }
    };
    void pressKey(HeldKey key, bool down);
    void pressButtons(QByteArrayView action);

    const ScriptTable &m_table;
    Injector &m_injector;
    Clock &m_clock;
    const StopRequest &m_stop;
    Settings m_settings;
    std::int64_t m_due = 0; // when the previous wait was due to end, microseconds
    int m_row = 0;
    std::int64_t m_repetition = 0;
    bool m_scheduled = false;
    std::int64_t m_lastEvents = 0;
    bool m_eventsProcessed = false;
    std::int64_t m_lastFlush = 0;
    std::vector<HeldKey> m_heldKeys; // keys pressed and not released, in press order
    std::uint32_t m_heldButtons = 0; // MouseEventFlag down flags
    DesktopWindows *m_windows = nullptr;
    // Added to the mouse rows after an anchor: where its window is now less where it was recorded.
    std::int32_t m_offsetX = 0;
    std::int32_t m_offsetY = 0;
    std::uintptr_t m_anchoredWindow = 0;
    bool m_pressAfterAnchor = false; // no press since the anchor found its window
    // The point of the button row whose wait is running, until the injector has been asked about it.
    std::optional<std::pair<int, int>> m_cursorCheck;
};
