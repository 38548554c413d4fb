#pragma once

#include "RowEditor.h"

#include <QDialog>
#include <QPersistentModelIndex>
#include <QString>

#include <array>

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
    // A text longer than this is shown cut and cannot be changed here; "ОК" keeps it whole.
    static constexpr int MaximumEditableCharacters = 32767;

    explicit TFAddEdit(QWidget *parent = nullptr);

    // Fills the boxes from the row, shows the dialog modally and returns when it is closed; "ОК" writes
    // the boxes back into the row, any other way of closing writes nothing. Hotkeys run while the dialog
    // is up: "ОК" follows the row when rows above it go, and writes nothing once the row itself is gone
    // (removed, or its texts replaced by a recording or a newly opened script). Returns the row "ОК" wrote
    // into, 0 when nothing was written.
    int editRow(ScriptTable &table, int row) override;

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
    void fill(int index, QLineEdit *box, const QString &text);
    QString boxText(int index, const QLineEdit *box) const;

    // The texts of the boxes shown cut, by box (Edit1..Edit4); empty for the others.
    std::array<QString, 4> m_wholeTexts;
    // Valid only while editRow runs.
    ScriptTable *m_table = nullptr;
    QPersistentModelIndex m_row;
    bool m_rowReplaced = false;
    int m_writtenRow = 0;
};
