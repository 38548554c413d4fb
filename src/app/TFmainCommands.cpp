// The commands of the main window: the tool buttons' click handlers and the menu items of their own.

#include "TFmain.h"

#include "Desktop.h"
#include "UpDown.h"
#include "edit/DeleteConfirmation.h"
#include "edit/ScriptEditor.h"
#include "edit/TFAddEdit.h"
#include "platform/ProcessState.h"
#include "play/PlaybackEngine.h"
#include "record/AltCleanup.h"
#include "record/RecordingCaption.h"
#include "script/IntegerConversion.h"
#include "script/ScriptFile.h"
#include "script/ScriptTable.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTableView>
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
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    QString chosen = dialog.selectedFiles().constFirst();
    dialog.setProperty("lastChosen", chosen);
    return chosen;
}

} // namespace

void TFmain::ToolButton1Click()
{
    setTrayImage(0);
    setWindowTitle(recordingCaption(windowTitle()));
    hide();
    hideApplicationWindow();
    // One recording hook at a time: a record command during a recording keeps the running one.
    if (RecordHook != 0)
        return;
    RecordHook = m_platform.inputHook->install(
        [this](int code, const EventMsg &event) { m_recorder.JournalRecordProc(code, event); });
    if (RecordHook == 0) {
        QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                        QStringLiteral("Невозможно включить запись"), QMessageBox::Ok);
        box.exec();
    }
}

void TFmain::ToolButton2Click()
{
    setTrayImage(7);
    restoreApplicationWindow();
    show();
    StopRequested = true;
    m_platform.inputHook->remove(RecordHook);
    RecordHook = 0;
    cleanUpTrailingAlt(*Script);
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
    });

    m_platform.inputHook->remove(RecordHook);
    RecordHook = 0;

    const std::int32_t repeats = StrToInt(Edit1->text());
    const std::int32_t first = StrToInt(Edit2->text());
    const std::int32_t second = StrToInt(Edit3->text());
    if (RadioGroup1ItemIndex() == 1 && first > second) {
        QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                        QStringLiteral("Интервал повторов задан не верно. Второй параметр не может быть меньше "
                                       "первого."),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }

    setTrayImage(1);
    hide();
    hideApplicationWindow();
    if (Script->action(1).isEmpty())
        ToolButton6Click();

    PlaybackEngine engine(*Script, *m_platform.injector, *m_platform.clock,
                          {[this] { return TrackBar1->value(); }, [this] { return RadioGroup1ItemIndex(); },
                           [] { QCoreApplication::processEvents(); }, 1000});
    m_playback = &engine;
    const PlaybackEngine::Outcome outcome = engine.run(repeats, first, second);
    if (outcome == PlaybackEngine::Outcome::Completed) {
        setTrayImage(7);
        showBalloon(QStringLiteral("Tapsmith"), QStringLiteral("Скрипт выполнен."));
    } else {
        showBalloon(QStringLiteral("Tapsmith"), QStringLiteral("Прервано."));
    }
}

void TFmain::ToolButton4Click()
{
    m_editor->clear();
    setWindowTitle(QStringLiteral("Tapsmith"));
}

void TFmain::ToolButton5Click()
{
    const QString chosen = chooseScriptFile(*SaveDialog1);
    if (chosen.isEmpty())
        return;
    const QString path = scriptSavePath(chosen);
    saveScript(*Script, path);
    setWindowTitle(QStringLiteral("Tapsmith - ") + path);
}

void TFmain::ToolButton6Click()
{
    const QString path = chooseScriptFile(*OpenDialog1);
    if (path.isEmpty())
        return;
    openScript(path, *Script);
    setWindowTitle(QStringLiteral("Tapsmith - ") + path);
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
    m_platform.inputHook->remove(RecordHook);
    RecordHook = 0;
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
