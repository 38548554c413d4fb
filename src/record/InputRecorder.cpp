#include "InputRecorder.h"

#include "script/ScriptTable.h"

InputRecorder::InputRecorder(ScriptTable &table, std::uint32_t &lastEventTime)
    : m_table(table), m_lastEventTime(lastEventTime)
{
}

void InputRecorder::JournalRecordProc(int code, const EventMsg &event)
{
    Q_UNUSED(code);
    Q_UNUSED(event);
}
