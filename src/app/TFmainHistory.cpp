// Undo and redo of the script table's changes: the shortcuts, the table's context menu and the recording
// as one step.

#include "TFmain.h"

#include "edit/ScriptEditor.h"
#include "edit/ScriptGrid.h"
#include "script/ScriptTable.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QToolButton>
#include <QUndoStack>

void TFmain::buildHistory()
{
    ScriptHistory &history = m_editor->history();
    history.setCaption([this] { return windowTitle(); }, [this](const QString &text) { setWindowTitle(text); });
    QUndoStack &stack = history.stack();

    // Rows arrive while a recording runs, and a playback reads the rows it is about to play: the history
    // waits until either has ended.
    undoAction = new QAction(tr("Отменить"), this);
    undoAction->setShortcuts(QKeySequence::Undo);
    connect(undoAction, &QAction::triggered, this, [this, &stack] {
        if (!historyLocked())
            stack.undo();
    });
    redoAction = new QAction(tr("Повторить"), this);
    redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(redoAction, &QAction::triggered, this, [this, &stack] {
        if (!historyLocked())
            stack.redo();
    });
    connect(&stack, &QUndoStack::canUndoChanged, this, &TFmain::updateHistoryActions);
    connect(&stack, &QUndoStack::canRedoChanged, this, &TFmain::updateHistoryActions);
    updateHistoryActions();

    for (QAction *action : {undoAction, redoAction}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }

    // The row commands beside undo and redo; each clicks its tool button, as the menu items do.
    scriptContextMenu = new QMenu(this);
    scriptContextMenu->addAction(undoAction);
    scriptContextMenu->addAction(redoAction);
    scriptContextMenu->addSeparator();
    const struct {
        const char *text;
        QToolButton *button;
    } rowCommands[] = {
        {QT_TR_NOOP("Переместить вниз"), ToolButton7},
        {QT_TR_NOOP("Переместить вверх"), ToolButton8},
        {QT_TR_NOOP("Изменить"), ToolButton9},
        {QT_TR_NOOP("Удалить"), ToolButton10},
    };
    for (const auto &command : rowCommands) {
        QAction *action = scriptContextMenu->addAction(tr(command.text));
        action->setIcon(command.button->icon());
        connect(action, &QAction::triggered, command.button, &QToolButton::click);
    }
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StringGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        // A right click on a row selects it first, so the row commands work on the row under the pointer.
        const QModelIndex index = StringGrid1->indexAt(position);
        if (index.isValid())
            StringGrid1->setCurrentIndex(index);
        scriptContextMenu->popup(StringGrid1->viewport()->mapToGlobal(position));
    });
}

bool TFmain::historyLocked() const
{
    return m_recordHook != 0 || m_playing;
}

void TFmain::updateHistoryActions()
{
    const QUndoStack &stack = m_editor->history().stack();
    undoAction->setEnabled(stack.canUndo() && !historyLocked());
    redoAction->setEnabled(stack.canRedo() && !historyLocked());
}

void TFmain::recordingStarted()
{
    // The first row goes into the open row, or below the last row when that one holds a row of the script.
    const int last = Script->rows() - 1;
    m_recordingFrom = Script->endsWithOpenRow() ? last : last + 1;
    m_recordingBefore = TableRows::capture(*Script, m_recordingFrom);
    m_stepsBeforeRecording = m_editor->history().stepsRecorded();
}

void TFmain::recordingEnded()
{
    followProgress();
    if (!m_recordingBefore)
        return;
    TableRows before = std::move(*m_recordingBefore);
    m_recordingBefore.reset();
    ScriptHistory &history = m_editor->history();
    if (history.stepsRecorded() != m_stepsBeforeRecording) {
        // Rows were changed by hand while the recording ran: the rows it started from no longer say what
        // to go back to, and the steps before it would act on rows that have moved.
        history.stack().clear();
        return;
    }
    if (!before.matches(*Script, m_recordingFrom))
        history.rowsReplaced(m_recordingFrom, std::move(before));
}
