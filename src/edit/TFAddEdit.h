#pragma once

#include "RowEditor.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class ScriptTable;

// The action edit dialog: one row's Action text and the three parts of its Parameters text.
// It has no default and no cancel button: Enter does not press "ОК" and Esc does not close it.
class TFAddEdit : public QDialog, public RowEditor
{
    Q_OBJECT

  public:
    explicit TFAddEdit(QWidget *parent = nullptr);

    // Fills the boxes from the row, shows the dialog modally and returns when it is closed; "ОК" writes
    // the boxes back into the row, any other way of closing writes nothing.
    void editRow(ScriptTable &table, int row) override;

    // "ОК": writes the boxes into the row being edited and closes.
    void Button2Click();

    QLabel *Label1 = nullptr; // action
    QLabel *Label2 = nullptr; // delay
    QLabel *Label3 = nullptr; // first part: X or key code
    QLabel *Label4 = nullptr; // second part: Y or key code 2
    QLineEdit *Edit1 = nullptr;
    QLineEdit *Edit2 = nullptr;
    QLineEdit *Edit3 = nullptr;
    QLineEdit *Edit4 = nullptr;
    QPushButton *Button2 = nullptr;

  protected:
    void keyPressEvent(QKeyEvent *event) override;

  private:
    // Valid only while editRow runs.
    ScriptTable *m_table = nullptr;
    int m_row = 0;
};
