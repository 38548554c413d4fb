#include "TFmain.h"

#include "Application.h"
#include "Artwork.h"
#include "NewsView.h"
#include "UpDown.h"
#include "UpdateCheck.h"
#include "VersionCheck.h"
#include "edit/DeleteConfirmation.h"
#include "edit/ScriptEditor.h"
#include "edit/ScriptGrid.h"
#include "edit/TFAddEdit.h"
#include "play/PlaybackEngine.h"
#include "record/AltCleanup.h"
#include "record/ProcessState.h"
#include "record/RecordingCaption.h"
#include "script/IntegerConversion.h"
#include "script/ScriptFile.h"
#include "script/ScriptTable.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <array>
#include <cstdlib>

TFmain *Fmain = nullptr;

UpdateSettings TFmain::updateSettings = UpdateSettings::buildDefaults();

std::function<void(const QString &text)> TFmain::showInformation = [](const QString &text) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::NoButton);
    box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    box.exec();
};

namespace
{

constexpr int VK_F9 = 0x78;
constexpr int VK_F10 = 0x79;
constexpr int VK_F11 = 0x7A;

struct HotkeyRow {
    const char *atomName;
    unsigned modifiers;
    int key;
};

// Registered in this order.
constexpr std::array<HotkeyRow, 4> kHotkeys = {{
    {"My Hotkey window", MOD_ALT | MOD_SHIFT, VK_F9},
    {"My Hotkey Start", MOD_ALT, VK_F9},
    {"My Hotkey Stop", MOD_ALT, VK_F10},
    {"My Hotkey Play", MOD_ALT, VK_F11},
}};

constexpr std::array<int, 7> kColumnWidths = {104, 81, 64, 66, 179, 93, 64};
const std::array<QString, 7> kHeaderTexts = {
    QStringLiteral("Форма"),    QStringLiteral("Объект"),    QStringLiteral("id"),        QStringLiteral("handle"),
    QStringLiteral("Действие"), QStringLiteral("Параметры"), QStringLiteral("X,Y local"),
};

constexpr int ScriptViewExtraHeight = 150;
constexpr int DesignClientWidth = 990;

// Stable identifiers for the hotkeys, in the range global atoms use.
int globalAddAtom(const char *name)
{
    for (std::size_t i = 0; i < kHotkeys.size(); ++i) {
        if (qstrcmp(kHotkeys[i].atomName, name) == 0)
            return 0xC000 + int(i);
    }
    return 0;
}

// A failure of the command is shown before it could unwind through Qt's frames.
void connectCommand(QToolButton *button, TFmain *window, void (TFmain::*handler)())
{
    QObject::connect(button, &QToolButton::clicked, window,
                     [window, handler] { Application::reportFailures([window, handler] { (window->*handler)(); }); });
}

QToolButton *addCommandButton(QToolBar *bar, const QString &caption, const QString &tooltip, const QIcon &icon,
                              QSize minimumSize)
{
    auto *button = new QToolButton(bar);
    button->setText(caption);
    button->setToolTip(tooltip);
    button->setIcon(icon);
    button->setToolButtonStyle(bar->toolButtonStyle());
    // The design size, wider only where a caption would not fit in the fallback font.
    button->setMinimumSize(minimumSize);
    button->setMaximumHeight(minimumSize.height());
    bar->addWidget(button);
    return button;
}

} // namespace

TFmain::TFmain(Platform &platform, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      Script(new ScriptTable(this)), m_platform(platform), m_editor(new ScriptEditor(*Script, this)),
      m_recorder(*Script, LastEventTime)
{
    setWindowTitle(QStringLiteral("Tapsmith"));
    setWindowIcon(Artwork::programIcon());
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    buildMenu();
    buildUpperToolBar();
    Panel2 = new QWidget(this);
    Panel2->setFixedHeight(105);
    Panel2->hide();
    auto *panel2Layout = new QVBoxLayout(Panel2);
    panel2Layout->setContentsMargins(0, 0, 0, 0);
    WebBrowser2 = new NewsView(Panel2);
    WebBrowser2->setMinimumWidth(DesignClientWidth);
    panel2Layout->addWidget(WebBrowser2);
    connect(WebBrowser2, &NewsView::downloadComplete, this, &TFmain::WebBrowser2DownloadComplete);
    openUrl = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    m_layout->addWidget(Panel2);
    buildScriptView();
    buildTray();

    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::AnyFile);
    OpenDialog1->setOptions(QFileDialog::DontUseNativeDialog);

    terminateProcess = [] {
        QGuiApplication::sync();
        std::_Exit(EXIT_SUCCESS);
    };

    // Auto-size: the window takes the size of its visible content until the script view is shown.
    m_layout->setSizeConstraint(QLayout::SetFixedSize);
    FormCreate();
}

