#include "edit/ScriptEditor.h"
#include "edit/ScriptHistory.h"
#include "edit/TFAddEdit.h"
#include "script/ScriptTable.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace
{

// Runs `act` on the dialog once its modal loop runs, then closes it with the close button's path if
// `act` left it open, so a failing check never leaves the test hanging in exec().
void whileOpen(const std::function<void(TFAddEdit &)> &act)
{
    QTimer::singleShot(0, [act] {
        auto *const dialog = qobject_cast<TFAddEdit *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        act(*dialog);
        if (dialog->isVisible())
            dialog->close();
    });
}

struct Shown {
    bool opened = false;
    QString edit1, edit2, edit3, edit4, label1, label2, label3, label4;
};

// Opens the dialog for row 1 of a table holding `action` and `parameters`, records what it shows and
// closes it without writing.
Shown showRow(TFAddEdit &dialog, ScriptTable &table, const QString &action, const QString &parameters)
{
    table.setCellText(ScriptTable::ActionColumn, 1, action);
    table.setCellText(ScriptTable::ParametersColumn, 1, parameters);
    Shown shown;
    whileOpen([&shown](TFAddEdit &d) {
        shown = {true,
                 d.Edit1->text(),
                 d.Edit2->text(),
                 d.Edit3->text(),
                 d.Edit4->text(),
                 d.Label1->text(),
                 d.Label2->text(),
                 d.Label3->text(),
                 d.Label4->text()};
    });
    dialog.editRow(table, 1);
    return shown;
}

const QString keyCode = QStringLiteral("Код клавиши");
const QString keyCode2 = QStringLiteral("Код клавиши2");
const QString coordinateX = QStringLiteral("Координата \u0425");
const QString coordinateY = QStringLiteral("Координата Y");

} // namespace

class TestTFAddEdit : public QObject
{
    Q_OBJECT

  private slots:
    void layoutAndTexts();
    void labelsFollowExactMoveAction_data();
    void labelsFollowExactMoveAction();
    void parametersSplitAndJoinBack_data();
    void parametersSplitAndJoinBack();
    void okWritesEditedBoxes();
    void closingWritesNothing();
    void enterAndEscapeDoNotCloseOrWrite();
    void tabOrderRunsDownTheBoxesToTheButton();
    void editorEditsOnlyASelectedRow();
    void hugeCellsRoundTripThroughOk();
    void okWritesNothingWhenTheRowIsGone_data();
    void okWritesNothingWhenTheRowIsGone();
    void okFollowsTheRowWhenRowsAboveGo();
    void undoOfAnEditFollowsTheRowWrittenOrKeepsNoStep();
};

void TestTFAddEdit::layoutAndTexts()
{
    TFAddEdit dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Редактировать"));
    QCOMPARE(dialog.size(), QSize(338, 133));
    QCOMPARE(dialog.font().pixelSize(), 11);
    QCOMPARE(dialog.font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(dialog.Button2->text(), QString::fromUtf8("\xD0\x9E\xD0\x9A")); // Cyrillic О and К
    QCOMPARE(dialog.Button2->geometry(), QRect(112, 108, 75, 25));
    QVERIFY(!dialog.Button2->isDefault());
    QVERIFY(!dialog.Button2->autoDefault());
    const QLineEdit *const boxes[] = {dialog.Edit1, dialog.Edit2, dialog.Edit3, dialog.Edit4};
    const QLabel *const labels[] = {dialog.Label1, dialog.Label2, dialog.Label3, dialog.Label4};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(boxes[i]->geometry(), QRect(88, 27 * i, 250, 21));
        QCOMPARE(labels[i]->x(), 0);
        QCOMPARE(labels[i]->y(), boxes[i]->y());
        QVERIFY(labels[i]->geometry().right() < 88);
    }
}

void TestTFAddEdit::labelsFollowExactMoveAction_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("label3");
    QTest::addColumn<QString>("label4");
    QTest::newRow("Move()") << QStringLiteral("Move()") << coordinateX << coordinateY;
    QTest::newRow("trailing blank") << QStringLiteral("Move() ") << keyCode << keyCode2;
    QTest::newRow("small letters") << QStringLiteral("move()") << keyCode << keyCode2;
    QTest::newRow("button row") << QStringLiteral("LDown()") << keyCode << keyCode2;
    QTest::newRow("key row") << QStringLiteral("KeyDown()") << keyCode << keyCode2;
    QTest::newRow("empty") << QString() << keyCode << keyCode2;
}

