// Construction of the main window's widgets: the menu, the two tool bars, the settings panel, the news
// panel, the script view, the tray icon and the file dialogs.

#include "TFmain.h"

#include "Application.h"
#include "Artwork.h"
#include "NewsView.h"
#include "UpDown.h"
#include "edit/ScriptEditor.h"
#include "edit/ScriptGrid.h"
#include "script/ScriptTable.h"

#include <QAction>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <array>

namespace
{

constexpr std::array<int, ScriptTable::ColumnCount> kColumnWidths = {104, 81, 64, 66, 179, 93, 64};

constexpr int DesignClientWidth = 990;

// A failure of the command is shown before it could unwind through Qt's frames.
void connectCommand(QToolButton *button, TFmain *window, void (TFmain::*handler)())
{
    QObject::connect(button, &QToolButton::clicked, window,
                     [window, handler] { Application::reportFailures([window, handler] { (window->*handler)(); }); });
}

QToolButton *addCommandButton(QToolBar *bar, const QString &caption, const QString &tooltip, const QIcon &icon,
                              QSize size)
{
    auto *button = new QToolButton(bar);
    button->setText(caption);
    button->setToolTip(tooltip);
    button->setIcon(icon);
    button->setToolButtonStyle(bar->toolButtonStyle());
    // The design size: the captions fit it in Tahoma or its twin (FormFont), which the style's own margins
    // would widen.
    button->setFixedSize(size);
    bar->addWidget(button);
    return button;
}

} // namespace

