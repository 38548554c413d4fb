#include "PlaybackEngine.h"

#include "InputInjection.h"
#include "ScaledDelay.h"
#include "core/Errors.h"
#include "core/KeyNames.h"
#include "script/ActionLine.h"
#include "script/Cp1251.h"
#include "script/IntegerConversion.h"
#include "script/ScriptTable.h"
#include "script/WindowRows.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <utility>

namespace
{

constexpr std::int64_t kMicrosPerMs = 1000;
constexpr std::int64_t kModifierPollMs = 10;

// Right Alt (AltGr) types other characters than the left one, and programs tell the right Ctrl from the left:
// for these two the recorded code decides which key plays. Every other key plays by its name alone.
bool playsRightHandKey(int virtualKey, std::int32_t code)
{
    return (virtualKey == VirtualKey::Menu && code == std::int32_t(RightAltCode)) ||
           (virtualKey == VirtualKey::Control && code == std::int32_t(RightControlCode));
}

std::int32_t toInt(QByteArrayView field)
{
    std::int32_t value = 0;
    if (!tryStrToInt(field, value))
        throw ConversionError(fromCp1251(field));
    return value;
}

// The button flags that undo a held down flag.
constexpr struct {
    std::uint32_t down;
    std::uint32_t up;
} kButtonReleases[] = {
    {MouseEventFlag::LeftDown, MouseEventFlag::LeftUp},
    {MouseEventFlag::RightDown, MouseEventFlag::RightUp},
    {MouseEventFlag::MiddleDown, MouseEventFlag::MiddleUp},
};

} // namespace

PlaybackEngine::PlaybackEngine(const ScriptTable &table, Injector &injector, Clock &clock, const StopRequest &stop,
                               Settings settings)
    : m_table(table), m_injector(injector), m_clock(clock), m_stop(stop), m_settings(std::move(settings))
{
}

PlaybackEngine::~PlaybackEngine()
{
    releaseHeldInput();
}

PlaybackEngine::Outcome PlaybackEngine::run(int repeats, int first, int second)
{
    // However the run ends (completed, stopped, a row failed), what it injected reaches the desktop now.
    struct FlushAtEnd {
        PlaybackEngine &engine;
        ~FlushAtEnd() { engine.flush(); }
    } flushAtEnd{*this};
    m_lastFlush = m_clock.monotonicMicros();
    if (repeats < 1)
        return Outcome::Completed;
    if (!waitForModifiersReleased())
        return interrupted();
    startSchedule();

    for (std::int64_t repetition = 1; repetition <= repeats; ++repetition) {
        m_repetition = repetition;
        m_row = 0;
        // Every repetition starts on the screen, as the recording did.
        m_offsetX = 0;
        m_offsetY = 0;
        m_pressAfterAnchor = false;
        if (repetition > 1) {
            std::int64_t seconds = first;
            if (m_settings.intervalMode() != 0) {
                const auto seed = std::uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
                std::mt19937_64 generator(seed ^ std::uint64_t(m_clock.monotonicMicros()));
                const std::int64_t draw =
                    second < 1 ? 0 : std::uniform_int_distribution<std::int64_t>(0, second - 1)(generator);
                seconds = randomIntervalSeconds(draw, first, second);
            }
            // A stop during the pause between repetitions, or during the last row's wait, ends the run.
            if (!waitInterval(seconds))
                return interrupted();
        }
        for (int row = 1; row <= m_table.rows() - 1; ++row) {
            flushIfDue();
            processEvents(false);
            if (m_stop.requested())
                return interrupted();
            m_row = row;
            if (!playRow(row))
                return interrupted();
        }
    }
    // Held input carries over from one repetition to the next, but not past the end of the run: a key left
    // down would go on repeating into whatever has the focus.
    releaseHeldInput();
    return Outcome::Completed;
}

PlaybackEngine::Outcome PlaybackEngine::interrupted()
{
    // At once, not when the engine goes: the caller still has a balloon to show.
    releaseHeldInput();
    return Outcome::Interrupted;
}

bool PlaybackEngine::playRow(int row)
{
    // The rows of following windows and of the wheel are told by their whole text, and are nothing else.
    if (isAnchorAction(m_table.action(row)))
        return anchorStep(row);
    if (isWheelAction(m_table.action(row)))
        return wheelStep(row);
    // The Action text is read again for each step: a command that ran during a wait may have changed it.
    if (classifyAction(m_table.action(row)).mouse && !mouseStep(row))
        return false;
    if (classifyAction(m_table.action(row)).keyDown && !keyStep(row, true))
        return false;
    if (classifyAction(m_table.action(row)).keyUp && !keyStep(row, false))
        return false;
    return true;
}

