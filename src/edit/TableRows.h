#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

#include <cstdint>
#include <vector>

class ScriptTable;

// A copy of the Action and Parameters texts of a run of action rows, from a given row to the end of the
// table, kept as compactly as the table keeps them, so a step of the undo history can put them back.
class TableRows
{
  public:
    // The rows `fromRow`..last of `table` (none when fromRow is past the last row).
    static TableRows capture(const ScriptTable &table, int fromRow);
    // One empty action row: what Clear leaves.
    static TableRows oneEmptyRow();

    // Makes rows `fromRow`.. of `table` exactly these rows, in one model reset; rows above stay.
    void restoreInto(ScriptTable &table, int fromRow) const;

    int count() const { return int(m_rows.size()); }
    QByteArrayView action(int index) const;
    QByteArrayView parameters(int index) const;

    // Approximate heap bytes held.
    std::size_t memoryUsage() const;

  private:
    struct Row {
        std::uint64_t parametersEnd = 0; // in m_parameters; a row's bytes start where the previous one's end
        std::uint32_t action = 0;        // index into m_actions
    };
    std::uint32_t internAction(QByteArrayView text);

    std::vector<Row> m_rows;
    std::vector<char> m_parameters;
    std::vector<QByteArray> m_actions;
    QHash<QByteArray, std::uint32_t> m_actionIds;
};
