#include "ScriptHistory.h"

#include "script/ScriptTable.h"

#include <QUndoCommand>

#include <vector>

namespace
{

constexpr std::size_t kStepOverhead = 64; // the step objects themselves

// A step of the QUndoStack: a change shared with any later copy of the step, so that the history can be
// rebuilt without its oldest steps.
class Step : public QUndoCommand
{
  public:
    Step(std::shared_ptr<ScriptHistory::Change> change, bool done) : m_change(std::move(change)), m_done(done) {}
    void undo() override { m_change->undo(); }
    void redo() override
    {
        // QUndoStack::push redoes a step; one that records a change already made must not make it twice.
        if (m_done) {
            m_done = false;
            return;
        }
        m_change->redo();
    }
    const std::shared_ptr<ScriptHistory::Change> &change() const { return m_change; }

  private:
    std::shared_ptr<ScriptHistory::Change> m_change;
    bool m_done;
};

} // namespace

class ScriptHistory::RowMove : public Change
{
  public:
    RowMove(ScriptHistory &history, int from, int to) : m_history(history), m_from(from), m_to(to) {}
    void redo() override { move(m_from, m_to); }
    void undo() override { move(m_to, m_from); }
    std::size_t memoryUsage() const override { return sizeof(*this) + kStepOverhead; }

  private:
    void move(int from, int to)
    {
        m_history.m_table.moveRowTo(from, to);
        m_history.selectRow(to);
    }
    ScriptHistory &m_history;
    int m_from;
    int m_to;
};

class ScriptHistory::RowDeletion : public Change
{
  public:
    RowDeletion(ScriptHistory &history, int row) : m_history(history), m_row(row) {}
    void redo() override
    {
        ScriptTable &table = m_history.m_table;
        m_texts = rowTexts(table, m_row);
        m_onlyRow = table.rows() == 2;
        if (m_onlyRow)
            table.clearRow(m_row);
        else
            table.deleteRow(m_row); // a deleted last row falls back to the new last row through rowsShrunk
    }
    void undo() override
    {
        ScriptTable &table = m_history.m_table;
        if (!m_onlyRow) {
            table.setRows(table.rows() + 1);
            table.moveRowTo(table.rows() - 1, m_row);
        }
        table.setCell(ScriptTable::ActionColumn, m_row, m_texts.action);
        table.setCell(ScriptTable::ParametersColumn, m_row, m_texts.parameters);
        m_history.selectRow(m_row);
    }
    std::size_t memoryUsage() const override
    {
        return sizeof(*this) + kStepOverhead + std::size_t(m_texts.action.capacity() + m_texts.parameters.capacity());
    }

  private:
    ScriptHistory &m_history;
    int m_row;
    bool m_onlyRow = false;
    RowTexts m_texts;
};

class ScriptHistory::RowEdit : public Change
{
  public:
    RowEdit(ScriptHistory &history, int row, RowTexts before, RowTexts after)
        : m_history(history), m_row(row), m_before(std::move(before)), m_after(std::move(after))
    {
    }
    void redo() override { write(m_after); }
    void undo() override { write(m_before); }
    std::size_t memoryUsage() const override
    {
        return sizeof(*this) + kStepOverhead +
               std::size_t(m_before.action.capacity() + m_before.parameters.capacity() + m_after.action.capacity() +
                           m_after.parameters.capacity());
    }

  private:
    void write(const RowTexts &texts)
    {
        ScriptTable &table = m_history.m_table;
        table.setCell(ScriptTable::ActionColumn, m_row, texts.action);
        table.setCell(ScriptTable::ParametersColumn, m_row, texts.parameters);
        m_history.selectRow(m_row);
    }
    ScriptHistory &m_history;
    int m_row;
    RowTexts m_before;
    RowTexts m_after;
};

// Swaps the rows from a given row on (and maybe the caption) with the ones it holds: undo and redo are the
// same exchange, so only the side that is not in the table is ever kept.
class ScriptHistory::RowsReplacement : public Change
{
  public:
    RowsReplacement(ScriptHistory &history, int fromRow, TableRows other, std::optional<QString> otherCaption,
                    bool withCaption)
        : m_history(history), m_fromRow(fromRow), m_other(std::move(other)), m_otherCaption(std::move(otherCaption)),
          m_withCaption(withCaption)
    {
    }
    void redo() override { exchange(); }
    void undo() override { exchange(); }
    std::size_t memoryUsage() const override
    {
        return sizeof(*this) + kStepOverhead + m_other.memoryUsage() +
               std::size_t(m_otherCaption ? m_otherCaption->capacity() * 2 : 0);
    }

