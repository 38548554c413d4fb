// The commands of the main window: the tool buttons' click handlers and the menu items of their own.

#include "TFmain.h"

#include "Desktop.h"
#include "UpDown.h"
#include "core/DebugLog.h"
#include "core/Errors.h"
#include "edit/DeleteConfirmation.h"
#include "edit/ScriptEditor.h"
#include "edit/ScriptGrid.h"
#include "edit/TFAddEdit.h"
#include "play/PlaybackEngine.h"
#include "play/PlaybackStopKey.h"
#include "record/AltCleanup.h"
#include "record/RecordingCaption.h"
#include "script/IntegerConversion.h"
#include "script/ScriptFile.h"
#include "script/ScriptTable.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

constexpr int ScriptViewExtraHeight = 150;

// Shows a file dialog proposing the name last chosen in it; returns the chosen path, empty on cancel.
QString chooseScriptFile(QFileDialog &dialog)
{
    dialog.setNameFilter(QStringLiteral("*.tpx"));
    const QString lastChosen = dialog.property("lastChosen").toString();
    if (!lastChosen.isEmpty())
        dialog.selectFile(lastChosen);
    const int result = dialog.exec();
    // A completion list still up when the dialog closes would go on holding the pointer and keyboard grab.
    for (QCompleter *completer : dialog.findChildren<QCompleter *>())
        completer->popup()->hide();
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    QString chosen = dialog.selectedFiles().constFirst();
    dialog.setProperty("lastChosen", chosen);
    return chosen;
}

} // namespace

void TFmain::ToolButton1Click()
{
    setTrayImage(Recording);
    setWindowTitle(recordingCaption(windowTitle()));
    hide();
    // One recording hook at a time: a record command during a recording keeps the running one.
    if (m_recordHook != 0)
        return;
    recordingStarted();
    m_recorder.startRecording({m_windowSettings.recordWindows, m_windowSettings.recordWheel}, m_platform.windows.get());
    m_platform.inputHook->setPressWindows(m_windowSettings.recordWindows);
    m_recordHook = m_platform.inputHook->install(
        [this](int code, const EventMsg &event) { m_recorder.JournalRecordProc(code, event); });
    followProgress();
    if (m_recordHook == 0) {
        const QString why = QString::fromStdString(m_platform.inputHook->lastError());
        debugLog(QStringLiteral("cannot record: %1").arg(why));
        QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), tr("Невозможно включить запись"),
                        QMessageBox::Ok);
        box.setDetailedText(why);
        box.exec();
    }
}

void TFmain::ToolButton2Click()
{
    setTrayImage(Idle);
    restoreApplicationWindow();
    show();
    m_stopRequest.request();
    m_platform.inputHook->remove(m_recordHook);
    m_recordHook = 0;
    cleanUpTrailingModifiers(*Script, m_hotkeys.stopModifierKeyNames());
    recordingEnded();
}

void TFmain::ToolButton3Click()
{
    // One run at a time: a second Play while a run (or its start-up dialogs) is going on is ignored, so
    // the keys pressed by the two runs cannot get mixed up.
    if (m_playing)
        return;
    m_playing = true;
    const auto endOfRun = qScopeGuard([this] {
        m_playing = false;
        m_playback = nullptr;
        followProgress();
    });

    m_platform.inputHook->remove(m_recordHook);
    m_recordHook = 0;
    recordingEnded();

    const std::int32_t repeats = StrToInt(Edit1->text());
    const std::int32_t first = StrToInt(Edit2->text());
    const std::int32_t second = StrToInt(Edit3->text());
    if (RadioGroup1ItemIndex() == 1 && first > second) {
        QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                        tr("Интервал повторов задан не верно. Второй параметр не может быть меньше "
                           "первого."),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }

    setTrayImage(Playing);
    // However the run ends (a row that cannot be read, an Open that fails), the icon does not go on saying
    // Playing; an image a command set meanwhile (a recording started inside the run) stays.
    const auto idleAtEnd = qScopeGuard([this] {
        if (m_trayImage == Playing)
            setTrayImage(Idle);
    });
    hide();
    if (Script->action(1).isEmpty())
        ToolButton6Click();

    // Stopping a recording requested a stop too; only a stop from now on ends this run.
    m_stopRequest.clear();
    PlaybackEngine engine(*Script, *m_platform.injector, *m_platform.clock, m_stopRequest,
                          {[this] { return TrackBar1->value(); }, [this] { return RadioGroup1ItemIndex(); },
                           [] { QCoreApplication::processEvents(); }, 1000,
                           std::int64_t(m_windowSettings.windowWaitSeconds) * 1000});
    engine.followWindows(m_platform.windows.get());
    m_playback = &engine;
    // The stop hotkey is also watched for where its grab cannot fire (the script holds modifiers, another
    // client has grabbed the keyboard).
    const auto &stopBinding = m_hotkeys.binding(HotkeyBindings::Stop);
    const PlaybackStopKey stopKey(stopBinding ? m_platform.stopKeyWatch.get() : nullptr, *m_platform.clock,
                                  m_stopRequest, stopBinding ? stopBinding->modifiers : 0,
                                  stopBinding ? stopBinding->virtualKey : 0, this, [this] { ToolButton2->click(); });
    if (stopBinding && m_platform.stopKeyWatch && !stopKey.watching())
        debugLog(QStringLiteral("the stop key %1 is not watched, only its hotkey stops: %2")
                     .arg(stopBinding->text, QString::fromStdString(stopKey.failure())));
    m_playbackRepeats = repeats;
    followProgress();
    PlaybackEngine::Outcome outcome = PlaybackEngine::Outcome::Interrupted;
    try {
        outcome = engine.run(repeats, first, second);
    } catch (ApplicationError &error) {
        // The box keeps its message and names the row that failed in its title.
        error.setTitle(tr("%1 - строка %2").arg(QCoreApplication::applicationName()).arg(engine.currentRow()));
        throw;
    }
    if (outcome == PlaybackEngine::Outcome::Completed) {
        setTrayImage(Idle);
        showBalloon(QStringLiteral("Tapsmith"), tr("Скрипт выполнен."));
    } else {
        showBalloon(QStringLiteral("Tapsmith"), tr("Прервано."));
    }
}

