#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class ScriptTable;

// The action edit dialog: one row's Action text and the three parts of its Parameters text.
class TFAddEdit : public QDialog
{
    Q_OBJECT

public:
    explicit TFAddEdit(QWidget *parent = nullptr);

    // Fills the boxes from the row, shows the dialog modally and returns when it is closed; "ОК" writes
    // the boxes back into the row, any other way of closing writes nothing.
    void editRow(ScriptTable &table, int row);
};