  private:
    void exchange()
    {
        ScriptTable &table = m_history.m_table;
        TableRows current = TableRows::capture(table, m_fromRow);
        std::optional<QString> currentCaption;
        if (m_withCaption && m_history.m_readCaption)
            currentCaption = m_history.m_readCaption();
        m_other.restoreInto(table, m_fromRow);
        if (m_otherCaption && m_history.m_writeCaption)
            m_history.m_writeCaption(*m_otherCaption);
        m_other = std::move(current);
        m_otherCaption = std::move(currentCaption);
    }
    ScriptHistory &m_history;
    int m_fromRow;
    TableRows m_other;
    std::optional<QString> m_otherCaption;
    bool m_withCaption;
};

ScriptHistory::ScriptHistory(ScriptTable &table, QObject *parent, std::size_t memoryLimit)
    : QObject(parent), m_table(table), m_memoryLimit(memoryLimit)
{
}

ScriptHistory::RowTexts ScriptHistory::rowTexts(const ScriptTable &table, int row)
{
    return {table.action(row).toByteArray(), table.parameters(row).toByteArray()};
}

void ScriptHistory::setCaption(std::function<QString()> read, std::function<void(const QString &)> write)
{
    m_readCaption = std::move(read);
    m_writeCaption = std::move(write);
}

void ScriptHistory::moveRow(int from, int to)
{
    push(std::make_shared<RowMove>(*this, from, to), false);
}

void ScriptHistory::deleteRow(int row)
{
    push(std::make_shared<RowDeletion>(*this, row), false);
}

void ScriptHistory::replaceRows(int fromRow, TableRows rows)
{
    // The caption the change leaves is the caller's; it is read the first time the change is undone.
    push(std::make_shared<RowsReplacement>(*this, fromRow, std::move(rows), std::nullopt, true), false);
}

void ScriptHistory::rowEdited(int row, RowTexts before, RowTexts after)
{
    if (before == after)
        return;
    push(std::make_shared<RowEdit>(*this, row, std::move(before), std::move(after)), true);
}

void ScriptHistory::rowsReplaced(int fromRow, TableRows before, std::optional<QString> captionBefore)
{
    const bool withCaption = captionBefore.has_value();
    push(std::make_shared<RowsReplacement>(*this, fromRow, std::move(before), std::move(captionBefore), withCaption),
         true);
}

void ScriptHistory::push(std::shared_ptr<Change> change, bool done)
{
    m_stack.push(new Step(std::move(change), done));
    dropOldestBeyondLimit();
}

std::size_t ScriptHistory::memoryUsage() const
{
    std::size_t bytes = 0;
    for (int index = 0; index < m_stack.count(); ++index)
        bytes += static_cast<const Step *>(m_stack.command(index))->change()->memoryUsage();
    return bytes;
}

void ScriptHistory::dropOldestBeyondLimit()
{
    // Right after a push every step is done and the steps that could be redone are gone.
    std::size_t bytes = 0;
    int keepFrom = m_stack.count();
    while (keepFrom > 0) {
        bytes += static_cast<const Step *>(m_stack.command(keepFrom - 1))->change()->memoryUsage();
        if (bytes > m_memoryLimit)
            break;
        --keepFrom;
    }
    if (keepFrom == 0)
        return;
    // QUndoStack cannot drop its oldest steps by itself: build it again from the newest ones.
    std::vector<std::shared_ptr<Change>> kept;
    for (int index = keepFrom; index < m_stack.count(); ++index)
        kept.push_back(static_cast<const Step *>(m_stack.command(index))->change());
    m_stack.clear();
    for (auto &change : kept)
        m_stack.push(new Step(std::move(change), true));
}

void ScriptHistory::selectRow(int row) const
{
    if (m_selectRow && row >= 1 && row < m_table.rows())
        m_selectRow(row);
}