void TestTFAddEdit::labelsFollowExactMoveAction()
{
    QFETCH(QString, action);
    QFETCH(QString, label3);
    QFETCH(QString, label4);
    ScriptTable table;
    TFAddEdit dialog;
    // A "Move()" row first, so a stale coordinate label would show in the rows that follow.
    showRow(dialog, table, QStringLiteral("Move()"), QStringLiteral("1;2;3"));
    const Shown shown = showRow(dialog, table, action, QStringLiteral("VK_A;30;125"));
    QVERIFY(shown.opened);
    QCOMPARE(shown.edit1, action);
    QCOMPARE(shown.label1, QStringLiteral("Действие"));
    QCOMPARE(shown.label2, QStringLiteral("Задержка в мс"));
    QCOMPARE(shown.label3, label3);
    QCOMPARE(shown.label4, label4);
}

void TestTFAddEdit::parametersSplitAndJoinBack_data()
{
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("delay");
    QTest::addColumn<QString>("written");
    QTest::newRow("three fields") << "640;480;15"
                                  << "640"
                                  << "480"
                                  << "15"
                                  << "640;480;15";
    QTest::newRow("empty") << ""
                           << ""
                           << ""
                           << ""
                           << ";;";
    QTest::newRow("no separator") << "125"
                                  << ""
                                  << ""
                                  << "125"
                                  << ";;125";
    QTest::newRow("one separator") << "7;9"
                                   << "7"
                                   << ""
                                   << "9"
                                   << "7;;9";
    QTest::newRow("four fields") << "1;2;3;4"
                                 << "1"
                                 << "2"
                                 << "3;4"
                                 << "1;2;3;4";
    QTest::newRow("empty key name") << ";86;120"
                                    << ""
                                    << "86"
                                    << "120"
                                    << ";86;120";
    QTest::newRow("negative") << "-5;-1080;0"
                              << "-5"
                              << "-1080"
                              << "0"
                              << "-5;-1080;0";
}

void TestTFAddEdit::parametersSplitAndJoinBack()
{
    QFETCH(QString, parameters);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, delay);
    QFETCH(QString, written);
    ScriptTable table;
    TFAddEdit dialog;
    table.setCellText(ScriptTable::ActionColumn, 1, QStringLiteral("Move()"));
    table.setCellText(ScriptTable::ParametersColumn, 1, parameters);
    QStringList shown;
    whileOpen([&shown](TFAddEdit &d) {
        shown << d.Edit3->text() << d.Edit4->text() << d.Edit2->text();
        QTest::mouseClick(d.Button2, Qt::LeftButton);
    });
    dialog.editRow(table, 1);
    QCOMPARE(shown, (QStringList{first, second, delay}));
    QCOMPARE(table.cellText(ScriptTable::ParametersColumn, 1), written);
    QCOMPARE(table.cellText(ScriptTable::ActionColumn, 1), QStringLiteral("Move()"));
}

void TestTFAddEdit::okWritesEditedBoxes()
{
    ScriptTable table;
    table.setRows(4);
    table.setCellText(ScriptTable::ActionColumn, 2, QStringLiteral("KeyDown()"));
    table.setCellText(ScriptTable::ParametersColumn, 2, QStringLiteral("VK_A;30;125"));
    TFAddEdit dialog;
    whileOpen([](TFAddEdit &d) {
        d.Edit1->setText(QStringLiteral("Move()"));
        d.Edit2->setText(QStringLiteral("40"));
        d.Edit3->setText(QStringLiteral("x;y")); // nothing is validated or escaped
        d.Edit4->setText(QStringLiteral("Б"));
        d.Button2->click();
    });
    dialog.editRow(table, 2);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(table.cellText(ScriptTable::ActionColumn, 2), QStringLiteral("Move()"));
    QCOMPARE(table.cellText(ScriptTable::ParametersColumn, 2), QStringLiteral("x;y;Б;40"));
    // Only the edited row changes.
    QCOMPARE(table.cellText(ScriptTable::ActionColumn, 1), QString());
    QCOMPARE(table.cellText(ScriptTable::ActionColumn, 3), QString());

    // An opening after a write shows the row afresh.
    whileOpen([](TFAddEdit &d) { QCOMPARE(d.Edit4->text(), QStringLiteral("y")); });
    dialog.editRow(table, 2);
}

void TestTFAddEdit::closingWritesNothing()
{
    ScriptTable table;
    table.setCellText(ScriptTable::ActionColumn, 1, QStringLiteral("Move()"));
    table.setCellText(ScriptTable::ParametersColumn, 1, QStringLiteral("640;480;15"));
    TFAddEdit dialog;
    bool closedByButton = false;
    whileOpen([&closedByButton](TFAddEdit &d) {
        d.Edit1->setText(QStringLiteral("KeyUp()"));
        d.Edit3->setText(QStringLiteral("1"));
        d.close();
        closedByButton = !d.isVisible();
    });
    dialog.editRow(table, 1);
    QVERIFY(closedByButton);
    QCOMPARE(table.cellText(ScriptTable::ActionColumn, 1), QStringLiteral("Move()"));
    QCOMPARE(table.cellText(ScriptTable::ParametersColumn, 1), QStringLiteral("640;480;15"));

    // "ОК" pressed outside an opening has no row to write; it only closes.
    dialog.Button2Click();
    QCOMPARE(table.cellText(ScriptTable::ParametersColumn, 1), QStringLiteral("640;480;15"));
}

