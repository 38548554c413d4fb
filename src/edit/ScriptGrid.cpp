#include "ScriptGrid.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace
{

// Rows far above or below the viewport are placed this far out, so that their rectangles stay valid.
constexpr qint64 kFarAway = 1 << 24;
// Each cell gives its last column and row of pixels to the grid lines, as in a table view.
constexpr int kGridLine = 1;

} // namespace

ScriptGrid::ScriptGrid(QWidget *parent) : QAbstractItemView(parent), m_header(new QHeaderView(Qt::Horizontal, this))
{
    setTabKeyNavigation(true);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);
    connect(m_header, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    connect(m_header, &QHeaderView::sectionCountChanged, this, [this] { updateGeometries(); });
}

void ScriptGrid::setModel(QAbstractItemModel *model)
{
    QAbstractItemView::setModel(model);
    m_header->setModel(model);
    scheduleDelayedItemsLayout();
}

int ScriptGrid::columnWidth(int column) const
{
    return m_header->sectionSize(column);
}

void ScriptGrid::setColumnWidth(int column, int width)
{
    m_header->resizeSection(column, width);
}

void ScriptGrid::setRowHeight(int height)
{
    m_rowHeight = std::max(height, 1);
    scheduleDelayedItemsLayout();
    viewport()->update();
}

int ScriptGrid::rowCount() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int ScriptGrid::columnCount() const
{
    return model() ? model()->columnCount(rootIndex()) : 0;
}

int ScriptGrid::firstShownRow() const
{
    return verticalScrollBar()->value();
}

int ScriptGrid::rowsPerPage() const
{
    return std::max(viewport()->height() / m_rowHeight, 1);
}

int ScriptGrid::rowAtY(int y) const
{
    if (y < 0)
        return -1;
    const qint64 row = qint64(firstShownRow()) + y / m_rowHeight;
    return row < rowCount() ? int(row) : -1;
}

int ScriptGrid::rowY(int row) const
{
    const qint64 y = (qint64(row) - firstShownRow()) * m_rowHeight;
    return int(std::clamp(y, -kFarAway, kFarAway));
}

int ScriptGrid::columnAtX(int x) const
{
    const int content = x + horizontalOffset();
    for (int column = 0; column < m_header->count(); ++column) {
        const int left = m_header->sectionPosition(column);
        if (!m_header->isSectionHidden(column) && content >= left && content < left + m_header->sectionSize(column))
            return column;
    }
    return -1;
}

QModelIndex ScriptGrid::cellIndex(int row, int column) const
{
    return model() ? model()->index(row, column, rootIndex()) : QModelIndex();
}

QRect ScriptGrid::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.parent() != rootIndex() || m_header->isSectionHidden(index.column()))
        return {};
    return {m_header->sectionPosition(index.column()) - horizontalOffset(), rowY(index.row()),
            m_header->sectionSize(index.column()) - kGridLine, m_rowHeight - kGridLine};
}

void ScriptGrid::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    executeDelayedItemsLayout();
    const int row = index.row();
    const int first = firstShownRow();
    const int page = rowsPerPage();
    QScrollBar *const vertical = verticalScrollBar();
    switch (hint) {
    case EnsureVisible:
        if (row < first)
            vertical->setValue(row);
        else if (row >= first + page)
            vertical->setValue(row - page + 1);
        break;
    case PositionAtTop:
        vertical->setValue(row);
        break;
    case PositionAtBottom:
        vertical->setValue(row - page + 1);
        break;
    case PositionAtCenter:
        vertical->setValue(row - page / 2);
        break;
    }
    const int left = m_header->sectionPosition(index.column());
    const int right = left + m_header->sectionSize(index.column());
    QScrollBar *const horizontal = horizontalScrollBar();
    if (left < horizontal->value())
        horizontal->setValue(left);
    else if (right > horizontal->value() + viewport()->width())
        horizontal->setValue(std::min(left, right - viewport()->width()));
}