bool PlaybackEngine::mouseStep(int row)
{
    const auto fields = splitParameters(m_table.parameters(row));
    const std::int32_t x = toInt(fields.first);
    const std::int32_t y = toInt(fields.second);
    const std::int32_t delay = toInt(fields.third);
    const int placedX = int(std::clamp<std::int64_t>(std::int64_t(x) + m_offsetX, INT32_MIN, INT32_MAX));
    const int placedY = int(std::clamp<std::int64_t>(std::int64_t(y) + m_offsetY, INT32_MIN, INT32_MAX));
    processEvents(false);
    // A button row that only places the cursor asks where it is during its wait (sleepSliced).
    const QByteArrayView waiting = m_table.action(row);
    if (!waiting.contains(QByteArrayView("Move")) && !(m_pressAfterAnchor && presses(waiting)))
        m_cursorCheck.emplace(placedX, placedY);
    const bool waited = PumpedSleep(scaledDelay(delay, m_settings.speed()));
    m_cursorCheck.reset();
    if (!waited)
        return false;
    // A Move row moves (the word as the row's kind is told by it); a button row only makes sure the cursor is
    // at its point.
    const QByteArrayView action = m_table.action(row);
    if (m_pressAfterAnchor && presses(action)) {
        if (!bringAnchoredWindowForward(placedX, placedY))
            return false;
        // The wait for the window let commands run, which may have changed the row.
        return placeAndPress(m_table.action(row), placedX, placedY);
    }
    return placeAndPress(action, placedX, placedY);
}

bool PlaybackEngine::placeAndPress(QByteArrayView action, int x, int y)
{
    if (action.contains(QByteArrayView("Move")))
        m_injector.setCursorPos(x, y);
    else
        m_injector.placeCursorForButton(x, y);
    pressButtons(action);
    return true;
}

bool PlaybackEngine::keyStep(int row, bool down)
{
    const auto fields = splitParameters(m_table.parameters(row));
    const std::int32_t code = toInt(fields.second);
    const std::int32_t delay = toInt(fields.third);
    // Looked up now: the name's bytes live in the table, which may change during the wait.
    const std::optional<int> virtualKey = VirtualKeyFromKeyName(fields.first);
    processEvents(false);
    if (!PumpedSleep(scaledDelay(delay, m_settings.speed())))
        return false;
    if (virtualKey)
        pressKey({*virtualKey, playsRightHandKey(*virtualKey, code)}, down);
    return true;
}

void PlaybackEngine::pressKey(HeldKey key, bool down)
{
    SendKey(m_injector, key.virtualKey, down ? QByteArrayView("down") : QByteArrayView("up"), key.rightHand);
    const auto held = std::find(m_heldKeys.begin(), m_heldKeys.end(), key);
    if (down && held == m_heldKeys.end())
        m_heldKeys.push_back(key);
    else if (!down && held != m_heldKeys.end())
        m_heldKeys.erase(held);
}

void PlaybackEngine::pressButtons(QByteArrayView action)
{
    for (const MouseButtonAction button : MouseButtonOrder) {
        if (!action.contains(mouseButtonWord(button)))
            continue;
        const std::uint32_t flags = mouseEventFlags(button);
        m_injector.mouseEvent(flags);
        for (const auto &release : kButtonReleases) {
            if (flags & release.down)
                m_heldButtons |= release.down;
            if (flags & release.up)
                m_heldButtons &= ~release.down;
        }
    }
}

void PlaybackEngine::releaseHeldInput()
{
    while (!m_heldKeys.empty()) {
        const HeldKey key = m_heldKeys.back();
        m_heldKeys.pop_back();
        SendKey(m_injector, key.virtualKey, QByteArrayView("up"), key.rightHand);
    }
    for (const auto &release : kButtonReleases) {
        if (m_heldButtons & release.down)
            m_injector.mouseEvent(MouseEventFlag::Absolute | release.up);
    }
    m_heldButtons = 0;
    flush();
}

void PlaybackEngine::flush()
{
    m_injector.flush();
    m_lastFlush = m_clock.monotonicMicros();
}

void PlaybackEngine::flushIfDue()
{
    if (m_clock.monotonicMicros() - m_lastFlush >= FlushGapMicros)
        flush();
}

