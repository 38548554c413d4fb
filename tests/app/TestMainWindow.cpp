#include "MainWindowFixture.h"
#include "app/Application.h"
#include "app/FormFont.h"
#include "app/UpDown.h"
#include "edit/ScriptEditor.h"
#include "edit/ScriptGrid.h"
#include "edit/TFAddEdit.h"

#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <memory>

namespace
{

constexpr int F9 = 0x78, F10 = 0x79, F11 = 0x7A, F12 = 0x7B;

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsIdleWithHeaderAndDefaults();
    void commandBarsHaveTheirButtonsInOrder();
    void registersTheFourHotkeysInOrder();
    void hotkeyDispatch_data();
    void hotkeyDispatch();
    void recordMarksCaptionHidesAndInstallsOneHook();
    void recordFailureIsReported();
    void stopShowsWindowRemovesHookAndCleansAltRows();
    void toolButtonTrayItemAndHotkeyAgree();
    void randomIntervalShowsThirdEdit();
    void scriptViewToggleDoesNotGrow();
    void closeHidesAndHotkeysStillWork();
    void exitRemovesHookAndEndsProcess();
    void clearResetsTableCaptionAndSelection();
    void upDownKeepsRangeAndAcceptsTypedText();
    void gridSelectionDrivesTheRowCommands();
    void deleteAsksEvenWithoutSelection();
    void doubleClickEditsTheSelectedRow();
    void focusAloneSelectsNoRow();

  private:
    MainWindowFixture m_ui;
};

void TestMainWindow::initTestCase()
{
    // As the program does at start: Wine's twin of Tahoma where no Tahoma is installed.
    QVERIFY(FormFont::ensureTahoma());
}

void TestMainWindow::init()
{
    m_ui.open();
}

void TestMainWindow::cleanup()
{
    m_ui.close();
}

