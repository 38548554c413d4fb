#include "TableRows.h"

#include "script/ScriptTable.h"

TableRows TableRows::capture(const ScriptTable &table, int fromRow)
{
    TableRows rows;
    const int first = std::max(fromRow, 1);
    if (first >= table.rows())
        return rows;
    rows.m_rows.reserve(std::size_t(table.rows() - first));
    for (int row = first; row < table.rows(); ++row) {
        const QByteArrayView parameters = table.parameters(row);
        rows.m_parameters.insert(rows.m_parameters.end(), parameters.begin(), parameters.end());
        rows.m_rows.push_back({rows.m_parameters.size(), rows.internAction(table.action(row))});
    }
    rows.m_rows.shrink_to_fit();
    rows.m_parameters.shrink_to_fit();
    return rows;
}

TableRows TableRows::oneEmptyRow()
{
    TableRows rows;
    rows.m_rows.push_back({0, rows.internAction({})});
    return rows;
}

std::uint32_t TableRows::internAction(QByteArrayView text)
{
    const QByteArray key = text.toByteArray();
    const auto found = m_actionIds.constFind(key);
    if (found != m_actionIds.constEnd())
        return found.value();
    const auto id = std::uint32_t(m_actions.size());
    m_actions.push_back(key);
    m_actionIds.insert(key, id);
    return id;
}

QByteArrayView TableRows::action(int index) const
{
    return m_actions[m_rows[std::size_t(index)].action];
}

QByteArrayView TableRows::parameters(int index) const
{
    const std::uint64_t begin = index == 0 ? 0 : m_rows[std::size_t(index - 1)].parametersEnd;
    const std::uint64_t end = m_rows[std::size_t(index)].parametersEnd;
    return QByteArrayView(m_parameters.data() + begin, qsizetype(end - begin));
}

void TableRows::restoreInto(ScriptTable &table, int fromRow) const
{
    const int first = std::max(fromRow, 1);
    const ScriptTable::BulkChange bulk(table);
    // Straight to the final size: a table that only passed through a smaller one does not report shrinking.
    // It never has fewer than one action row: when everything from row 1 goes, row 1 stays and is emptied.
    table.setRows(first + count());
    for (int row = first; row < table.rows(); ++row)
        table.clearRow(row);
    for (int index = 0; index < count(); ++index) {
        const int row = first + index;
        const QByteArrayView actionText = action(index);
        const QByteArrayView parametersText = parameters(index);
        if (!actionText.isEmpty())
            table.setCell(ScriptTable::ActionColumn, row, actionText);
        if (!parametersText.isEmpty())
            table.setCell(ScriptTable::ParametersColumn, row, parametersText);
    }
}

std::size_t TableRows::memoryUsage() const
{
    std::size_t bytes = sizeof(TableRows) + m_rows.capacity() * sizeof(Row) + m_parameters.capacity();
    for (const QByteArray &text : m_actions)
        bytes += sizeof(QByteArray) + std::size_t(text.capacity()) + 32; // the hash node that names it too
    return bytes;
}
