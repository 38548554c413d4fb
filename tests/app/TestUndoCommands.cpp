// Undo and redo as the user gives them in the main window: the shortcuts, the table's context menu, Open
// with its caption, and a recording as one step.

#include "MainWindowFixture.h"
#include "ScriptContents.h"
#include "edit/ScriptEditor.h"
#include "edit/ScriptGrid.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestUndoCommands : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shortcutsUndoAndRedoWhileTheWindowHasFocus();
    void contextMenuHoldsUndoRedoAndTheRowCommands();
    void openIsOneStepWithItsCaption();
    void aRecordingIsOneStepAndWaitsForItsStop();
    void aRecordingKeepsTheLastRowOfAScriptWithoutOpenRow();
    void undoAndRedoWaitWhileAPlaybackRuns();
    void theHighlightedRowIsTheSelectedRowAfterEveryStep();

  private:
    MainWindowFixture m_fixture;
};

void TestUndoCommands::init()
{
    m_fixture.open();
    m_fixture.window->N10Click(); // the script view
    QVERIFY(QTest::qWaitForWindowActive(m_fixture.window.get()));
}

void TestUndoCommands::cleanup()
{
    m_fixture.close();
}

void TestUndoCommands::shortcutsUndoAndRedoWhileTheWindowHasFocus()
{
    TFmain &window = *m_fixture.window;
    m_fixture.row("Move()", "1;1;1");
    m_fixture.row("Move()", "2;2;2");
    m_fixture.row("Move()", "3;3;3");
    const QString start = scriptContents(*window.Script);
    window.editor().StringGrid1SelectCell(0, 1);
    window.ToolButton7Click();
    window.ToolButton7Click();
    const QString moved = scriptContents(*window.Script);
    QCOMPARE(moved, QStringLiteral("Move()|2;2;2,Move()|3;3;3,Move()|1;1;1,|"));

    QTest::keyClick(window.StringGrid1, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(window.StringGrid1, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(scriptContents(*window.Script), start);
    QCOMPARE(window.editor().selectedRow(), 1);
    QVERIFY(!window.undoAction->isEnabled());
    QTest::keyClick(window.StringGrid1, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(window.StringGrid1, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(scriptContents(*window.Script), moved);
    QVERIFY(!window.redoAction->isEnabled());

    // Clear is undone too, caption and all.
    window.setWindowTitle(QStringLiteral("Tapsmith - /some.tpx"));
    window.ToolButton4Click();
    QCOMPARE(scriptContents(*window.Script), QStringLiteral("|"));
    QTest::keyClick(window.StringGrid1, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(scriptContents(*window.Script), moved);
    QCOMPARE(window.windowTitle(), QStringLiteral("Tapsmith - /some.tpx"));
}

void TestUndoCommands::contextMenuHoldsUndoRedoAndTheRowCommands()
{
    TFmain &window = *m_fixture.window;
    m_fixture.row("Move()", "1;1;1");
    m_fixture.row("Move()", "2;2;2");
    QStringList texts;
    // The switches of following windows and the wheel come after these (TestWindowSettings).
    for (QAction *action : window.scriptContextMenu->actions().mid(0, 7))
        texts << action->text();
    QCOMPARE(texts, (QStringList{"Отменить", "Повторить", "", "Переместить вниз", "Переместить вверх", "Изменить",
                                 "Удалить"}));

    // A right click selects the row under the pointer; the menu's Move down then works on it.
    window.StringGrid1->resize(600, 300);
    const QRect second = window.StringGrid1->visualRect(window.Script->index(1, ScriptTable::ActionColumn));
    QTimer::singleShot(0, this, [&window] {
        QMenu *menu = window.scriptContextMenu;
        QTRY_VERIFY(menu->isVisible());
        menu->actions().at(3)->trigger();
        menu->close();
    });
    emit window.StringGrid1->customContextMenuRequested(second.center());
    QTRY_COMPARE(scriptContents(*window.Script), QStringLiteral("Move()|1;1;1,|,Move()|2;2;2"));
    QCOMPARE(window.editor().selectedRow(), 3);
    window.scriptContextMenu->actions().at(0)->trigger();
    QCOMPARE(scriptContents(*window.Script), QStringLiteral("Move()|1;1;1,Move()|2;2;2,|"));
}

void TestUndoCommands::openIsOneStepWithItsCaption()
{
    TFmain &window = *m_fixture.window;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("in.tpx"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Move()|7;7;7\r\n|\r\n");
    file.close();
    m_fixture.row("Move()", "1;1;1");
    const QString start = scriptContents(*window.Script);
    QTimer::singleShot(0, window.OpenDialog1, [&window, path] {
        window.OpenDialog1->selectFile(path);
        static_cast<QDialog *>(window.OpenDialog1)->accept();
    });
    window.ToolButton6Click();
    QCOMPARE(scriptContents(*window.Script), QStringLiteral("Move()|7;7;7,|"));

    window.undoAction->trigger();
    QCOMPARE(scriptContents(*window.Script), start);
    QCOMPARE(window.windowTitle(), QStringLiteral("Tapsmith"));
    window.redoAction->trigger();
    QCOMPARE(scriptContents(*window.Script), QStringLiteral("Move()|7;7;7,|"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Tapsmith - ") + QDir::toNativeSeparators(path));
    // The file itself is left alone.
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("Move()|7;7;7\r\n|\r\n"));
}

void TestUndoCommands::aRecordingIsOneStepAndWaitsForItsStop()
{
    TFmain &window = *m_fixture.window;
    FakeInputHook &hook = *m_fixture.fakes->hook;
    m_fixture.row("Move()", "1;1;1");
    const QString start = scriptContents(*window.Script);
    window.ToolButton1Click();
    for (std::uint32_t i = 0; i < 5; ++i)
        hook.deliver({InputMessage::MouseMove, 10 + i, 20, 100 + i * 10});
    // While it records, undo waits: the rows keep coming.
    window.undoAction->trigger();
    QCOMPARE(window.Script->rows(), 8);
    window.ToolButton2Click();
    const QString recorded = scriptContents(*window.Script);
    QCOMPARE(window.editor().history().stack().count(), 1);

    window.undoAction->trigger();
    QCOMPARE(scriptContents(*window.Script), start);
    window.redoAction->trigger();
    QCOMPARE(scriptContents(*window.Script), recorded);

    // A stop without a recording adds no step.
    window.ToolButton2Click();
    QCOMPARE(window.editor().history().stack().count(), 1);
}

void TestUndoCommands::aRecordingKeepsTheLastRowOfAScriptWithoutOpenRow()
{
    TFmain &window = *m_fixture.window;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("by-hand.tpx"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Move()|7;7;7\r\nKeyDown()|VK_A;30;5");
    file.close();
    window.openScriptFile(path);
    const QString opened = scriptContents(*window.Script);
    QCOMPARE(opened, QStringLiteral("Move()|7;7;7,KeyDown()|VK_A;30;5"));

    FakeInputHook &hook = *m_fixture.fakes->hook;
    window.ToolButton1Click();
    QCOMPARE(window.progressText(), QStringLiteral("Запись: строк записано 0"));
    hook.deliver({InputMessage::MouseMove, 10, 20, 3314910});
    hook.deliver({InputMessage::MouseMove, 11, 20, 3314950});
    QCOMPARE(window.progressText(), QStringLiteral("Запись: строк записано 2"));
    window.ToolButton2Click();
    QCOMPARE(scriptContents(*window.Script), opened + QStringLiteral(",Move()|10;20;1,Move()|11;20;40,|"));

    window.undoAction->trigger();
    QCOMPARE(scriptContents(*window.Script), opened);
    window.redoAction->trigger();
    QCOMPARE(scriptContents(*window.Script), opened + QStringLiteral(",Move()|10;20;1,Move()|11;20;40,|"));

    // A recording that makes no row leaves the table and the history as they were.
    window.undoAction->trigger();
    const int steps = window.editor().history().stack().count();
    window.ToolButton1Click();
    hook.deliver({InputMessage::MouseWheel, 0, 0, 3400000});
    window.ToolButton2Click();
    QCOMPARE(scriptContents(*window.Script), opened);
    QCOMPARE(window.editor().history().stack().count(), steps);
}

void TestUndoCommands::undoAndRedoWaitWhileAPlaybackRuns()
{
    // With the window brought back during a playback, Ctrl+Z must not change the rows being played.
    TFmain &window = *m_fixture.window;
    m_fixture.row("Move()", "1;1;10");
    m_fixture.row("Move()", "2;2;10");
    m_fixture.row("Move()", "3;3;10");
    window.editor().StringGrid1SelectCell(0, 3);
    window.ToolButton8Click(); // one step to undo
    window.ToolButton8Click();
    window.undoAction->trigger(); // and one to redo
    const QString played = scriptContents(*window.Script);
    QVERIFY(window.undoAction->isEnabled());
    QVERIFY(window.redoAction->isEnabled());

    bool enabledDuringRun = false;
    m_fixture.fakes->clock->onSleep = [&] {
        enabledDuringRun = enabledDuringRun || window.undoAction->isEnabled() || window.redoAction->isEnabled();
        window.show();
        QTest::keyClick(window.StringGrid1, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(window.StringGrid1, Qt::Key_Y, Qt::ControlModifier);
        window.undoAction->trigger();
        window.redoAction->trigger();
    };
    window.ToolButton3Click();
    m_fixture.fakes->clock->onSleep = nullptr;
    QVERIFY(!enabledDuringRun);
    QCOMPARE(scriptContents(*window.Script), played);
    QCOMPARE(m_fixture.fakes->injector->calls, (QStringList{"cursor 1 1", "cursor 3 3", "cursor 2 2"}));
    QVERIFY(window.undoAction->isEnabled());
    QVERIFY(window.redoAction->isEnabled());

    // During a recording the entries are disabled as well.
    window.ToolButton1Click();
    QVERIFY(!window.undoAction->isEnabled());
    QVERIFY(!window.redoAction->isEnabled());
    window.ToolButton2Click();
    QVERIFY(window.undoAction->isEnabled());
}

void TestUndoCommands::theHighlightedRowIsTheSelectedRowAfterEveryStep()
{
    // Clear, Open and their undo and redo replace the rows wholesale; the table's current row must still be
    // the row that the row commands work on, or Delete would remove a row the user cannot see chosen.
    TFmain &window = *m_fixture.window;
    m_fixture.row("Move()", "1;1;1");
    m_fixture.row("Move()", "2;2;2");
    m_fixture.row("Move()", "3;3;3");
    const auto highlighted = [&window] {
        const QModelIndex current = window.StringGrid1->currentIndex();
        return current.isValid() ? ScriptTable::gridRow(current) : 0;
    };
    window.editor().StringGrid1SelectCell(0, 3);
    QCOMPARE(highlighted(), 3);
    window.ToolButton4Click();
    QCOMPARE(window.editor().selectedRow(), 1);
    QCOMPARE(highlighted(), 1);
    window.undoAction->trigger();
    QCOMPARE(scriptContents(*window.Script), QStringLiteral("Move()|1;1;1,Move()|2;2;2,Move()|3;3;3,|"));
    QCOMPARE(highlighted(), window.editor().selectedRow());
    window.redoAction->trigger();
    QCOMPARE(highlighted(), window.editor().selectedRow());
}

QTEST_MAIN(TestUndoCommands)
#include "TestUndoCommands.moc"
