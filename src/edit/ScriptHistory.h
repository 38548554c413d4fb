#pragma once

#include "TableRows.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUndoStack>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

class ScriptTable;

// The undo history of the script table: row moves, edits and deletions, and the changes that replace many
// rows at once (Clear, Open, a recording). Each step keeps only the rows it needs to go back or forth. The
// steps together stay below a memory limit: when a new step passes it, the oldest steps are dropped, and a
// step larger than the limit on its own is not kept at all. The history only changes the table (and, for
// Clear and Open, the caption); it never touches a file.
class ScriptHistory : public QObject
{
    Q_OBJECT

  public:
    static constexpr std::size_t DefaultMemoryLimit = std::size_t(64) * 1024 * 1024;

    // The Action and Parameters texts of one row.
    struct RowTexts {
        QByteArray action;
        QByteArray parameters;
        bool operator==(const RowTexts &other) const
        {
            return action == other.action && parameters == other.parameters;
        }
    };
    static RowTexts rowTexts(const ScriptTable &table, int row);

    // One change to the table that can be taken back and made again.
    class Change
    {
      public:
        virtual ~Change() = default;
        virtual void undo() = 0;
        virtual void redo() = 0;
        // Approximate heap bytes the change holds.
        virtual std::size_t memoryUsage() const = 0;
    };

    explicit ScriptHistory(ScriptTable &table, QObject *parent = nullptr, std::size_t memoryLimit = DefaultMemoryLimit);

    QUndoStack &stack() { return m_stack; }
    // Bytes the steps hold now.
    std::size_t memoryUsage() const;

    // Called with the row a step leaves selected.
    void setSelectRow(std::function<void(int row)> selectRow) { m_selectRow = std::move(selectRow); }
    // How steps that replace the whole table read and set the window caption.
    void setCaption(std::function<QString()> read, std::function<void(const QString &)> write);

    // Moves row `from` to `to` and records it.
    void moveRow(int from, int to);
    // Deletes a row (empties it when it is the only action row) and records it.
    void deleteRow(int row);
    // Makes rows `fromRow`.. the given ones (one empty row for Clear) and records it.
    void replaceRows(int fromRow, TableRows rows);
    // Records an edit of a row that has already happened.
    void rowEdited(int row, RowTexts before, RowTexts after);
    // Records a change that has already replaced rows `fromRow`..; `before` holds what they were. With
    // `captionBefore` the caption goes back and forth with the rows.
    void rowsReplaced(int fromRow, TableRows before, std::optional<QString> captionBefore = std::nullopt);

  private:
    void push(std::shared_ptr<Change> change, bool done);
    void dropOldestBeyondLimit();
    void selectRow(int row) const;

    ScriptTable &m_table;
    QUndoStack m_stack;
    std::size_t m_memoryLimit;
    std::function<void(int)> m_selectRow;
    std::function<QString()> m_readCaption;
    std::function<void(const QString &)> m_writeCaption;

    class RowMove;
    class RowDeletion;
    class RowEdit;
    class RowsReplacement;
};
