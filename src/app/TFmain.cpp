#include "TFmain.h"

#include "Artwork.h"
#include "UpdateCheck.h"
#include "core/DebugLog.h"
#include "edit/FormStyle.h"
#include "edit/ScriptEditor.h"
#include "edit/ScriptGrid.h"
#include "script/ScriptTable.h"

#include <QCloseEvent>
#include <QPointer>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <array>
#include <cstdlib>

namespace
{

// The atom names of the hotkeys, in the order of HotkeyBindings::Command.
constexpr std::array<const char *, HotkeyBindings::CommandCount> kHotkeyAtoms = {
    "My Hotkey window",
    "My Hotkey Start",
    "My Hotkey Stop",
    "My Hotkey Play",
};

constexpr std::array<const char *, ScriptTable::ColumnCount> kHeaderTexts = {
    QT_TRANSLATE_NOOP("TFmain", "Форма"),     QT_TRANSLATE_NOOP("TFmain", "Объект"),
    QT_TRANSLATE_NOOP("TFmain", "id"),        QT_TRANSLATE_NOOP("TFmain", "handle"),
    QT_TRANSLATE_NOOP("TFmain", "Действие"),  QT_TRANSLATE_NOOP("TFmain", "Параметры"),
    QT_TRANSLATE_NOOP("TFmain", "X,Y local"),
};

// Stable identifiers for the hotkeys, in the range global atoms use.
int globalAddAtom(const char *name)
{
    for (std::size_t i = 0; i < kHotkeyAtoms.size(); ++i) {
        if (qstrcmp(kHotkeyAtoms[i], name) == 0)
            return 0xC000 + int(i);
    }
    return 0;
}

} // namespace

TFmain::TFmain(Platform &platform, Desktop &desktop, const UpdateSettings &updateSettings, QWidget *parent,
               HotkeyBindings hotkeys)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      Script(new ScriptTable(this)), m_platform(platform), m_desktop(desktop), m_updateSettings(updateSettings),
      m_hotkeys(std::move(hotkeys)), m_editor(new ScriptEditor(*Script, this)), m_recorder(*Script, LastEventTime)
{
    setWindowTitle(QStringLiteral("Tapsmith"));
    setWindowIcon(Artwork::programIcon());
    setFont(formFont());

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    buildMenu();
    buildUpperToolBar();
    buildNewsPanel();
    buildScriptView();
    buildTray();
    buildFileDialogs();
    buildHistory();
    buildWindowSettingsEntries();
    buildProgress();

    // A request from outside (SIGTERM and the like) ends the program the way Exit does; once the window is
    // gone there is nothing left to let go of first.
    if (m_platform.endRequests) {
        m_platform.endRequests->setHandler([window = QPointer<TFmain>(this)] {
            if (!window)
                std::_Exit(EXIT_SUCCESS);
            window->N5Click();
        });
    }

    // Auto-size: the window takes the size of its visible content until the script view is shown.
    m_layout->setSizeConstraint(QLayout::SetFixedSize);
    FormCreate();
}

TFmain::~TFmain()
{
    // The history goes with the window's children and signals as its steps are dropped: by then this is no
    // longer a TFmain whose actions could follow it.
    disconnect(&m_editor->history().stack(), nullptr, this, nullptr);
}

void TFmain::FormCreate()
{
    if (CheckForUpdate()) {
        CompareVersion(m_serverVersion);
    } else {
        Panel2->hide();
        N8->setEnabled(false);
    }

    m_platform.hotkeys->setHandler([this](unsigned modifiers, int key) {
        HotkeyMessage(std::uint32_t(modifiers & 0xFFFF) | (std::uint32_t(key) << 16));
    });
    for (int command = 0; command < HotkeyBindings::CommandCount; ++command) {
        // A hotkey whose setting did not parse is skipped, as one that another program holds.
        // One that another program holds is skipped without a word on screen; the reason goes to the debug log.
        const auto &binding = m_hotkeys.binding(HotkeyBindings::Command(command));
        if (binding && !m_platform.hotkeys->registerHotKey(globalAddAtom(kHotkeyAtoms[std::size_t(command)]),
                                                           binding->modifiers, binding->virtualKey))
            debugLog(QStringLiteral("the hotkey %1 is not registered: %2")
                         .arg(binding->text, QString::fromStdString(m_platform.hotkeys->lastError())));
    }

    for (int column = 0; column < ScriptTable::ColumnCount; ++column)
        Script->setHeaderText(column, tr(kHeaderTexts[std::size_t(column)]));

    // Only now: a tray click during the update check's wait would reach a window without its hotkeys and
    // header.
    TrayIcon1->show();
}

int TFmain::RadioGroup1ItemIndex() const
{
    return RadioGroup1Random->isChecked() ? 1 : 0;
}

void TFmain::HotkeyMessage(std::uint32_t lParam)
{
    const std::uint32_t modifiers = lParam & 0xFFFF;
    const std::uint32_t key = lParam >> 16;
    const std::optional<HotkeyBindings::Command> command = m_hotkeys.commandOf(modifiers, int(key));
    if (command == HotkeyBindings::Record)
        ToolButton1->click();
    if (command == HotkeyBindings::Stop)
        ToolButton2->click();
    if (command == HotkeyBindings::Play)
        ToolButton3->click();
    if (command == HotkeyBindings::Show)
        showFromHotkey();
}

void TFmain::showFromTray()
{
    show();
    raise();
    activateWindow();
    restoreApplicationWindow();
}

void TFmain::showFromHotkey()
{
    restoreApplicationWindow();
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TFmain::restoreApplicationWindow()
{
    if (isMinimized())
        showNormal();
}

void TFmain::setTrayImage(TrayImage image)
{
    m_trayImage = image;
    TrayIcon1->setIcon(Artwork::ImageList1(image));
}

void TFmain::showBalloon(const QString &title, const QString &text)
{
    TrayIcon1->showMessage(title, text, QIcon(), 1000);
    emit balloonShown(title, text);
}

void TFmain::closeEvent(QCloseEvent *event)
{
    event->ignore();
    hide();
}

void TFmain::selectGridRow(int row)
{
    if (row < 1)
        return;
    const QModelIndex current = StringGrid1->currentIndex();
    const int column = current.isValid() ? current.column() : ScriptTable::ActionColumn;
    StringGrid1->setCurrentIndex(Script->gridIndex(row, column));
}