void TestTFAddEdit::enterAndEscapeDoNotCloseOrWrite()
{
    ScriptTable table;
    table.setCellText(ScriptTable::ActionColumn, 1, QStringLiteral("LDown()"));
    table.setCellText(ScriptTable::ParametersColumn, 1, QStringLiteral("5;6;7"));
    TFAddEdit dialog;
    QList<bool> visible;
    whileOpen([&visible](TFAddEdit &d) {
        d.Edit2->setText(QStringLiteral("99"));
        for (QWidget *target : {static_cast<QWidget *>(d.Edit1), static_cast<QWidget *>(d.Edit4),
                                static_cast<QWidget *>(d.Button2), static_cast<QWidget *>(&d)}) {
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
                QTest::keyClick(target, key);
                visible << d.isVisible();
            }
        }
    });
    dialog.editRow(table, 1);
    QCOMPARE(visible.size(), 12);
    QVERIFY(!visible.contains(false));
    QCOMPARE(table.cellText(ScriptTable::ParametersColumn, 1), QStringLiteral("5;6;7"));
}

void TestTFAddEdit::tabOrderRunsDownTheBoxesToTheButton()
{
    ScriptTable table;
    TFAddEdit dialog;
    QList<QWidget *> chain;
    whileOpen([&chain](TFAddEdit &d) {
        chain << d.focusWidget();
        for (int i = 0; i < 4 && d.focusWidget(); ++i) {
            QTest::keyClick(d.focusWidget(), Qt::Key_Tab);
            chain << d.focusWidget();
        }
    });
    dialog.Edit3->setFocus(); // a focus left from an earlier use does not carry over
    dialog.editRow(table, 1);
    QCOMPARE(chain, (QList<QWidget *>{dialog.Edit1, dialog.Edit2, dialog.Edit3, dialog.Edit4, dialog.Button2}));
}

void TestTFAddEdit::editorEditsOnlyASelectedRow()
{
    ScriptTable table;
    table.setCellText(ScriptTable::ActionColumn, 1, QStringLiteral("Move()"));
    table.setCellText(ScriptTable::ParametersColumn, 1, QStringLiteral("1;2;3"));
    ScriptEditor editor(table);
    TFAddEdit dialog;
    int openings = 0;
    const auto countOpening = [&openings](TFAddEdit &d) {
        ++openings;
        d.Edit1->setText(QStringLiteral("x"));
        d.Button2->click();
    };

    whileOpen(countOpening);
    editor.editSelected(dialog); // none selected: no dialog
    QCOMPARE(openings, 0);
    QCoreApplication::processEvents(); // let the pending opener find nothing
    QCOMPARE(table.cellText(ScriptTable::ActionColumn, 1), QStringLiteral("Move()"));

    editor.StringGrid1SelectCell(0, 1);
    whileOpen(countOpening);
    editor.editSelected(dialog);
    QCOMPARE(openings, 1);
    QCOMPARE(table.cellText(ScriptTable::ActionColumn, 1), QStringLiteral("x"));
}

void TestTFAddEdit::hugeCellsRoundTripThroughOk()
{
    ScriptTable table;
    TFAddEdit dialog;
    const QByteArray action(100000, 'x');
    const QByteArray parameters = QByteArray(70000, '1') + ';' + QByteArray(70000, '2') + ';' + QByteArray(1000, '3');
    table.appendToLastRow(action, parameters);
    bool cutShown = false;
    whileOpen([&cutShown](TFAddEdit &d) {
        // Beyond what a line edit lays out quickly: shown cut, read-only; short fields stay editable.
        cutShown = d.Edit1->isReadOnly() && d.Edit1->text().size() == TFAddEdit::MaximumEditableCharacters + 1 &&
                   d.Edit3->isReadOnly() && !d.Edit2->isReadOnly();
        d.Edit2->setText(QStringLiteral("4"));
        d.Button2Click();
    });
    dialog.editRow(table, 1);
    QVERIFY(cutShown);
    QVERIFY(table.action(1) == action);
    QVERIFY(table.parameters(1) == parameters.left(parameters.size() - 1000) + "4");

    // The next row opened with short texts is editable again.
    table.appendToLastRow(QByteArrayView("Move()"), QByteArrayView("1;2;3"));
    bool editable = false;
    whileOpen([&editable](TFAddEdit &d) {
        editable = !d.Edit1->isReadOnly() && !d.Edit3->isReadOnly() && d.Edit3->text() == QLatin1String("1");
    });
    dialog.editRow(table, 2);
    QVERIFY(editable);
}

