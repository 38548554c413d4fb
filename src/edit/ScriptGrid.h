#pragma once

#include <QTableView>

// The view of the script table. Unlike a plain QTableView, focus arriving by the keyboard does not make the
// first row current: the selected row of the row commands follows the current row, and focus alone must
// select nothing. A click or a move with the keyboard still does.
class ScriptGrid : public QTableView
{
    Q_OBJECT

  public:
    explicit ScriptGrid(QWidget *parent = nullptr);

  protected:
    void focusInEvent(QFocusEvent *event) override;
};
