#include "InputRecorder.h"

#include "core/KeyNames.h"
#include "script/ScriptTable.h"
#include "script/WindowRows.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace
{

constexpr std::uint32_t LastKeyboardMessage = 500;

// Parameters of one row: at most a key name and two 32-bit numbers with their separators. Kept on the
// stack, since the recorder runs for every input event of the desktop.
class ParametersBuffer
{
  public:
    ParametersBuffer() = default;
    ParametersBuffer(const ParametersBuffer &) = delete;
    ParametersBuffer &operator=(const ParametersBuffer &) = delete;

    // Called first, for the key name; names are far shorter than the room kept for them.
    void appendText(QByteArrayView text)
    {
        const std::size_t n = std::min(std::size_t(text.size()), NameRoom);
        // An empty name may come with no data pointer at all, which memcpy must not be given.
        if (n > 0)
            std::memcpy(m_pos, text.data(), n);
        m_pos += n;
    }
    template <typename Integer> void appendNumber(Integer value)
    {
        // Room for any 32-bit value is guaranteed by the buffer size, so to_chars cannot fail here.
        m_pos = std::to_chars(m_pos, m_end, value).ptr;
    }
    void appendSeparator() { *m_pos++ = ';'; }
    QByteArrayView view() const { return QByteArrayView(m_data, m_pos - m_data); }

  private:
    static constexpr std::size_t NameRoom = 32;
    static constexpr std::size_t NumberRoom = 11; // "-2147483648" or "4294967295"
    char m_data[NameRoom + 1 + NumberRoom + 1 + NumberRoom];
    char *m_pos = m_data;
    char *const m_end = m_data + sizeof(m_data);
};

RecordedAction mouseAction(std::uint32_t message)
{
    switch (message) {
    case InputMessage::MouseMove:
        return RecordedAction::Move;
    case InputMessage::LButtonDown:
        return RecordedAction::LDown;
    case InputMessage::LButtonUp:
        return RecordedAction::LUp;
    case InputMessage::RButtonDown:
        return RecordedAction::RDown;
    case InputMessage::RButtonUp:
        return RecordedAction::RUp;
    case InputMessage::MButtonDown:
        return RecordedAction::MDown;
    case InputMessage::MButtonUp:
        return RecordedAction::MUp;
    default:
        return RecordedAction::None;
    }
}

RecordedAction keyAction(std::uint32_t message)
{
    switch (message) {
    case InputMessage::KeyDown:
    case InputMessage::SysKeyDown:
        return RecordedAction::KeyDown;
    case InputMessage::KeyUp:
    case InputMessage::SysKeyUp:
        return RecordedAction::KeyUp;
    default:
        return RecordedAction::None;
    }
}

} // namespace

InputRecorder::InputRecorder(ScriptTable &table, std::uint32_t &lastEventTime)
    : m_table(table), m_lastEventTime(lastEventTime)
{
}

void InputRecorder::JournalRecordProc(int code, const EventMsg &event)
{
    // The hook only observes: events reach the desktop whatever happens here.
    if (code != Hook::Action)
        return;

    // The clock restarts on every event, recorded or not, so a row's delay counts from the previous event
    // of any kind. Unsigned subtraction wraps like the tick counter does.
    auto delay = static_cast<std::int32_t>(event.time - m_lastEventTime);
    m_lastEventTime = event.time;
    if (m_table.rows() == 2)
        delay = 1;

    ParametersBuffer parameters;
    if (event.message <= LastKeyboardMessage) {
        const RecordedAction action = keyAction(event.message);
        if (action == RecordedAction::None)
            return;
        delay = delayOfRow(delay);
        parameters.appendText(KeyNameFromScanCode(event.paramH));
        parameters.appendSeparator();
        parameters.appendNumber(event.paramH);
        parameters.appendSeparator();
        parameters.appendNumber(delay);
        m_table.appendToLastRow(action, parameters.view());
        return;
    }

    const RecordedAction action = mouseAction(event.message);
    if (action == RecordedAction::None) {
        const bool wheel = event.message == InputMessage::MouseWheel || event.message == InputMessage::MouseHWheel;
        if (wheel && m_options.wheel) {
            const bool horizontal = event.message == InputMessage::MouseHWheel;
            const WheelTurn turn{horizontal ? 0 : event.wheelDelta, horizontal ? event.wheelDelta : 0};
            m_table.appendToLastRow(WheelActionText, wheelParameters(turn, delayOfRow(delay)));
        }
        return;
    }
    delay = delayOfRow(delay);
    if (m_options.windows &&
        (action == RecordedAction::LDown || action == RecordedAction::RDown || action == RecordedAction::MDown))
        anchorBeforePress(static_cast<std::int32_t>(event.paramL), static_cast<std::int32_t>(event.paramH),
                          event.window.get());
    parameters.appendNumber(static_cast<std::int32_t>(event.paramL));
    parameters.appendSeparator();
    parameters.appendNumber(static_cast<std::int32_t>(event.paramH));
    parameters.appendSeparator();
    parameters.appendNumber(delay);
    m_table.appendToLastRow(action, parameters.view());
}

void InputRecorder::startRecording(RecordOptions options, DesktopWindows *windows)
{
    m_recordingStarts = true;
    m_options = options;
    m_windows = windows;
    m_lastAnchor = WindowAnchor();
}

WindowAnchor InputRecorder::anchorOf(const TopLevelWindow &window)
{
    WindowAnchor anchor;
    if (window.handle == 0)
        return anchor;
    anchor.screen = false;
    anchor.windowClass = QString::fromStdString(window.windowClass);
    anchor.instance = QString::fromStdString(window.instance);
    anchor.title = QString::fromStdString(window.title);
    anchor.x = window.x;
    anchor.y = window.y;
    anchor.width = window.width;
    anchor.height = window.height;
    return anchor;
}

void InputRecorder::anchorBeforePress(std::int32_t x, std::int32_t y, const TopLevelWindow *atPress)
{
    // A hook that knew the window as the button went down is right even when the press closed it at once;
    // asked now, the desktop tells what is there by the time the event is handed over.
    if (atPress == nullptr && m_windows == nullptr)
        return;
    const WindowAnchor anchor = anchorOf(atPress != nullptr ? *atPress : m_windows->windowAt(x, y));
    if (anchor == m_lastAnchor)
        return;
    m_lastAnchor = anchor;
    m_table.appendToLastRow(AnchorActionText, anchorParameters(anchor));
}

std::int32_t InputRecorder::delayOfRow(std::int32_t delay)
{
    if (!m_recordingStarts)
        return delay;
    m_recordingStarts = false;
    // A script opened from a file, or whose open row was deleted, may end in a row of its own.
    if (!m_table.endsWithOpenRow())
        m_table.setRows(m_table.rows() + 1);
    return 1;
}