void TestTFAddEdit::okWritesNothingWhenTheRowIsGone_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("row deleted") << "delete";
    QTest::newRow("table cut below it") << "shrink";
    QTest::newRow("recorded into") << "record";
    QTest::newRow("table replaced") << "bulk";
}

void TestTFAddEdit::okWritesNothingWhenTheRowIsGone()
{
    // While the modal dialog is up, hotkeys still run: the Alt clean-up of a stop removes trailing rows,
    // a recording writes its first event into the last row, an open replaces every row.
    QFETCH(QString, change);
    ScriptTable table;
    for (const char *letter : {"A", "B", "C"})
        table.appendToLastRow(QByteArrayView(letter), QByteArray(letter) + "-p");
    const int edited = change == QLatin1String("record") ? 4 : 3; // the open row, or row C
    whileOpen([&table, &change](TFAddEdit &d) {
        if (change == QLatin1String("delete"))
            table.deleteRow(3);
        if (change == QLatin1String("shrink"))
            table.setRows(3);
        if (change == QLatin1String("record"))
            table.appendToLastRow(QByteArrayView("KeyDown()"), QByteArrayView("VK_MENU;56;5"));
        if (change == QLatin1String("bulk")) {
            ScriptTable::BulkChange bulk(table);
            table.setRows(2);
            table.appendToLastRow(QByteArrayView("X"), QByteArrayView("x"));
            table.appendToLastRow(QByteArrayView("Y"), QByteArrayView("y"));
            table.appendToLastRow(QByteArrayView("Z"), QByteArrayView("z"));
        }
        d.Edit1->setText(QStringLiteral("Written"));
        d.Button2Click();
    });
    TFAddEdit dialog;
    QCOMPARE(dialog.editRow(table, edited), 0);
    QVERIFY(!dialog.isVisible());
    for (int row = 1; row < table.rows(); ++row)
        QVERIFY2(table.action(row) != QByteArrayView("Written"), qPrintable(QString::number(row)));
    if (change == QLatin1String("record"))
        QVERIFY(table.action(4) == QByteArrayView("KeyDown()"));
}

void TestTFAddEdit::okFollowsTheRowWhenRowsAboveGo()
{
    ScriptTable table;
    for (const char *letter : {"A", "B", "C"})
        table.appendToLastRow(QByteArrayView(letter), QByteArray(letter) + "-p");
    whileOpen([&table](TFAddEdit &d) {
        table.deleteRow(1);
        d.Edit1->setText(QStringLiteral("Written"));
        d.Button2Click();
    });
    TFAddEdit dialog;
    QCOMPARE(dialog.editRow(table, 3), 2); // C, now row 2
    QVERIFY(table.action(1) == QByteArrayView("B"));
    QVERIFY(table.action(2) == QByteArrayView("Written"));
    QVERIFY(table.parameters(2) == QByteArrayView(";;C-p")); // "C-p" has no ";": all of it is the delay
}

void TestTFAddEdit::undoOfAnEditFollowsTheRowWrittenOrKeepsNoStep()
{
    ScriptTable table;
    ScriptEditor editor(table);
    TFAddEdit dialog;
    for (const char *letter : {"A", "B", "C"})
        table.appendToLastRow(QByteArrayView(letter), QByteArray(letter) + "-p");

    // Recorded into while open: nothing written, so there is no step to undo, and the recording stays.
    editor.StringGrid1SelectCell(0, 4);
    whileOpen([&table](TFAddEdit &d) {
        table.appendToLastRow(QByteArrayView("KeyDown()"), QByteArrayView("VK_MENU;56;5"));
        d.Edit1->setText(QStringLiteral("Written"));
        d.Button2Click();
    });
    editor.editSelected(dialog);
    QCOMPARE(editor.history().stack().count(), 0);
    QVERIFY(table.action(4) == QByteArrayView("KeyDown()"));

    // Rows above removed while open: the step undoes the row that was written.
    editor.StringGrid1SelectCell(0, 3);
    whileOpen([&table](TFAddEdit &d) {
        table.deleteRow(1);
        d.Edit1->setText(QStringLiteral("Written"));
        d.Button2Click();
    });
    editor.editSelected(dialog);
    QVERIFY(table.action(2) == QByteArrayView("Written"));
    QCOMPARE(editor.history().stack().count(), 1);
    editor.history().stack().undo();
    QVERIFY(table.action(2) == QByteArrayView("C"));
}

QTEST_MAIN(TestTFAddEdit)
#include "TestTFAddEdit.moc"