TFmain::~TFmain() = default;

void TFmain::FormCreate()
{
    if (CheckForUpdate()) {
        CompareVersion(ServerVersion);
    } else {
        Panel2->hide();
        N8->setEnabled(false);
    }

    m_platform.hotkeys->setHandler([this](unsigned modifiers, int key) {
        HotkeyMessage(std::uint32_t(modifiers & 0xFFFF) | (std::uint32_t(key) << 16));
    });
    for (const HotkeyRow &row : kHotkeys)
        m_platform.hotkeys->registerHotKey(globalAddAtom(row.atomName), row.modifiers, row.key);

    for (int column = 0; column < ScriptTable::ColumnCount; ++column)
        Script->setHeaderText(column, kHeaderTexts[std::size_t(column)]);
}

void TFmain::buildMenu()
{
    MainMenu1 = new QMenuBar(this);
    N10 = MainMenu1->addAction(QStringLiteral("Скрипт"));
    N8 = MainMenu1->addAction(QStringLiteral("Доступна новая версия!"));
    N8->setVisible(false);
    connect(N10, &QAction::triggered, this, &TFmain::N10Click);
    connect(N8, &QAction::triggered, this, &TFmain::N8Click);
    m_layout->setMenuBar(MainMenu1);
}

void TFmain::buildUpperToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setMovable(false);
    const QSize size(82, 52);
    ToolButton1 =
        addCommandButton(ToolBar1, QStringLiteral("Запись"), QStringLiteral("Alt+F9"), Artwork::ImageList1(0), size);
    ToolButton3 = addCommandButton(ToolBar1, QStringLiteral("Воспроизвести"), QStringLiteral("Alt+F11"),
                                   Artwork::ImageList1(1), size);
    ToolButton2 =
        addCommandButton(ToolBar1, QStringLiteral("Стоп"), QStringLiteral("Alt+F10"), Artwork::ImageList1(6), size);
    ToolButton4 = addCommandButton(ToolBar1, QStringLiteral("Очистить"), QString(), Artwork::ImageList1(2), size);
    ToolButton5 = addCommandButton(ToolBar1, QStringLiteral("Сохранить"), QString(), Artwork::ImageList1(3), size);
    ToolButton6 = addCommandButton(ToolBar1, QStringLiteral("Открыть"), QString(), Artwork::ImageList1(5), size);
    connectCommand(ToolButton1, this, &TFmain::ToolButton1Click);
    connectCommand(ToolButton3, this, &TFmain::ToolButton3Click);
    connectCommand(ToolButton2, this, &TFmain::ToolButton2Click);
    connectCommand(ToolButton4, this, &TFmain::ToolButton4Click);
    connectCommand(ToolButton5, this, &TFmain::ToolButton5Click);
    connectCommand(ToolButton6, this, &TFmain::ToolButton6Click);
    buildSettingsPanel();
    ToolBar1->addWidget(Panel1);
    m_layout->addWidget(ToolBar1);
}

