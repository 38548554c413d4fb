#include "ScriptTable.h"

#include "Cp1251.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

ScriptTable::ScriptTable(QObject *parent) : QAbstractTableModel(parent), m_rows(1)
{
    for (int i = 0; i < RecordedActionCount; ++i) {
        const QByteArrayView text = recordedActionText(static_cast<RecordedAction>(i));
        m_actionTexts.emplace_back(text.data(), text.size());
        m_actionIds.insert(m_actionTexts.back(), std::uint32_t(i));
    }
}

void ScriptTable::setRows(int count)
{
    count = std::max(count, 2);
    const int old = rows();
    if (count == old)
        return;
    if (count > old) {
        if (notifying())
            beginInsertRows(QModelIndex(), modelRow(old), modelRow(count - 1));
        m_rows.resize(std::size_t(count - 1));
        if (notifying())
            endInsertRows();
        return;
    }
    if (notifying())
        beginRemoveRows(QModelIndex(), modelRow(count), modelRow(old - 1));
    for (std::size_t i = std::size_t(count - 1); i < m_rows.size(); ++i)
        m_wastedBytes += storedBytes(m_rows[i]);
    m_rows.resize(std::size_t(count - 1));
    if (notifying()) {
        endRemoveRows();
        emit rowsShrunk(count);
    }
    m_smallestRowsInBulk = std::min(m_smallestRowsInBulk, count);
    compactArenaIfWasteful();
}

QByteArrayView ScriptTable::cell(int column, int row) const
{
    if (row < 1 || row >= rows())
        return {};
    const Row &r = rowAt(row);
    if (column == ActionColumn) {
        const QByteArray &text = m_actionTexts[r.action()];
        return QByteArrayView(text.constData(), text.size());
    }
    if (column == ParametersColumn)
        return parametersAt(r.parametersOffset());
    return {};
}

QString ScriptTable::cellText(int column, int row) const
{
    if (row == 0)
        return column >= 0 && column < ColumnCount ? m_header[std::size_t(column)] : QString();
    return fromCp1251(cell(column, row));
}

void ScriptTable::setCell(int column, int row, QByteArrayView bytes)
{
    if (row < 1 || row >= rows())
        return;
    Row &r = rowAt(row);
    if (column == ActionColumn)
        r.setAction(internAction(bytes));
    else if (column == ParametersColumn)
        storeParameters(r, bytes);
    else
        return;
    if (notifying())
        notifyRowsChanged(row, row);
    compactArenaIfWasteful();
}

void ScriptTable::setCellText(int column, int row, const QString &text)
{
    setCell(column, row, toCp1251(text));
}

void ScriptTable::clearRow(int row)
{
    if (row < 1 || row >= rows())
        return;
    Row &r = rowAt(row);
    m_wastedBytes += storedBytes(r);
    r = Row();
    if (notifying())
        notifyRowsChanged(row, row);
}

void ScriptTable::moveRowTo(int from, int to)
{
    if (from < 1 || to < 1 || from >= rows() || to >= rows() || from == to)
        return;
    const auto first = m_rows.begin() + (from - 1);
    const auto target = m_rows.begin() + (to - 1);
    if (from < to)
        std::rotate(first, first + 1, target + 1);
    else
        std::rotate(target, first, first + 1);
    if (notifying())
        notifyRowsChanged(std::min(from, to), std::max(from, to));
}

void ScriptTable::deleteRow(int row)
{
    if (row < 1 || row >= rows())
        return;
    if (notifying())
        beginRemoveRows(QModelIndex(), modelRow(row), modelRow(row));
    m_wastedBytes += storedBytes(rowAt(row));
    m_rows.erase(m_rows.begin() + modelRow(row));
    if (notifying()) {
        endRemoveRows();
        emit rowsShrunk(rows());
    }
    m_smallestRowsInBulk = std::min(m_smallestRowsInBulk, rows());
    compactArenaIfWasteful();
}

void ScriptTable::appendToLastRow(RecordedAction action, QByteArrayView parameters)
{
    appendWithActionId(std::uint32_t(action), parameters);
}

void ScriptTable::appendToLastRow(QByteArrayView action, QByteArrayView parameters)
{
    appendWithActionId(internAction(action), parameters);
}

void ScriptTable::appendWithActionId(std::uint32_t action, QByteArrayView parameters)
{
    Row &last = m_rows.back();
    last.setAction(action);
    storeParameters(last, parameters);
    if (notifying()) {
        notifyRowsChanged(rows() - 1, rows() - 1);
        beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size()));
    }
    m_rows.emplace_back();
    if (notifying())
        endInsertRows();
}

void ScriptTable::setHeaderText(int column, const QString &text)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_header[std::size_t(column)] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

ScriptTable::BulkChange::BulkChange(ScriptTable &table) : m_table(table)
{
    if (m_table.m_bulkDepth++ == 0) {
        m_table.beginResetModel();
        m_table.m_rowsAtBulkStart = m_table.rows();
        m_table.m_smallestRowsInBulk = m_table.rows();
    }
}

