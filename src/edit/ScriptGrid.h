#pragma once

#include <QAbstractItemView>

class QHeaderView;
class QPainter;

// The view of the script table: a grid of columns under a header, whose rows all have one height.
//
// A QTableView keeps a header section for every row, even with its row header hidden: the position and
// size of each, bytes per row that a script of ten million rows pays in memory and in time at every model
// reset. Here a row's place is its number times the row height, so the view keeps nothing per row; only
// the columns have header sections, which the user resizes as in a table view.
//
// Focus arriving by the keyboard does not make the first row current: the selected row of the row commands
// follows the current row, and focus alone must select nothing. A click or a move with the keyboard still
// does.
class ScriptGrid : public QAbstractItemView
{
    Q_OBJECT

  public:
    explicit ScriptGrid(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;

    QHeaderView *horizontalHeader() const { return m_header; }
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);
    int rowHeight() const { return m_rowHeight; }
    void setRowHeight(int height);

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;
    void reset() override;

  protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &index) const override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;

  private:
    int rowCount() const;
    int columnCount() const;
    // The first row shown at the top of the viewport.
    int firstShownRow() const;
    // Rows that fit whole into the viewport, at least 1.
    int rowsPerPage() const;
    // The row under viewport y, or -1 below the last row.
    int rowAtY(int y) const;
    int columnAtX(int x) const;
    // The viewport y of a row's top, held within reach of a paint device's coordinates.
    int rowY(int row) const;
    QModelIndex cellIndex(int row, int column) const;
    void paintRowGrid(QPainter &painter, const QRect &area, int firstRow, int lastRow) const;

    QHeaderView *m_header;
    int m_rowHeight = 20;
    bool m_inGeometries = false;
};