void TFmain::buildMenu()
{
    MainMenu1 = new QMenuBar(this);
    N10 = MainMenu1->addAction(tr("Скрипт"));
    N8 = MainMenu1->addAction(tr("Доступна новая версия!"));
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
        addCommandButton(ToolBar1, tr("Запись"), m_hotkeys.text(HotkeyBindings::Record), Artwork::ImageList1(0), size);
    ToolButton3 = addCommandButton(ToolBar1, tr("Воспроизвести"), m_hotkeys.text(HotkeyBindings::Play),
                                   Artwork::ImageList1(1), size);
    ToolButton2 =
        addCommandButton(ToolBar1, tr("Стоп"), m_hotkeys.text(HotkeyBindings::Stop), Artwork::ImageList1(6), size);
    ToolButton4 = addCommandButton(ToolBar1, tr("Очистить"), QString(), Artwork::ImageList1(2), size);
    ToolButton5 = addCommandButton(ToolBar1, tr("Сохранить"), QString(), Artwork::ImageList1(3), size);
    ToolButton6 = addCommandButton(ToolBar1, tr("Открыть"), QString(), Artwork::ImageList1(5), size);
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
    speed->addWidget(new QLabel(tr("Быстрее"), Panel1), 1, 0, Qt::AlignLeft);
    speed->addWidget(new QLabel(tr("Медленней"), Panel1), 1, 1, Qt::AlignRight);
    row->addLayout(speed);

    auto *repeats = new QGridLayout;
    repeats->addWidget(new QLabel(tr("Повторов"), Panel1), 0, 0, 1, 2);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setFixedWidth(40);
    UpDown1 = new UpDown(Edit1, 1, 1000, Panel1);
    repeats->addWidget(Edit1, 1, 0);
    repeats->addWidget(UpDown1, 1, 1);
    row->addLayout(repeats);

    RadioGroup1 = new QGroupBox(tr("Интервал повторов (сек)"), Panel1);
    auto *items = new QVBoxLayout(RadioGroup1);
    items->setContentsMargins(4, 0, 4, 0);
    items->setSpacing(0);
    RadioGroup1Fixed = new QRadioButton(tr("Фиксированный"), RadioGroup1);
    RadioGroup1Random = new QRadioButton(tr("Случайный"), RadioGroup1);
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

void TFmain::buildNewsPanel()
{
    Panel2 = new QWidget(this);
    Panel2->setFixedHeight(105);
    Panel2->hide();
    auto *panel2Layout = new QVBoxLayout(Panel2);
    panel2Layout->setContentsMargins(0, 0, 0, 0);
    WebBrowser2 = new NewsView(Panel2);
    WebBrowser2->setMinimumWidth(DesignClientWidth);
    panel2Layout->addWidget(WebBrowser2);
    connect(WebBrowser2, &NewsView::downloadComplete, this, &TFmain::WebBrowser2DownloadComplete);
    m_layout->addWidget(Panel2);
}

void TFmain::buildScriptView()
{
    StringGrid1 = new ScriptGrid(this);
    StringGrid1->setModel(Script);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setRowHeight(StringGrid1->fontMetrics().height() + 6);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGrid1->horizontalHeader()->setHighlightSections(false);
    for (std::size_t column = 0; column < kColumnWidths.size(); ++column)
        StringGrid1->setColumnWidth(int(column), kColumnWidths[column]);
    StringGrid1->hide();
    m_layout->addWidget(StringGrid1, 1);

    connect(StringGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid())
                    m_editor->StringGrid1SelectCell(current.column(), ScriptTable::gridRow(current));
            });
    connect(m_editor, &ScriptEditor::selectedRowChanged, this, &TFmain::selectGridRow);
    // Rows replaced wholesale (Open, Clear, and the undo and redo of either) reset the view and its current
    // row with it; the highlight goes back to the selected row, which a reset leaves alone (or narrows to the
    // rows that remain, which reaches selectGridRow above).
    connect(Script, &QAbstractItemModel::modelReset, this, [this] { selectGridRow(m_editor->selectedRow()); });
    connect(StringGrid1, &QAbstractItemView::doubleClicked, this, &TFmain::StringGrid1DblClick);

    ToolBar2 = new QToolBar(this);
    ToolBar2->setIconSize(QSize(16, 16));
    ToolBar2->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBar2->setMovable(false);
    const QSize size(99, 30);
    ToolButton7 = addCommandButton(ToolBar2, tr("Переместить"), QString(), Artwork::ImageList3(0), size);
    ToolButton8 = addCommandButton(ToolBar2, tr("Переместить"), QString(), Artwork::ImageList3(1), size);
    ToolButton9 = addCommandButton(ToolBar2, tr("Изменить"), QString(), Artwork::ImageList3(2), size);
    ToolButton10 = addCommandButton(ToolBar2, tr("Удалить"), QString(), Artwork::ImageList3(3), size);
    connectCommand(ToolButton7, this, &TFmain::ToolButton7Click);
    connectCommand(ToolButton8, this, &TFmain::ToolButton8Click);
    connectCommand(ToolButton9, this, &TFmain::ToolButton9Click);
    connectCommand(ToolButton10, this, &TFmain::ToolButton10Click);
    ToolBar2->hide();
    m_layout->addWidget(ToolBar2);
}

void TFmain::buildTray()
{
    PopupMenu1 = new QMenu(this);
    // A command without a hotkey is named without a combination.
    const auto entry = [this](HotkeyBindings::Command command, const QString &withKey, const QString &withoutKey) {
        const QString key = m_hotkeys.text(command);
        return PopupMenu1->addAction(key.isEmpty() ? withoutKey : withKey.arg(key));
    };
    N1 = entry(HotkeyBindings::Record, tr("Запись (%1)"), tr("Запись"));
    N2 = entry(HotkeyBindings::Stop, tr("Стоп (%1)"), tr("Стоп"));
    N3 = entry(HotkeyBindings::Play, tr("Вопроизвести (%1)"), tr("Вопроизвести"));
    N4 = entry(HotkeyBindings::Show, tr("Окно (%1)"), tr("Окно"));
    N6 = PopupMenu1->addAction(tr("О программе"));
    N5 = PopupMenu1->addAction(tr("Выход"));
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
    setTrayImage(Idle); // shown when start-up has ended, so that nothing is reachable before
}

void TFmain::buildFileDialogs()
{
    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::AnyFile);
    OpenDialog1->setOptions(QFileDialog::DontUseNativeDialog);
}