ScriptTable::BulkChange::~BulkChange()
{
    if (--m_table.m_bulkDepth == 0) {
        m_table.endResetModel();
        // Report the smallest size the table went through, so a selection past it falls back.
        if (m_table.m_smallestRowsInBulk < m_table.m_rowsAtBulkStart)
            emit m_table.rowsShrunk(m_table.m_smallestRowsInBulk);
    }
}

void ScriptTable::reserve(int rowCount, std::size_t parameterBytes)
{
    if (rowCount > rows())
        m_rows.reserve(std::size_t(rowCount - 1));
    m_arena.reserve(m_arena.size() + parameterBytes);
}

void ScriptTable::squeeze()
{
    // Only the rows: the Parameters storage keeps its reserve, which costs address space and no memory until
    // it is written (the next recording writes there), while giving it back would copy every byte of it.
    if (m_rows.capacity() - m_rows.size() > m_rows.size() / 4 + 256)
        m_rows.shrink_to_fit();
}

std::size_t ScriptTable::memoryUsage() const
{
    std::size_t bytes = m_rows.capacity() * sizeof(Row) + m_arena.capacity();
    for (const QByteArray &text : m_actionTexts)
        bytes += std::size_t(text.capacity()) + sizeof(QByteArray);
    return bytes;
}

int ScriptTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ScriptTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ScriptTable::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const int column = index.column();
    if (column != ActionColumn && column != ParametersColumn)
        return QString();
    const QByteArrayView bytes = cell(column, gridRow(index));
    // One byte per character in code page 1251.
    if (bytes.size() > MaximumShownCharacters)
        return fromCp1251(bytes.first(MaximumShownCharacters)) + QChar(0x2026);
    return fromCp1251(bytes);
}

QVariant ScriptTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    return m_header[std::size_t(section)];
}

std::uint32_t ScriptTable::internAction(QByteArrayView text)
{
    const RecordedAction recorded = recordedActionFromText(text);
    if (recorded != RecordedAction::None || text.isEmpty())
        return std::uint32_t(recorded);
    // Look up without copying; only a text seen for the first time is stored.
    const auto found = m_actionIds.constFind(QByteArray::fromRawData(text.data(), text.size()));
    if (found != m_actionIds.constEnd())
        return found.value();
    if (m_actionTexts.size() > MaximumActionId)
        throw std::length_error("too many different Action texts");
    const QByteArray key(text.data(), text.size());
    const auto id = std::uint32_t(m_actionTexts.size());
    m_actionTexts.push_back(key);
    m_actionIds.insert(key, id);
    return id;
}

QByteArrayView ScriptTable::parametersAt(std::uint64_t offset) const
{
    const auto *p = reinterpret_cast<const unsigned char *>(m_arena.data() + offset);
    std::uint64_t length = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char byte = *p++;
        length |= std::uint64_t(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0)
            break;
    }
    return QByteArrayView(reinterpret_cast<const char *>(p), qsizetype(length));
}

std::uint64_t ScriptTable::storedBytes(const Row &row) const
{
    if (row.parametersOffset() == 0)
        return 0;
    const QByteArrayView bytes = parametersAt(row.parametersOffset());
    return std::uint64_t(bytes.data() + bytes.size() - (m_arena.data() + row.parametersOffset()));
}

void ScriptTable::storeParameters(Row &row, QByteArrayView bytes)
{
    m_wastedBytes += storedBytes(row);
    if (bytes.isEmpty()) {
        row.setParametersOffset(0);
        return;
    }
    const std::uint64_t offset = m_arena.size();
    if (offset + std::uint64_t(bytes.size()) + 10 >= ArenaLimit)
        throw std::length_error("the Parameters texts exceed the table's storage");
    for (auto length = std::uint64_t(bytes.size());; length >>= 7) {
        if (length < 0x80) {
            m_arena.push_back(char(length));
            break;
        }
        m_arena.push_back(char(0x80 | (length & 0x7F)));
    }
    m_arena.insert(m_arena.end(), bytes.data(), bytes.data() + bytes.size());
    row.setParametersOffset(offset);
}

void ScriptTable::compactArenaIfWasteful()
{
    constexpr std::uint64_t minimumWaste = 1u << 20;
    if (m_wastedBytes < minimumWaste || m_wastedBytes * 2 < m_arena.size())
        return;
    std::vector<char> compact;
    compact.reserve(m_arena.size() - m_wastedBytes);
    compact.push_back(0); // the empty text
    for (Row &row : m_rows) {
        if (row.parametersOffset() == 0)
            continue;
        const std::uint64_t offset = compact.size();
        const char *const stored = m_arena.data() + row.parametersOffset();
        compact.insert(compact.end(), stored, stored + storedBytes(row));
        row.setParametersOffset(offset);
    }
    m_arena.swap(compact);
    m_wastedBytes = 0;
}

void ScriptTable::notifyRowsChanged(int firstRow, int lastRow)
{
    emit dataChanged(gridIndex(firstRow, 0), gridIndex(lastRow, ColumnCount - 1));
}

bool ScriptTable::endsWithOpenRow() const
{
    const int last = rows() - 1;
    return action(last).isEmpty() && parameters(last).isEmpty();
}

int ScriptTable::scriptRowCount() const
{
    const int last = rows() - 1;
    return endsWithOpenRow() ? last - 1 : last;
}
