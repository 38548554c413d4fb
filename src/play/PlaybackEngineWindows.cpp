// The rows that follow windows and turn the wheel.
#include "PlaybackEngine.h"

#include "core/Errors.h"
#include "script/ScriptTable.h"
#include "script/WindowRows.h"

#include <QCoreApplication>

#include <algorithm>

namespace
{

constexpr std::int64_t kMicrosPerMs = 1000;

// Among the windows of the anchor's class (topmost first), the first with its title, else the topmost.
const TopLevelWindow &chosenWindow(const std::vector<TopLevelWindow> &windows, const std::string &title)
{
    const auto named = std::find_if(windows.begin(), windows.end(),
                                    [&title](const TopLevelWindow &window) { return window.title == title; });
    return named != windows.end() ? *named : windows.front();
}

} // namespace

bool PlaybackEngine::wheelStep(int row)
{
    std::int32_t delay = 0;
    const WheelTurn turn = parseWheelParameters(m_table.parameters(row), delay);
    processEvents(false);
    if (!PumpedSleep(scaledDelay(delay, m_settings.speed())))
        return false;
    if (turn.vertical != 0)
        m_injector.mouseWheel(turn.vertical, false);
    if (turn.horizontal != 0)
        m_injector.mouseWheel(turn.horizontal, true);
    return true;
}

bool PlaybackEngine::anchorStep(int row)
{
    std::int32_t delay = 0;
    const WindowAnchor anchor = parseAnchorParameters(m_table.parameters(row), delay);
    processEvents(false);
    if (!PumpedSleep(scaledDelay(delay, m_settings.speed())))
        return false;
    m_offsetX = 0;
    m_offsetY = 0;
    m_anchoredWindow = 0;
    m_pressAfterAnchor = false;
    if (anchor.screen || m_windows == nullptr)
        return true;

    const std::string windowClass = anchor.windowClass.toStdString();
    const std::string instance = anchor.instance.toStdString();
    const std::string title = anchor.title.toStdString();
    const std::int64_t giveUp = m_clock.monotonicMicros() + m_settings.windowWaitMs * kMicrosPerMs;
    for (;;) {
        const std::vector<TopLevelWindow> windows = m_windows->find(windowClass, instance);
        if (!windows.empty()) {
            const TopLevelWindow &window = chosenWindow(windows, title);
            m_offsetX = window.x - anchor.x;
            m_offsetY = window.y - anchor.y;
            m_anchoredWindow = window.handle;
            m_pressAfterAnchor = true;
            return true;
        }
        const std::int64_t now = m_clock.monotonicMicros();
        if (now >= giveUp)
            throw ApplicationError(
                QCoreApplication::translate("PlaybackEngine", "Окно «%1» не найдено.").arg(anchor.displayName()));
        // A stop ends the wait at once, as it ends a row's wait.
        if (!sleepSliced(std::min(giveUp, now + WindowPollMs * kMicrosPerMs)))
            return false;
    }
}

bool PlaybackEngine::presses(QByteArrayView action)
{
    return action.contains(QByteArrayView("LDown")) || action.contains(QByteArrayView("RDown")) ||
           action.contains(QByteArrayView("MDown"));
}

bool PlaybackEngine::bringAnchoredWindowForward(int x, int y)
{
    m_pressAfterAnchor = false;
    if (m_windows == nullptr || m_windows->windowAt(x, y).handle == m_anchoredWindow)
        return true;
    m_windows->activate(m_anchoredWindow);
    // The window manager raises it in its own time; the press waits for it, a while at most.
    const std::int64_t giveUp = m_clock.monotonicMicros() + ActivationWaitMs * kMicrosPerMs;
    while (m_windows->windowAt(x, y).handle != m_anchoredWindow) {
        const std::int64_t now = m_clock.monotonicMicros();
        if (now >= giveUp)
            break;
        if (!sleepSliced(std::min(giveUp, now + 10 * kMicrosPerMs)))
            return false;
    }
    return true;
}