void TFmain::buildSettingsPanel()
{
    Panel1 = new QWidget(ToolBar1);
    Panel1->setFixedWidth(445);
    auto *row = new QHBoxLayout(Panel1);
    row->setContentsMargins(4, 0, 4, 0);
    row->setSpacing(4);

    auto *speed = new QGridLayout;
    speed->setContentsMargins(0, 0, 0, 0);
    TrackBar1 = new QSlider(Qt::Horizontal, Panel1);
    TrackBar1->setRange(1, 200);
    TrackBar1->setValue(100);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setTickInterval(199); // marks at the two ends only
    TrackBar1->setFixedWidth(130);
    connect(TrackBar1, &QSlider::sliderMoved, this, [this](int position) {
        const QPoint handle = TrackBar1->mapToGlobal(QPoint(0, TrackBar1->height() / 2));
        QToolTip::showText(handle - QPoint(30, 0), QString::number(position), TrackBar1);
    });
    speed->addWidget(TrackBar1, 0, 0, 1, 2);
    speed->addWidget(new QLabel(QStringLiteral("Быстрее"), Panel1), 1, 0, Qt::AlignLeft);
    speed->addWidget(new QLabel(QStringLiteral("Медленней"), Panel1), 1, 1, Qt::AlignRight);
    row->addLayout(speed);

    auto *repeats = new QGridLayout;
    repeats->addWidget(new QLabel(QStringLiteral("Повторов"), Panel1), 0, 0, 1, 2);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setFixedWidth(40);
    UpDown1 = new UpDown(Edit1, 1, 1000, Panel1);
    repeats->addWidget(Edit1, 1, 0);
    repeats->addWidget(UpDown1, 1, 1);
    row->addLayout(repeats);

    RadioGroup1 = new QGroupBox(QStringLiteral("Интервал повторов (сек)"), Panel1);
    auto *items = new QVBoxLayout(RadioGroup1);
    items->setContentsMargins(4, 0, 4, 0);
    items->setSpacing(0);
    RadioGroup1Fixed = new QRadioButton(QStringLiteral("Фиксированный"), RadioGroup1);
    RadioGroup1Random = new QRadioButton(QStringLiteral("Случайный"), RadioGroup1);
    RadioGroup1Fixed->setChecked(true);
    items->addWidget(RadioGroup1Fixed);
    items->addWidget(RadioGroup1Random);
    connect(RadioGroup1Random, &QRadioButton::toggled, this, &TFmain::RadioGroup1Click);
    row->addWidget(RadioGroup1);

    // Edit3 stands directly below Edit2 and is shown only for a random interval.
    auto *interval = new QGridLayout;
    interval->setVerticalSpacing(2);
    Edit2 = new QLineEdit(Panel1);
    Edit2->setFixedWidth(40);
    UpDown2 = new UpDown(Edit2, 1, 1000, Panel1);
    Edit3 = new QLineEdit(Panel1);
    Edit3->setFixedWidth(40);
    UpDown3 = new UpDown(Edit3, 1, 1000, Panel1);
    interval->addWidget(Edit2, 0, 0);
    interval->addWidget(UpDown2, 0, 1);
    interval->addWidget(Edit3, 1, 0);
    interval->addWidget(UpDown3, 1, 1);
    auto *placeholder = new QWidget(Panel1);
    placeholder->setFixedSize(1, 21);
    interval->addWidget(placeholder, 1, 2); // keeps the row's height while Edit3 is hidden
    Edit3->hide();
    UpDown3->hide();
    row->addLayout(interval);
    row->addStretch();
}

void TFmain::buildScriptView()
{
    StringGrid1 = new ScriptGrid(this);
    StringGrid1->setModel(Script);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setWordWrap(false);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setDefaultSectionSize(StringGrid1->fontMetrics().height() + 6);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGrid1->horizontalHeader()->setHighlightSections(false);
    for (std::size_t column = 0; column < kColumnWidths.size(); ++column)
        StringGrid1->setColumnWidth(int(column), kColumnWidths[column]);
    StringGrid1->hide();
    m_layout->addWidget(StringGrid1, 1);

    connect(StringGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid())
                    m_editor->StringGrid1SelectCell(current.column(), current.row() + 1);
            });
    connect(m_editor, &ScriptEditor::selectedRowChanged, this, &TFmain::selectGridRow);
    connect(StringGrid1, &QTableView::doubleClicked, this, &TFmain::StringGrid1DblClick);

    ToolBar2 = new QToolBar(this);
    ToolBar2->setIconSize(QSize(16, 16));
    ToolBar2->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBar2->setMovable(false);
    const QSize size(99, 30);
    ToolButton7 = addCommandButton(ToolBar2, QStringLiteral("Переместить"), QString(), Artwork::ImageList3(0), size);
    ToolButton8 = addCommandButton(ToolBar2, QStringLiteral("Переместить"), QString(), Artwork::ImageList3(1), size);
    ToolButton9 = addCommandButton(ToolBar2, QStringLiteral("Изменить"), QString(), Artwork::ImageList3(2), size);
    ToolButton10 = addCommandButton(ToolBar2, QStringLiteral("Удалить"), QString(), Artwork::ImageList3(3), size);
    connect(ToolButton7, &QToolButton::clicked, this, &TFmain::ToolButton7Click);
    connect(ToolButton8, &QToolButton::clicked, this, &TFmain::ToolButton8Click);
    connect(ToolButton9, &QToolButton::clicked, this, &TFmain::ToolButton9Click);
    connect(ToolButton10, &QToolButton::clicked, this, &TFmain::ToolButton10Click);
    ToolBar2->hide();
    m_layout->addWidget(ToolBar2);
}

