#pragma once

#include "HotkeyBindings.h"
#include "RecoveryJournal.h"
#include "UpdateSettings.h"
#include "WindowSettings.h"
#include "edit/TableRows.h"
#include "platform/Platform.h"
#include "play/StopRequest.h"
#include "record/InputRecorder.h"

#include <QWidget>

#include <cstdint>
#include <optional>

class QAction;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QRadioButton;
class QSlider;
class QSystemTrayIcon;
class QToolBar;
class QTimer;
class QToolButton;
class QVBoxLayout;
class Desktop;
class PlaybackEngine;
class NewsView;
class ScriptEditor;
class ScriptGrid;
class ScriptTable;
class TFAddEdit;
class UpDown;

// The main window: menus, the two tool bars with the commands and the playback settings, the script
// table, the tray icon and the global hotkeys. Every command is the click handler of its tool button;
// menu items and hotkeys click the button.
// The class is written by job: TFmain.cpp the window itself (start-up, hotkeys, showing and hiding),
// TFmainWidgets.cpp the construction of its widgets, TFmainCommands.cpp the commands and
// TFmainUpdateCheck.cpp the start-up update check and the news panel, TFmainHistory.cpp undo and redo,
// TFmainRecovery.cpp the recovery journal.
class TFmain : public QWidget
{
    Q_OBJECT

  public:
    // `updateSettings` says where the start-up update check asks; the check runs inside the constructor.
    TFmain(Platform &platform, Desktop &desktop, const UpdateSettings &updateSettings, QWidget *parent = nullptr,
           HotkeyBindings hotkeys = HotkeyBindings());
    ~TFmain() override;

    // Main menu.
    QMenuBar *MainMenu1;
    QAction *N10; // "Скрипт": shows or hides the script view
    QAction *N8;  // "Доступна новая версия!": hidden until an update check finds a newer version

    // Upper tool bar with the commands and the playback settings.
    QToolBar *ToolBar1;
    QToolButton *ToolButton1; // record
    QToolButton *ToolButton3; // play
    QToolButton *ToolButton2; // stop
    QToolButton *ToolButton4; // clear
    QToolButton *ToolButton5; // save
    QToolButton *ToolButton6; // open
    QWidget *Panel1;
    QSlider *TrackBar1;
    QLineEdit *Edit1;
    UpDown *UpDown1;
    QGroupBox *RadioGroup1;
    QRadioButton *RadioGroup1Fixed;
    QRadioButton *RadioGroup1Random;
    QLineEdit *Edit2;
    UpDown *UpDown2;
    QLineEdit *Edit3;
    UpDown *UpDown3;

    QWidget *Panel2; // news panel, hidden
    ScriptGrid *StringGrid1;
    ScriptTable *Script;

    // Lower tool bar: the row commands.
    QToolBar *ToolBar2;
    QToolButton *ToolButton7;  // move down
    QToolButton *ToolButton8;  // move up
    QToolButton *ToolButton9;  // edit
    QToolButton *ToolButton10; // delete

    QSystemTrayIcon *TrayIcon1;
    QMenu *PopupMenu1;
    QAction *N1, *N2, *N3, *N4, *N6, *N5;

    QFileDialog *SaveDialog1;
    QFileDialog *OpenDialog1;

    // Clock of the last input event the recorder saw; nothing resets it.
    std::uint32_t LastEventTime = 0;

    ScriptEditor &editor() { return *m_editor; }
    // The tray icon's images, valued as their index in the program's image list.
    enum TrayImage { Recording = 0, Playing = 1, Idle = 7 };
    int trayImage() const { return m_trayImage; }
    bool isPlaying() const { return m_playing; }
    // The installed recording hook; 0 while nothing records.
    HookHandle recordHook() const { return m_recordHook; }
    // The stop of the playback in progress; the stop command requests it, a new run starts unrequested.
    const StopRequest &stopRequest() const { return m_stopRequest; }
    // The version text the update server gave at start; empty when the check failed or none was made.
    const QString &serverVersion() const { return m_serverVersion; }
    int RadioGroup1ItemIndex() const;

    void HotkeyMessage(std::uint32_t lParam);

    void ToolButton1Click();
    void ToolButton2Click();
    void ToolButton3Click();
    void ToolButton4Click();
    void ToolButton5Click();
    void ToolButton6Click();
    // Open without its dialog: reads `path` into the table and names it in the caption.
    void openScriptFile(const QString &path);

