#pragma once

#include "ActionLine.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// The script: a string grid of 7 columns whose row 0 is the header and rows 1.. are action rows.
// Only column 4 (Action) and column 5 (Parameters) carry text; the other columns read empty, travel with
// their row and are never written. Texts are stored as code page 1251 bytes so that files round-trip
// byte for byte. Per row it keeps an action id (one of the nine recorder texts or an interned text) and
// the Parameters bytes in one arena, so millions of rows stay compact and append is amortised O(1).
//
// Grid rows are what every method takes; the Qt model exposes action rows only (model row = grid row - 1)
// and the header texts as its horizontal header.
class ScriptTable : public QAbstractTableModel
{
    Q_OBJECT

  public:
    static constexpr int ColumnCount = 7;
    static constexpr int ActionColumn = 4;
    static constexpr int ParametersColumn = 5;
    // Drawing a cell costs time and memory in proportion to its text: the view shows at most this many
    // characters of a cell, then "…". Every other reader gets the whole text.
    static constexpr int MaximumShownCharacters = 4096;

    explicit ScriptTable(QObject *parent = nullptr);

    // The model's rows skip the header: model row = grid row - 1. These are the one place that says so.
    static int gridRow(int modelRow) { return modelRow + 1; }
    static int gridRow(const QModelIndex &index) { return gridRow(index.row()); }
    static int modelRow(int gridRow) { return gridRow - 1; }
    QModelIndex gridIndex(int row, int column) const { return index(modelRow(row), column); }

    // Grid row count, header included; 2 in the initial state.
    int rows() const { return int(m_rows.size()) + 1; }
    // Grows with empty rows or drops the last rows with their texts; never below 2.
    void setRows(int count);
    // True when the last row is empty: the open row a recording writes into first.
    bool endsWithOpenRow() const;
    // The rows of the script itself: the action rows without an empty open row at the end.
    int scriptRowCount() const;

    // Bytes of a cell of an action row (row >= 1). Valid until the table changes.
    QByteArrayView cell(int column, int row) const;
    QByteArrayView action(int row) const { return cell(ActionColumn, row); }
    QByteArrayView parameters(int row) const { return cell(ParametersColumn, row); }
    // Decoded text of any cell; row 0 gives the header texts.
    QString cellText(int column, int row) const;

    // Writes column 4 or 5 of an action row; other columns stay empty.
    void setCell(int column, int row, QByteArrayView bytes);
    void setCellText(int column, int row, const QString &text);
    // Empties the seven cells of an action row.
    void clearRow(int row);

    // Takes the row at `from` out with all its cells and puts it in at `to`; rows between shift by one.
    void moveRowTo(int from, int to);
    // Removes an action row; the rows below move up.
    void deleteRow(int row);

    // Writes Action and Parameters into the last row, then adds a new empty last row.
    void appendToLastRow(RecordedAction action, QByteArrayView parameters);
    void appendToLastRow(QByteArrayView action, QByteArrayView parameters);

    void setHeaderText(int column, const QString &text);

    // Groups many changes into one model reset, so views do not process each row on its own.
    class BulkChange
    {
      public:
        explicit BulkChange(ScriptTable &table);
        ~BulkChange();
        BulkChange(const BulkChange &) = delete;
        BulkChange &operator=(const BulkChange &) = delete;

      private:
        ScriptTable &m_table;
    };

    // Makes room for a grid of `rowCount` rows and `parameterBytes` more Parameters bytes, so loading a
    // large script does not regrow its storage step by step.
    void reserve(int rowCount, std::size_t parameterBytes);
    // Gives back row storage reserved beyond the rows. The Parameters storage keeps its reserve: untouched,
    // it takes address space, not memory.
    void squeeze();

    // Approximate heap bytes held for the rows (for benchmarks).
    std::size_t memoryUsage() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  signals:
    // Emitted after the grid row count went down (rows dropped or deleted); after a bulk change it gives
    // the smallest count the table went through.
    void rowsShrunk(int newRowCount);

  private:
    // Eight bytes a row: where its Parameters are in the arena, and its action id. In the arena the bytes
    // follow their length, 7 bits to a byte; offset 0 holds the empty text, so a zero row is an empty row.
    class Row
    {
      public:
        std::uint64_t parametersOffset() const { return m_bits >> ActionBits; }
        std::uint32_t action() const { return std::uint32_t(m_bits & MaximumActionId); }
        void setParametersOffset(std::uint64_t offset) { m_bits = offset << ActionBits | (m_bits & MaximumActionId); }
        void setAction(std::uint32_t action) { m_bits = (m_bits & ~std::uint64_t(MaximumActionId)) | action; }

      private:
        std::uint64_t m_bits = 0;
    };
    static constexpr int ActionBits = 26;
    static constexpr std::uint32_t MaximumActionId = (1u << ActionBits) - 1;           // 67 million texts
    static constexpr std::uint64_t ArenaLimit = std::uint64_t(1) << (64 - ActionBits); // 256 GiB

    QByteArrayView parametersAt(std::uint64_t offset) const;
    std::uint64_t storedBytes(const Row &row) const;

    Row &rowAt(int row) { return m_rows[std::size_t(row - 1)]; }
    const Row &rowAt(int row) const { return m_rows[std::size_t(row - 1)]; }
    std::uint32_t internAction(QByteArrayView text);
    void appendWithActionId(std::uint32_t action, QByteArrayView parameters);
    void storeParameters(Row &row, QByteArrayView bytes);
    void compactArenaIfWasteful();
    void notifyRowsChanged(int firstRow, int lastRow);
    bool notifying() const { return m_bulkDepth == 0; }

    std::vector<Row> m_rows;
    std::vector<char> m_arena{0};
    std::uint64_t m_wastedBytes = 0;
    std::vector<QByteArray> m_actionTexts;
    QHash<QByteArray, std::uint32_t> m_actionIds;
    std::array<QString, ColumnCount> m_header;
    int m_bulkDepth = 0;
    int m_rowsAtBulkStart = 2;
    int m_smallestRowsInBulk = 2;
};