QModelIndex ScriptGrid::indexAt(const QPoint &point) const
{
    const int row = rowAtY(point.y());
    const int column = columnAtX(point.x());
    return row < 0 || column < 0 ? QModelIndex() : cellIndex(row, column);
}

void ScriptGrid::reset()
{
    QAbstractItemView::reset();
    scheduleDelayedItemsLayout();
}

QModelIndex ScriptGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const int rows = rowCount();
    const int columns = columnCount();
    if (rows == 0 || columns == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return cellIndex(0, 0);
    int row = current.row();
    int column = current.column();
    switch (cursorAction) {
    case MoveUp:
        --row;
        break;
    case MoveDown:
        ++row;
        break;
    case MovePageUp:
        row -= rowsPerPage();
        break;
    case MovePageDown:
        row += rowsPerPage();
        break;
    case MoveLeft:
        --column;
        break;
    case MoveRight:
        ++column;
        break;
    case MoveHome:
        column = 0;
        if (modifiers & Qt::ControlModifier)
            row = 0;
        break;
    case MoveEnd:
        column = columns - 1;
        if (modifiers & Qt::ControlModifier)
            row = rows - 1;
        break;
    case MoveNext:
        if (++column == columns) {
            column = 0;
            row = row + 1 < rows ? row + 1 : 0;
        }
        break;
    case MovePrevious:
        if (--column < 0) {
            column = columns - 1;
            row = row > 0 ? row - 1 : rows - 1;
        }
        break;
    }
    return cellIndex(std::clamp(row, 0, rows - 1), std::clamp(column, 0, columns - 1));
}

int ScriptGrid::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int ScriptGrid::verticalOffset() const
{
    return int(std::min<qint64>(qint64(firstShownRow()) * m_rowHeight, INT_MAX));
}

bool ScriptGrid::isIndexHidden(const QModelIndex &index) const
{
    return m_header->isSectionHidden(index.column());
}

void ScriptGrid::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    const int rows = rowCount();
    const int columns = columnCount();
    if (!selectionModel() || rows == 0 || columns == 0)
        return;
    const QRect area = rect.normalized();
    const auto rowAt = [&](int y) {
        const qint64 row = qint64(firstShownRow()) + (y < 0 ? -1 : y / m_rowHeight);
        return int(std::clamp<qint64>(row, 0, rows - 1));
    };
    const auto columnAt = [&](int x) {
        const int column = columnAtX(x);
        return column >= 0 ? column : (x < 0 ? 0 : columns - 1);
    };
    int left = columnAt(area.left());
    int right = columnAt(area.right());
    if (selectionBehavior() == SelectRows) {
        left = 0;
        right = columns - 1;
    }
    selectionModel()->select(QItemSelection(cellIndex(rowAt(area.top()), left), cellIndex(rowAt(area.bottom()), right)),
                             command);
}

QRegion ScriptGrid::visualRegionForSelection(const QItemSelection &selection) const
{
    QRegion region;
    const QRect shown = viewport()->rect();
    for (const QItemSelectionRange &range : selection) {
        if (!range.isValid() || range.parent() != rootIndex())
            continue;
        const int left = m_header->sectionPosition(range.left()) - horizontalOffset();
        const int right =
            m_header->sectionPosition(range.right()) + m_header->sectionSize(range.right()) - horizontalOffset();
        const QRect area(QPoint(left, rowY(range.top())), QPoint(right - 1, rowY(range.bottom()) + m_rowHeight - 1));
        region += area & shown;
    }
    return region;
}