void TestMainWindow::startsIdleWithHeaderAndDefaults()
{
    TFmain &w = *m_ui.window;
    QCOMPARE(w.windowTitle(), QStringLiteral("Tapsmith"));
    QVERIFY(!(w.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(w.trayImage(), 7);
    QCOMPARE(w.Script->rows(), 2);
    const QStringList headers = {"Форма", "Объект", "id", "handle", "Действие", "Параметры", "X,Y local"};
    const QList<int> widths = {104, 81, 64, 66, 179, 93, 64};
    for (int column = 0; column < 7; ++column) {
        QCOMPARE(w.Script->cellText(column, 0), headers[column]);
        QCOMPARE(w.Script->headerData(column, Qt::Horizontal).toString(), headers[column]);
        QCOMPARE(w.StringGrid1->columnWidth(column), widths[column]);
        QVERIFY(w.Script->cellText(column, 1).isEmpty());
    }
    QVERIFY(!w.StringGrid1->isVisible());
    QVERIFY(!w.ToolBar2->isVisible());
    QVERIFY(!w.Panel2->isVisible());
    QVERIFY(w.N10->isVisible());
    QVERIFY(!w.N8->isVisible());
    QCOMPARE(w.N10->text(), QStringLiteral("Скрипт"));
    QCOMPARE(w.StringGrid1->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(w.StringGrid1->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(w.StringGrid1->horizontalHeader()->sectionResizeMode(4), QHeaderView::Interactive);

    QCOMPARE(w.TrackBar1->minimum(), 1);
    QCOMPARE(w.TrackBar1->maximum(), 200);
    QCOMPARE(w.TrackBar1->value(), 100);
    QCOMPARE(w.Edit1->text(), QStringLiteral("1"));
    QCOMPARE(w.Edit2->text(), QStringLiteral("1"));
    QCOMPARE(w.Edit3->text(), QStringLiteral("1"));
    QCOMPARE(w.RadioGroup1->title(), QStringLiteral("Интервал повторов (сек)"));
    QCOMPARE(w.RadioGroup1ItemIndex(), 0);
    QVERIFY(!w.Edit3->isVisible());
    QCOMPARE(w.editor().selectedRow(), 0);
}

void TestMainWindow::commandBarsHaveTheirButtonsInOrder()
{
    TFmain &w = *m_ui.window;
    const QList<QToolButton *> upper = {w.ToolButton1, w.ToolButton3, w.ToolButton2,
                                        w.ToolButton4, w.ToolButton5, w.ToolButton6};
    const QStringList captions = {"Запись", "Воспроизвести", "Стоп", "Очистить", "Сохранить", "Открыть"};
    const QStringList tooltips = {"Alt+F9", "Alt+F11", "Alt+F10", "", "", ""};
    int previousX = -1;
    for (int i = 0; i < upper.size(); ++i) {
        QCOMPARE(upper[i]->text(), captions[i]);
        QCOMPARE(upper[i]->toolTip(), tooltips[i]);
        QVERIFY(!upper[i]->icon().pixmap(32, 32).isNull());
        QCOMPARE(upper[i]->size(), QSize(82, 52));
        QCOMPARE(QFontInfo(upper[i]->font()).family(), QStringLiteral("Tahoma"));
        QVERIFY(upper[i]->x() > previousX);
        previousX = upper[i]->x();
    }
    const QList<QToolButton *> lower = {w.ToolButton7, w.ToolButton8, w.ToolButton9, w.ToolButton10};
    const QStringList lowerCaptions = {"Переместить", "Переместить", "Изменить", "Удалить"};
    for (int i = 0; i < lower.size(); ++i) {
        QCOMPARE(lower[i]->text(), lowerCaptions[i]);
        QVERIFY(!lower[i]->icon().pixmap(16, 16).isNull());
    }
    const QList<QAction *> tray = {w.N1, w.N2, w.N3, w.N4, w.N6, w.N5};
    const QStringList trayTexts = {"Запись (Alt+F9)",     "Стоп (Alt+F10)", "Вопроизвести (Alt+F11)",
                                   "Окно (Alt+Shift+F9)", "О программе",    "Выход"};
    // The switches of following windows and the wheel come after these (TestWindowSettings).
    QCOMPARE(w.PopupMenu1->actions().mid(0, tray.size()), tray);
    for (int i = 0; i < tray.size(); ++i)
        QCOMPARE(tray[i]->text(), trayTexts[i]);
}

void TestMainWindow::registersTheFourHotkeysInOrder()
{
    const auto &registrations = m_ui.fakes->hotkeys->registrations;
    QCOMPARE(registrations.size(), std::size_t(4));
    const unsigned modifiers[] = {Modifier::Alt | Modifier::Shift, Modifier::Alt, Modifier::Alt, Modifier::Alt};
    const int keys[] = {F9, F9, F10, F11};
    for (std::size_t i = 0; i < 4; ++i) {
        QCOMPARE(registrations[i].modifiers, modifiers[i]);
        QCOMPARE(registrations[i].virtualKey, keys[i]);
        QVERIFY(registrations[i].id != 0);
    }
}

void TestMainWindow::hotkeyDispatch_data()
{
    QTest::addColumn<uint>("modifiers");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Alt+F9 records") << uint(Modifier::Alt) << F9 << "record";
    QTest::newRow("Alt+F10 stops") << uint(Modifier::Alt) << F10 << "stop";
    QTest::newRow("Alt+F11 plays") << uint(Modifier::Alt) << F11 << "play";
    QTest::newRow("Alt+Shift+F9 shows") << uint(Modifier::Alt | Modifier::Shift) << F9 << "show";
    QTest::newRow("Alt+F12 nothing") << uint(Modifier::Alt) << F12 << "nothing";
    QTest::newRow("Ctrl+F9 nothing") << uint(Modifier::Control) << F9 << "nothing";
    QTest::newRow("Alt+Shift+F10 nothing") << uint(Modifier::Alt | Modifier::Shift) << F10 << "nothing";
    QTest::newRow("F9 alone nothing") << 0u << F9 << "nothing";
}

void TestMainWindow::hotkeyDispatch()
{
    QFETCH(uint, modifiers);
    QFETCH(int, key);
    QFETCH(QString, expected);
    TFmain &w = *m_ui.window;
    w.hide();
    w.setTrayImage(TFmain::Playing);
    if (expected == "play")
        m_ui.row("Move()", "7;8;0"); // something to play, so no open dialog is needed
    m_ui.fakes->hotkeys->press(modifiers, key);
    if (expected == "record") {
        QCOMPARE(w.trayImage(), 0);
        QVERIFY(w.recordHook() != 0);
        QVERIFY(!w.isVisible());
    } else if (expected == "stop") {
        QCOMPARE(w.trayImage(), 7);
        QVERIFY(w.isVisible());
        QVERIFY(w.stopRequest().requested());
    } else if (expected == "play") {
        QCOMPARE(m_ui.fakes->hook->calls, QStringList{"remove 0"});
        QCOMPARE(m_ui.fakes->injector->calls, QStringList{"cursor 7 8"});
        QCOMPARE(w.trayImage(), 7);
    } else if (expected == "show") {
        QVERIFY(w.isVisible());
        QCOMPARE(w.trayImage(), 1);
    } else {
        QVERIFY(!w.isVisible());
        QCOMPARE(w.trayImage(), 1);
        QVERIFY(m_ui.fakes->hook->calls.isEmpty());
        QCOMPARE(w.windowTitle(), QStringLiteral("Tapsmith"));
    }
}

void TestMainWindow::recordMarksCaptionHidesAndInstallsOneHook()
{
    TFmain &w = *m_ui.window;
    w.ToolButton1Click();
    QCOMPARE(w.windowTitle(), QStringLiteral("Tapsmith - *"));
    QVERIFY(!w.isVisible());
    QCOMPARE(w.trayImage(), 0);
    const HookHandle first = w.recordHook();
    QVERIFY(first != 0);

    w.ToolButton1Click();
    QCOMPARE(w.windowTitle(), QStringLiteral("Tapsmith - * *"));
    QCOMPARE(w.recordHook(), first);
    QCOMPARE(m_ui.fakes->hook->calls, QStringList{"install"});

    w.ToolButton2Click();
    w.setWindowTitle(QStringLiteral("Tapsmith - /tmp/a.tpx"));
    w.ToolButton1Click();
    QCOMPARE(w.windowTitle(), QStringLiteral("Tapsmith - /tmp/a.tpx *"));
    w.setWindowTitle(QStringLiteral("something - *"));
    w.ToolButton1Click();
    QCOMPARE(w.windowTitle(), QStringLiteral("something - *"));
}

void TestMainWindow::recordFailureIsReported()
{
    m_ui.fakes->hook->failInstall = true;
    QString shown;
    QString why;
    QTimer::singleShot(0, [&shown, &why] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            shown = box->text();
            why = box->detailedText();
            box->accept();
        }
    });
    m_ui.window->ToolButton1Click();
    QCOMPARE(shown, QStringLiteral("Невозможно включить запись"));
    // The backend's reason is there for whoever opens the details.
    QCOMPARE(why, QStringLiteral("RECORD is switched off here"));
    QCOMPARE(m_ui.window->recordHook(), HookHandle(0));
    QCOMPARE(m_ui.window->windowTitle(), QStringLiteral("Tapsmith - *"));
    QVERIFY(!m_ui.window->isVisible());
    QCOMPARE(m_ui.window->trayImage(), 0);
}

void TestMainWindow::stopShowsWindowRemovesHookAndCleansAltRows()
{
    TFmain &w = *m_ui.window;
    w.ToolButton1Click();
    const HookHandle handle = w.recordHook();
    m_ui.fakes->hook->deliver({256, 0, 30, 1000});
    m_ui.fakes->hook->deliver({257, 0, 30, 1100});
    m_ui.fakes->hook->deliver({260, 0, 56, 1200});
    w.ToolButton2Click();
    QCOMPARE(m_ui.fakes->hook->calls, (QStringList{"install", QStringLiteral("remove %1").arg(handle)}));
    QCOMPARE(w.recordHook(), HookHandle(0));
    QVERIFY(w.isVisible());
    QCOMPARE(w.trayImage(), 7);
    QVERIFY(w.stopRequest().requested());
    QCOMPARE(w.Script->rows(), 4);
    QCOMPARE(w.Script->action(1), QByteArrayView("KeyDown()"));
    QCOMPARE(w.Script->parameters(1), QByteArrayView("VK_A;30;1"));
    QCOMPARE(w.Script->parameters(2), QByteArrayView("VK_A;30;100"));
    QVERIFY(w.Script->action(3).isEmpty());

    // Stopping again with no recording still removes (handle 0) and cleans.
    w.ToolButton2Click();
    QCOMPARE(m_ui.fakes->hook->calls.last(), QStringLiteral("remove 0"));
}

void TestMainWindow::toolButtonTrayItemAndHotkeyAgree()
{
    struct Outcome {
        QString title;
        int tray;
        bool visible;
        bool hooked;
    };
    auto outcomeOf = [this](const std::function<void(TFmain &)> &command) {
        init();
        command(*m_ui.window);
        Outcome o{m_ui.window->windowTitle(), m_ui.window->trayImage(), m_ui.window->isVisible(),
                  m_ui.window->recordHook() != 0};
        cleanup();
        return o;
    };
    const QList<std::function<void(TFmain &)>> record = {
        [](TFmain &w) { w.ToolButton1->click(); },
        [](TFmain &w) { w.N1->trigger(); },
        [this](TFmain &) { m_ui.fakes->hotkeys->press(Modifier::Alt, F9); },
    };
    const Outcome reference = outcomeOf(record[0]);
    QCOMPARE(reference.tray, 0);
    for (const auto &command : record) {
        const Outcome o = outcomeOf(command);
        QCOMPARE(o.title, reference.title);
        QCOMPARE(o.tray, reference.tray);
        QCOMPARE(o.visible, reference.visible);
        QCOMPARE(o.hooked, reference.hooked);
    }
    init();
}

void TestMainWindow::randomIntervalShowsThirdEdit()
{
    TFmain &w = *m_ui.window;
    w.Edit3->setText(QStringLiteral("7"));
    w.RadioGroup1Random->setChecked(true);
    QCOMPARE(w.RadioGroup1ItemIndex(), 1);
    QVERIFY(w.Edit3->isVisible());
    w.RadioGroup1Fixed->setChecked(true);
    QVERIFY(!w.Edit3->isVisible());
    QCOMPARE(w.Edit3->text(), QStringLiteral("7"));
}

void TestMainWindow::scriptViewToggleDoesNotGrow()
{
    TFmain &w = *m_ui.window;
    QApplication::processEvents();
    const QSize initial = w.size();
    w.N10->trigger();
    QApplication::processEvents();
    QVERIFY(w.StringGrid1->isVisible());
    QVERIFY(w.ToolBar2->isVisible());
    QCOMPARE(w.height(), initial.height() + 150);
    w.N10->trigger();
    QApplication::processEvents();
    QVERIFY(!w.StringGrid1->isVisible());
    QCOMPARE(w.size(), initial);
    for (int i = 0; i < 3; ++i) {
        w.N10->trigger();
        QApplication::processEvents();
        QCOMPARE(w.height(), initial.height() + 150);
        w.N10->trigger();
        QApplication::processEvents();
    }
    QCOMPARE(w.size(), initial);
}

void TestMainWindow::closeHidesAndHotkeysStillWork()
{
    TFmain &w = *m_ui.window;
    QVERIFY(!w.close());
    QVERIFY(!w.isVisible());
    m_ui.fakes->hotkeys->press(Modifier::Alt | Modifier::Shift, F9);
    QVERIFY(w.isVisible());
    w.close();
    w.TrayIcon1Click();
    QVERIFY(w.isVisible());
    w.close();
    w.N4->trigger();
    QVERIFY(w.isVisible());
    QCOMPARE(m_ui.desktop->terminations, 0);
}

void TestMainWindow::exitRemovesHookAndEndsProcess()
{
    TFmain &w = *m_ui.window;
    w.ToolButton1Click();
    const HookHandle handle = w.recordHook();
    w.N5->trigger();
    QCOMPARE(m_ui.desktop->terminations, 1);
    QCOMPARE(w.recordHook(), HookHandle(0));
    QCOMPARE(m_ui.fakes->hook->calls.last(), QStringLiteral("remove %1").arg(handle));
    QVERIFY(!w.TrayIcon1->isVisible());
}

void TestMainWindow::clearResetsTableCaptionAndSelection()
{
    TFmain &w = *m_ui.window;
    for (int i = 0; i < 5; ++i)
        m_ui.row("Move()", "1;2;3");
    w.setWindowTitle(QStringLiteral("Tapsmith - /tmp/x.tpx"));
    w.editor().StringGrid1SelectCell(4, 4);
    w.ToolButton4->click();
    QCOMPARE(w.Script->rows(), 2);
    QVERIFY(w.Script->action(1).isEmpty());
    QVERIFY(w.Script->parameters(1).isEmpty());
    QCOMPARE(w.windowTitle(), QStringLiteral("Tapsmith"));
}

void TestMainWindow::upDownKeepsRangeAndAcceptsTypedText()
{
    TFmain &w = *m_ui.window;
    // No validator: any text may be typed (Play converts it), and the arrows go on from their own
    // position when the text is no number.
    w.Edit1->selectAll();
    QTest::keyClicks(w.Edit1, QStringLiteral("abc"));
    QCOMPARE(w.Edit1->text(), QStringLiteral("abc"));
    w.UpDown1->stepBy(1);
    QCOMPARE(w.Edit1->text(), QStringLiteral("2"));
    w.Edit1->setText(QStringLiteral("999"));
    w.UpDown1->stepBy(5);
    QCOMPARE(w.Edit1->text(), QStringLiteral("1000"));
    w.Edit1->setText(QStringLiteral("-4"));
    w.UpDown1->stepBy(-1);
    QCOMPARE(w.Edit1->text(), QStringLiteral("1"));
}

void TestMainWindow::gridSelectionDrivesTheRowCommands()
{
    TFmain &w = *m_ui.window;
    w.N10->trigger();
    m_ui.row("Move()", "1;1;1");
    m_ui.row("Move()", "2;2;2");
    m_ui.row("Move()", "3;3;3");
    w.StringGrid1->setCurrentIndex(w.Script->index(1, 0)); // grid row 2
    QCOMPARE(w.editor().selectedRow(), 2);
    w.ToolButton7->click();
    QCOMPARE(w.editor().selectedRow(), 3);
    QCOMPARE(w.StringGrid1->currentIndex().row(), 2);
    QCOMPARE(w.Script->parameters(3), QByteArrayView("2;2;2"));
    w.ToolButton8->click();
    w.ToolButton8->click();
    QCOMPARE(w.editor().selectedRow(), 1);
    QCOMPARE(w.Script->parameters(1), QByteArrayView("2;2;2"));

    // Rows disappearing under the selection: the last remaining row is selected and highlighted.
    w.StringGrid1->setCurrentIndex(w.Script->index(3, 0));
    w.ToolButton4->click();
    QCOMPARE(w.editor().selectedRow(), 1);
    QCOMPARE(w.StringGrid1->currentIndex().row(), 0);
}

void TestMainWindow::deleteAsksEvenWithoutSelection()
{
    TFmain &w = *m_ui.window;
    m_ui.row("Move()", "1;1;1");
    QString asked;
    QTimer::singleShot(0, [&asked] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            asked = box->text();
            box->defaultButton()->click();
        }
    });
    w.ToolButton10->click();
    QCOMPARE(asked, QStringLiteral("Удалить?"));
    QCOMPARE(w.Script->rows(), 3);

    w.editor().StringGrid1SelectCell(0, 1);
    QTimer::singleShot(0, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->defaultButton()->click();
    });
    w.ToolButton10->click();
    QCOMPARE(w.Script->rows(), 2);
}