void TFmain::ToolButton4Click()
{
    m_editor->clear();
    setWindowTitle(QStringLiteral("Tapsmith"));
    tableSettled();
}

void TFmain::ToolButton5Click()
{
    const QString chosen = chooseScriptFile(*SaveDialog1);
    if (chosen.isEmpty())
        return;
    const QString path = scriptSavePath(chosen);
    saveScript(*Script, path);
    setWindowTitle(QStringLiteral("Tapsmith - ") + QDir::toNativeSeparators(path));
    tableSettled();
}

void TFmain::ToolButton6Click()
{
    const QString path = chooseScriptFile(*OpenDialog1);
    if (path.isEmpty())
        return;
    openScriptFile(path);
}

void TFmain::openScriptFile(const QString &path)
{
    // Open is one step of the undo history, also when a read error left part of the file in the table.
    TableRows before = TableRows::capture(*Script, 1);
    const QString captionBefore = windowTitle();
    const auto recordStep = qScopeGuard([&] {
        if (!before.matches(*Script, 1))
            m_editor->history().rowsReplaced(1, std::move(before), captionBefore);
    });
    openScript(path, *Script);
    setWindowTitle(QStringLiteral("Tapsmith - ") + QDir::toNativeSeparators(path));
    tableSettled();
}

void TFmain::ToolButton7Click()
{
    m_editor->moveDown();
}

void TFmain::ToolButton8Click()
{
    m_editor->moveUp();
}

void TFmain::ToolButton9Click()
{
    if (editDialog)
        m_editor->editSelected(*editDialog);
}

void TFmain::ToolButton10Click()
{
    if (askDeleteConfirmation(this))
        m_editor->deleteSelected();
}

void TFmain::StringGrid1DblClick()
{
    ToolButton9->click();
}

void TFmain::RadioGroup1Click()
{
    const bool random = RadioGroup1ItemIndex() == 1;
    Edit3->setVisible(random);
    UpDown3->setVisible(random);
}

void TFmain::N10Click()
{
    if (StringGrid1->isVisible()) {
        StringGrid1->hide();
        ToolBar2->hide();
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        m_layout->setSizeConstraint(QLayout::SetFixedSize);
        return;
    }
    const QSize current = size();
    m_layout->setSizeConstraint(QLayout::SetDefaultConstraint);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    StringGrid1->show();
    ToolBar2->show();
    resize(current.width(), current.height() + ScriptViewExtraHeight);
}

void TFmain::TrayIcon1Click()
{
    showFromTray();
}

void TFmain::N5Click()
{
    // Keys and buttons a run still holds would stay down on the desktop after the process is gone.
    if (m_playback)
        m_playback->releaseHeldInput();
    m_platform.inputHook->remove(m_recordHook);
    m_recordHook = 0;
    // An unsettled table stays in its journal, to be offered at the next start.
    if (m_journal)
        m_journal->writeAll();
    TrayIcon1->hide();
    m_desktop.terminateProcess();
}

void TFmain::N6Click()
{
    if (!aboutWindow)
        return;
    aboutWindow->show();
    aboutWindow->raise();
    aboutWindow->activateWindow();
}