void ScriptGrid::updateGeometries()
{
    if (m_inGeometries)
        return;
    m_inGeometries = true;
    const int headerHeight =
        m_header->isHidden() ? 0 : std::max(m_header->minimumHeight(), m_header->sizeHint().height());
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect shown = viewport()->geometry();
    m_header->setGeometry(shown.left(), shown.top() - headerHeight, shown.width(), headerHeight);

    const int page = rowsPerPage();
    QScrollBar *const vertical = verticalScrollBar();
    vertical->setSingleStep(1);
    vertical->setPageStep(page);
    vertical->setRange(0, std::max(rowCount() - page, 0));
    QScrollBar *const horizontal = horizontalScrollBar();
    horizontal->setSingleStep(std::max(m_rowHeight, 1));
    horizontal->setPageStep(shown.width());
    horizontal->setRange(0, std::max(m_header->length() - shown.width(), 0));
    m_header->setOffset(horizontal->value());
    m_inGeometries = false;
    QAbstractItemView::updateGeometries();
}

void ScriptGrid::scrollContentsBy(int dx, int dy)
{
    Q_UNUSED(dy);
    if (dx != 0)
        m_header->setOffset(horizontalOffset());
    viewport()->update();
}

void ScriptGrid::paintEvent(QPaintEvent *event)
{
    const int rows = rowCount();
    if (rows == 0 || !model())
        return;
    QPainter painter(viewport());
    const QRect area = event->rect();
    const int firstRow = std::max(rowAtY(area.top()), 0);
    int lastRow = rowAtY(area.bottom());
    if (lastRow < 0)
        lastRow = rows - 1;
    if (rowY(firstRow) > area.bottom())
        return;

    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State baseState = option.state;
    const QModelIndex current = currentIndex();
    const bool showFocus = hasFocus() && current.isValid();
    const QItemSelectionModel *const selection = selectionModel();
    for (int row = firstRow; row <= lastRow; ++row) {
        const int top = rowY(row);
        for (int column = 0; column < m_header->count(); ++column) {
            if (m_header->isSectionHidden(column))
                continue;
            const int left = m_header->sectionPosition(column) - horizontalOffset();
            const int width = m_header->sectionSize(column);
            if (left > area.right() || left + width <= area.left())
                continue;
            const QModelIndex index = cellIndex(row, column);
            option.rect = QRect(left, top, width - kGridLine, m_rowHeight - kGridLine);
            option.state = baseState;
            if (selection && selection->isSelected(index))
                option.state |= QStyle::State_Selected;
            if (showFocus && index == current)
                option.state |= QStyle::State_HasFocus;
            if (!(model()->flags(index) & Qt::ItemIsEnabled))
                option.state &= ~QStyle::State_Enabled;
            itemDelegateForIndex(index)->paint(&painter, option, index);
        }
    }
    paintRowGrid(painter, area, firstRow, lastRow);
}

void ScriptGrid::paintRowGrid(QPainter &painter, const QRect &area, int firstRow, int lastRow) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const auto color = static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this));
    painter.setPen(QPen(QColor::fromRgba(color), 0, Qt::SolidLine));
    const int bottom = std::min(rowY(lastRow) + m_rowHeight - 1, area.bottom());
    const int right = std::min(m_header->length() - horizontalOffset() - 1, area.right());
    for (int row = firstRow; row <= lastRow; ++row) {
        const int y = rowY(row) + m_rowHeight - 1;
        painter.drawLine(area.left(), y, right, y);
    }
    for (int column = 0; column < m_header->count(); ++column) {
        if (m_header->isSectionHidden(column))
            continue;
        const int x = m_header->sectionPosition(column) + m_header->sectionSize(column) - horizontalOffset() - 1;
        if (x >= area.left() && x <= area.right())
            painter.drawLine(x, area.top(), x, bottom);
    }
}

void ScriptGrid::focusInEvent(QFocusEvent *event)
{
    if (currentIndex().isValid()) {
        QAbstractItemView::focusInEvent(event);
        return;
    }
    // QAbstractItemView would make the first row current here; the rest of what it does follows.
    QAbstractScrollArea::focusInEvent(event); // NOLINT(bugprone-parent-virtual-call): skips the row choice on purpose
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->update();
}

void ScriptGrid::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    scheduleDelayedItemsLayout();
}

void ScriptGrid::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    scheduleDelayedItemsLayout();
}