void TFmain::buildTray()
{
    PopupMenu1 = new QMenu(this);
    N1 = PopupMenu1->addAction(QStringLiteral("Запись (Alt+F9)"));
    N2 = PopupMenu1->addAction(QStringLiteral("Стоп (Alt+F10)"));
    N3 = PopupMenu1->addAction(QStringLiteral("Вопроизвести (Alt+F11)"));
    N4 = PopupMenu1->addAction(QStringLiteral("Окно (Alt+Shift+F9)"));
    N6 = PopupMenu1->addAction(QStringLiteral("О программе"));
    N5 = PopupMenu1->addAction(QStringLiteral("Выход"));
    connect(N1, &QAction::triggered, ToolButton1, &QToolButton::click);
    connect(N2, &QAction::triggered, ToolButton2, &QToolButton::click);
    connect(N3, &QAction::triggered, ToolButton3, &QToolButton::click);
    connect(N4, &QAction::triggered, this, &TFmain::showFromTray);
    connect(N6, &QAction::triggered, this, &TFmain::N6Click);
    connect(N5, &QAction::triggered, this, &TFmain::N5Click);

    TrayIcon1 = new QSystemTrayIcon(this);
    TrayIcon1->setContextMenu(PopupMenu1);
    TrayIcon1->setToolTip(QCoreApplication::applicationName());
    connect(TrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            TrayIcon1Click();
    });
    setTrayImage(7);
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
    if (modifiers == MOD_ALT && key == VK_F9)
        ToolButton1->click();
    if (modifiers == MOD_ALT && key == VK_F10)
        ToolButton2->click();
    if (modifiers == MOD_ALT && key == VK_F11)
        ToolButton3->click();
    if (modifiers == (MOD_ALT | MOD_SHIFT) && key == VK_F9)
        showFromHotkey();
}

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

namespace
{

// Shows a file dialog proposing the name last chosen in it; returns the chosen path, empty on cancel.
QString chooseScriptFile(QFileDialog &dialog)
{
    dialog.setNameFilter(QStringLiteral("*.tpx"));
    const QString lastChosen = dialog.property("lastChosen").toString();
    if (!lastChosen.isEmpty())
        dialog.selectFile(lastChosen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog.selectedFiles().constFirst();
    dialog.setProperty("lastChosen", chosen);
    return chosen;
}

} // namespace

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
    terminateProcess();
}

void TFmain::N6Click()
{
    if (!aboutWindow)
        return;
    aboutWindow->show();
    aboutWindow->raise();
    aboutWindow->activateWindow();
}

bool TFmain::CheckForUpdate()
{
    // Without a configured server there is nothing to ask: the check ends as a failed one would, quietly.
    if (updateSettings.serverUrl.isEmpty())
        return false;
    WebBrowser2->setTimeout(updateSettings.timeoutMs);
    WebBrowser2->Navigate(updateSettings.serverUrl);
    const std::optional<QString> reply = UpdateCheck(updateSettings.serverUrl, updateSettings.timeoutMs).fetch();
    if (!reply)
        return false;
    ServerVersion = serverVersionFromReply(*reply);
    Panel2->show();
    N8->setEnabled(true);
    return true;
}

bool TFmain::CompareVersion(const QString &version)
{
    if (!isNewerVersion(version, ProgramVersion))
        return false;
    N8->setVisible(true);
    return true;
}

void TFmain::N8Click()
{
    openUrl(updateSettings.downloadPage);
}

void TFmain::WebBrowser2DownloadComplete()
{
    // Every page needs its context menu switched off again; a load that found no server leaves no page.
    if (!WebBrowser2->disableContextMenu())
        showInformation(QStringLiteral("Отсутствует доступ к интернет или программа заблокирована фаерволом. "
                                       "Пойск новой версии будет не доступен. "));
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

void TFmain::hideApplicationWindow()
{
    hide();
}

void TFmain::restoreApplicationWindow()
{
    if (isMinimized())
        showNormal();
}

void TFmain::setTrayImage(int index)
{
    m_trayImage = index;
    TrayIcon1->setIcon(Artwork::ImageList1(index));
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
    StringGrid1->setCurrentIndex(Script->index(row - 1, column));
}
