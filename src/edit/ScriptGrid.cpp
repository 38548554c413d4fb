#include "ScriptGrid.h"

ScriptGrid::ScriptGrid(QWidget *parent) : QTableView(parent) {}

void ScriptGrid::focusInEvent(QFocusEvent *event)
{
    if (currentIndex().isValid()) {
        QTableView::focusInEvent(event);
        return;
    }
    // QAbstractItemView would make the first row current here; the rest of what it does follows.
    QAbstractScrollArea::focusInEvent(event); // NOLINT(bugprone-parent-virtual-call): skips the row choice on purpose
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->update();
}