void TestMainWindow::doubleClickEditsTheSelectedRow()
{
    TFmain &w = *m_ui.window;
    TFAddEdit dialog(&w);
    w.editDialog = &dialog;
    m_ui.row("Move()", "640;480;15");
    w.N10->trigger();
    w.StringGrid1->setCurrentIndex(w.Script->index(0, 4));
    QTimer::singleShot(0, [&dialog] {
        dialog.Edit3->setText(QStringLiteral("10"));
        dialog.Button2Click();
    });
    emit w.StringGrid1->doubleClicked(w.Script->index(0, 4));
    QCOMPARE(w.Script->parameters(1), QByteArrayView("10;480;15"));
}

void TestMainWindow::focusAloneSelectsNoRow()
{
    TFmain &w = *m_ui.window;
    m_ui.row("Move()", "1;1;1");
    m_ui.row("Move()", "2;2;2");
    w.N10->trigger();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.ToolButton1->setFocus(Qt::OtherFocusReason);
    w.StringGrid1->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(w.StringGrid1->hasFocus());
    QCOMPARE(w.editor().selectedRow(), 0);
    QTimer::singleShot(0, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->defaultButton()->click();
    });
    w.ToolButton10->click();
    QCOMPARE(w.Script->rows(), 4);

    // Moving with the keyboard is choosing.
    QTest::keyClick(w.StringGrid1, Qt::Key_Down);
    QVERIFY(w.editor().selectedRow() >= 1);
}

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