bool PlaybackEngine::sleepUntil(std::int64_t deadline)
{
    flush();
    return m_clock.sleepUntil(deadline);
}

void PlaybackEngine::startSchedule()
{
    m_due = m_clock.monotonicMicros();
    m_scheduled = true;
}

std::int64_t PlaybackEngine::nextDeadline(std::int64_t micros)
{
    // Held up (a nested dialog): count from now rather than catch up in a burst.
    if (!m_scheduled || m_clock.monotonicMicros() - m_due > CatchUpLimitMs * kMicrosPerMs)
        startSchedule();
    m_due += std::max<std::int64_t>(micros, 0);
    return m_due;
}

bool PlaybackEngine::PumpedSleep(std::int64_t ms)
{
    return sleepSliced(nextDeadline(ms * kMicrosPerMs));
}

bool PlaybackEngine::waitInterval(std::int64_t seconds)
{
    if (m_stop.requested())
        return false;
    return sleepSliced(nextDeadline(seconds * 1000 * kMicrosPerMs));
}

bool PlaybackEngine::stopped()
{
    // The wait was cut short: the schedule goes on from here.
    m_due = m_clock.monotonicMicros();
    return false;
}

bool PlaybackEngine::sleepSliced(std::int64_t deadline)
{
    // A stop ends the wait as soon as it is known: after a round of events in which a command set it, or
    // when a stop seen elsewhere wakes the sleep. A wake without a stop sleeps on to the same deadline.
    const std::int64_t slice = SliceMs * kMicrosPerMs;
    bool sliced = false;
    for (std::int64_t now = m_clock.monotonicMicros(); deadline - now > slice; now = m_clock.monotonicMicros()) {
        sleepUntil(now + slice);
        processEvents(true);
        sliced = true;
        if (m_stop.requested())
            return stopped();
    }
    // The last round of events comes before the remainder rather than after it, so that the row acts the
    // moment its wait ends and not after a repaint.
    const bool due = m_clock.monotonicMicros() < deadline;
    processEvents(due && !sliced);
    if (m_stop.requested())
        return stopped();
    // A button row's question to the desktop goes a little ahead of its time: the answer is a round trip,
    // which would otherwise hold the press up.
    if (m_cursorCheck && m_clock.monotonicMicros() < deadline) {
        const std::int64_t askAt = deadline - PointerCheckAheadMicros;
        while (m_clock.monotonicMicros() < askAt && !sleepUntil(askAt)) {
            processEvents(true);
            if (m_stop.requested())
                return stopped();
        }
        const auto [x, y] = *std::exchange(m_cursorCheck, std::nullopt);
        m_injector.checkCursorForButton(x, y);
    }
    while (m_clock.monotonicMicros() < deadline && !sleepUntil(deadline)) {
        processEvents(true);
        if (m_stop.requested())
            return stopped();
    }
    // A stop seen elsewhere just as the sleep ended still comes before the row.
    return !m_stop.requested() || stopped();
}

void PlaybackEngine::processEvents(bool afterSleep)
{
    if (m_settings.eventGapMicros > 0 && !afterSleep && m_eventsProcessed &&
        m_clock.monotonicMicros() - m_lastEvents < m_settings.eventGapMicros)
        return;
    // A command run meanwhile may take long (a modal dialog): nothing injected waits for it.
    flush();
    m_settings.processEvents();
    m_eventsProcessed = true;
    m_lastEvents = m_clock.monotonicMicros();
}

bool PlaybackEngine::waitForModifiersReleased()
{
    const std::int64_t giveUp = m_clock.monotonicMicros() + ModifierWaitLimitMs * kMicrosPerMs;
    while (m_injector.modifiersHeld() && m_clock.monotonicMicros() < giveUp) {
        processEvents(true);
        if (m_stop.requested())
            return false;
        sleepUntil(m_clock.monotonicMicros() + kModifierPollMs * kMicrosPerMs);
    }
    return true;
}

std::int32_t PlaybackEngine::scaledDelay(std::int32_t delay, int percent)
{
    return scaleDelayLikeExtended(delay, percent);
}

std::int64_t PlaybackEngine::randomIntervalSeconds(std::int64_t draw, std::int32_t first, std::int32_t second)
{
    std::int64_t seconds = draw;
    if (seconds < first)
        seconds += first;
    if (seconds > second)
        seconds = second;
    return seconds;
}