    // Keeps the unsettled table in a recovery journal in `folder` from now on (the program does; tests
    // and --play do not).
    void keepRecoveryJournal(const QString &folder, JournalClock &clock, JournalSystem &processes);
    RecoveryJournal *recoveryJournal() const { return m_journal; }
    // Puts the rows of a journal left by an ended copy into the table, its path into the caption, marked
    // as changed.
    void restoreRecovery(const RecoveryJournal::Offer &offer);
    // Asks whether to restore the journal left by an ended copy; Yes is the default.
    static bool askToRestore(const RecoveryJournal::Offer &offer);
    void ToolButton7Click();
    void ToolButton8Click();
    void ToolButton9Click();
    void ToolButton10Click();
    void StringGrid1DblClick();
    void RadioGroup1Click();
    void N10Click();
    void TrayIcon1Click();
    void N5Click();
    void N6Click();

    // The two ways of bringing the window back.
    void showFromTray();
    void showFromHotkey();

    // Brings a minimised window back to its normal size; hiding the main window hides the application.
    void restoreApplicationWindow();

    void setTrayImage(TrayImage image);
    void showBalloon(const QString &title, const QString &text);

    // The About window the tray menu shows and the action edit dialog of the Edit command, created after
    // the main window.
    QWidget *aboutWindow = nullptr;
    TFAddEdit *editDialog = nullptr;

    // The news page inside Panel2.
    NewsView *WebBrowser2;
    // The start-up update check: asks the server for its version and shows the news panel.
    bool CheckForUpdate();
    // Shows N8 and returns true when `version` is later than ProgramVersion.
    bool CompareVersion(const QString &version);
    void N8Click();
    void WebBrowser2DownloadComplete();

    // Undo and redo of the table's changes (Ctrl+Z; Ctrl+Shift+Z or Ctrl+Y), also in the table's context menu.
    QAction *undoAction;
    QAction *redoAction;
    QMenu *scriptContextMenu;

    // Following windows and the mouse wheel (TFmainWindowSettings.cpp): the two record switches, checkable in
    // the tray menu and in the table's context menu after their other entries. Changing one writes its key
    // into the settings file at `settingsPath` (none: nothing is written).
    QAction *followWindowsAction;
    QAction *mouseWheelAction;
    void useWindowSettings(const WindowSettings &settings, const QString &settingsPath);
    const WindowSettings &windowSettings() const { return m_windowSettings; }

    // The tray tooltip: the row and repetition of a playback, the rows of a recording, else the title.
    QString progressText() const;
    static constexpr int ProgressIntervalMs = 250;

  signals:
    // Each balloon shown on the tray icon.
    void balloonShown(const QString &title, const QString &text);

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void FormCreate();
    void buildHistory();
    // Undo and redo wait while a recording or a playback runs; their entries are disabled meanwhile.
    bool historyLocked() const;
    void updateHistoryActions();
    void buildProgress();
    // Starts or stops following the progress as a playback or a recording begins or ends.
    void followProgress();
    void showProgress();
    // A recording becomes one step of the undo history, from the row it started writing in.
    void recordingStarted();
    void recordingEnded();
    void buildMenu();
    void buildUpperToolBar();
    void buildSettingsPanel();
    void buildNewsPanel();
    void buildScriptView();
    void buildTray();
    void buildFileDialogs();
    void buildWindowSettingsEntries();
    void selectGridRow(int row);

    Platform &m_platform;
    Desktop &m_desktop;
    const UpdateSettings m_updateSettings;
    const HotkeyBindings m_hotkeys;
    ScriptEditor *m_editor;
    InputRecorder m_recorder;
    bool m_playing = false;
    PlaybackEngine *m_playback = nullptr; // the run in progress
    StopRequest m_stopRequest;
    HookHandle m_recordHook = 0;
    QString m_serverVersion;
    QVBoxLayout *m_layout;
    TrayImage m_trayImage = Idle;
    int m_recordingFrom = 0;
    std::int32_t m_playbackRepeats = 0;
    QTimer *m_progressTimer = nullptr;
    std::optional<TableRows> m_recordingBefore; // the rows a recording in progress started from
    std::uint64_t m_stepsBeforeRecording = 0;
    RecoveryJournal *m_journal = nullptr;
    WindowSettings m_windowSettings;
    QString m_settingsPath;
    // Save, Open or Clear has settled the table.
    void tableSettled();
};
