#include "MainWindowFixture.h"
#include "app/Application.h"
#include "core/Errors.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <memory>

namespace
{

constexpr int VK_F10 = 0x79, VK_F11 = 0x7A, VK_CONTROL = 0x11;

} // namespace

// The Play command of the main window over the fake platform: its start steps, its outcomes and the
// commands that run nested inside a run.
class TestPlayCommand : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void endsARecordingWithoutTheAltCleanUp();
    void stopOfARecordingDoesNotEndTheNextRun();
    void settingThatIsNotANumberRefusesTheRun_data();
    void settingThatIsNotANumberRefusesTheRun();
    void randomBoundsTheWrongWayRoundAreRefused();
    void countOfZeroStillReportsCompletion();
    void emptyFirstRowAsksForAScriptFirst();
    void completedRunHidesAndReports();
    void failedRowEndsInTheIdleState();
    void stopHotkeyEndsTheWaitingRow();
    void stopKeySeenAnywhereEndsTheRunAtOnce();
    void secondPlayDuringARunIsIgnored();
    void exitDuringARunReleasesHeldKeys();
    void endRequestDuringAWaitExitsAtOnceLikeExit();
    void speedComesFromTheTrackBar();

  private:
    void row(const char *action, const char *parameters) { m_ui.row(action, parameters); }
    // Answers the next modal message box and returns its text through `text`.
    void answerMessageBox(QString *text);

    MainWindowFixture m_ui;
    std::unique_ptr<QSignalSpy> m_balloons;
};

void TestPlayCommand::init()
{
    m_ui.open();
    m_balloons = std::make_unique<QSignalSpy>(m_ui.window.get(), &TFmain::balloonShown);
}

void TestPlayCommand::cleanup()
{
    m_balloons.reset();
    m_ui.close();
}

void TestPlayCommand::answerMessageBox(QString *text)
{
    QTimer::singleShot(0, [text] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            *text = box->text();
            box->accept();
        }
    });
}

void TestPlayCommand::endsARecordingWithoutTheAltCleanUp()
{
    TFmain &w = *m_ui.window;
    w.ToolButton1Click();
    const HookHandle hook = w.recordHook();
    m_ui.fakes->hook->deliver({256, 0, 30, 1000}); // A down
    m_ui.fakes->hook->deliver({260, 0, 56, 1010}); // Alt down
    m_ui.fakes->hook->deliver({260, 0, 56, 1020}); // Alt down
    const QString caption = w.windowTitle();
    const int rows = w.Script->rows();
    w.ToolButton3Click();
    QCOMPARE(m_ui.fakes->hook->calls.last(), QStringLiteral("remove %1").arg(hook));
    QCOMPARE(w.recordHook(), HookHandle(0));
    QCOMPARE(w.windowTitle(), caption);
    QCOMPARE(w.Script->rows(), rows);
    // The recorded rows were played, trailing Alt presses included; at its end the run let go of what it held.
    QCOMPARE(m_ui.fakes->injector->calls, (QStringList{"key 65 0", "key 18 0", "key 18 0", "key 18 2", "key 65 2"}));
}

void TestPlayCommand::stopOfARecordingDoesNotEndTheNextRun()
{
    TFmain &w = *m_ui.window;
    w.ToolButton1Click();
    w.ToolButton2Click();
    QVERIFY(w.stopRequest().requested());
    w.Script->setRows(2);
    row("Move()", "7;8;0");
    w.ToolButton3Click();
    QCOMPARE(m_ui.fakes->injector->calls, QStringList{"cursor 7 8"});
    QCOMPARE(m_balloons->constLast().at(1).toString(), QStringLiteral("Скрипт выполнен."));
}

void TestPlayCommand::settingThatIsNotANumberRefusesTheRun_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("text");
    QTest::newRow("count") << "Edit1"
                           << "три";
    QTest::newRow("first value") << "Edit2"
                                 << "1.5";
    QTest::newRow("second value, though fixed mode") << "Edit3"
                                                     << " 7 ";
    QTest::newRow("empty") << "Edit1"
                           << "";
}

void TestPlayCommand::settingThatIsNotANumberRefusesTheRun()
{
    QFETCH(QString, edit);
    QFETCH(QString, text);
    TFmain &w = *m_ui.window;
    row("Move()", "1;1;0");
    w.ToolButton1Click();
    w.ToolButton2Click();
    w.ToolButton1Click(); // recording again
    QLineEdit *box = edit == "Edit1" ? w.Edit1 : edit == "Edit2" ? w.Edit2 : w.Edit3;
    box->setText(text);
    w.show();
    w.setTrayImage(TFmain::Idle);
    try {
        w.ToolButton3Click();
        QFAIL("the run started");
    } catch (const ConversionError &error) {
        QCOMPARE(error.message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
    QCOMPARE(w.recordHook(), HookHandle(0)); // the hook is gone all the same
    QVERIFY(w.isVisible());
    QCOMPARE(w.trayImage(), 7);
    QVERIFY(m_ui.fakes->injector->calls.isEmpty());
    QVERIFY(!w.isPlaying());
}

void TestPlayCommand::randomBoundsTheWrongWayRoundAreRefused()
{
    TFmain &w = *m_ui.window;
    row("Move()", "1;1;0");
    w.RadioGroup1Random->setChecked(true);
    w.Edit2->setText("3");
    w.Edit3->setText("2");
    QString shown;
    answerMessageBox(&shown);
    w.ToolButton3Click();
    QCOMPARE(shown, QStringLiteral("Интервал повторов задан не верно. Второй параметр не может быть меньше первого."));
    QVERIFY(w.isVisible());
    QCOMPARE(w.trayImage(), 7);
    QVERIFY(m_ui.fakes->injector->calls.isEmpty());
    QCOMPARE(m_balloons->count(), 0);

    // Equal bounds are fine, and fixed mode does not compare them.
    w.Edit3->setText("3");
    w.ToolButton3Click();
    QCOMPARE(m_ui.fakes->injector->calls.size(), 1);
    w.RadioGroup1Fixed->setChecked(true);
    w.Edit3->setText("-9");
    w.ToolButton3Click();
    QCOMPARE(m_ui.fakes->injector->calls.size(), 2);
}

void TestPlayCommand::countOfZeroStillReportsCompletion()
{
    TFmain &w = *m_ui.window;
    row("Move()", "1;1;0");
    w.Edit1->setText("0");
    w.ToolButton3Click();
    QVERIFY(m_ui.fakes->injector->calls.isEmpty());
    QVERIFY(!w.isVisible());
    QCOMPARE(w.trayImage(), 7);
    QCOMPARE(m_balloons->count(), 1);
    QCOMPARE(m_balloons->at(0).at(0).toString(), QStringLiteral("Tapsmith"));
    QCOMPARE(m_balloons->at(0).at(1).toString(), QStringLiteral("Скрипт выполнен."));
}

void TestPlayCommand::emptyFirstRowAsksForAScriptFirst()
{
    TFmain &w = *m_ui.window;
    bool asked = false;
    int trayWhileAsking = -1;
    bool visibleWhileAsking = true;
    QTimer::singleShot(0, w.OpenDialog1, [&] {
        asked = w.OpenDialog1->isVisible();
        trayWhileAsking = w.trayImage();
        visibleWhileAsking = w.isVisible();
        w.OpenDialog1->reject();
    });
    w.ToolButton3Click();
    QVERIFY(asked);
    QCOMPARE(trayWhileAsking, 1);
    QVERIFY(!visibleWhileAsking);
    // Cancelled: the run goes on with the empty table and completes.
    QCOMPARE(m_balloons->count(), 1);
    QCOMPARE(m_balloons->at(0).at(1).toString(), QStringLiteral("Скрипт выполнен."));
}

void TestPlayCommand::completedRunHidesAndReports()
{
    TFmain &w = *m_ui.window;
    row("Move()", "10;20;30");
    row("LDown()", "10;20;0");
    row("LUp()", "10;20;0");
    w.Edit1->setText("2");
    w.ToolButton3Click();
    QCOMPARE(m_ui.fakes->injector->calls,
             (QStringList{"cursor 10 20", "cursor 10 20", "mouse 32770", "cursor 10 20", "mouse 32772", "cursor 10 20",
                          "cursor 10 20", "mouse 32770", "cursor 10 20", "mouse 32772"}));
    QVERIFY(!w.isVisible());
    QCOMPARE(w.trayImage(), 7);
    QCOMPARE(m_balloons->count(), 1);
    QVERIFY(!w.isPlaying());
}

void TestPlayCommand::failedRowEndsInTheIdleState()
{
    // The icon no longer says Playing once the run has ended, whatever ended it.
    TFmain &w = *m_ui.window;
    row("Move()", "1;1;0");
    row("Move()", "100;200");
    row("Move()", "3;3;0");
    QVERIFY_THROWS_EXCEPTION(ConversionError, w.ToolButton3Click());
    QCOMPARE(m_ui.fakes->injector->calls, QStringList{"cursor 1 1"});
    QVERIFY(!w.isVisible());
    QCOMPARE(w.trayImage(), 7);
    QCOMPARE(m_balloons->count(), 0);
    QVERIFY(!w.isPlaying());
}

void TestPlayCommand::stopHotkeyEndsTheWaitingRow()
{
    TFmain &w = *m_ui.window;
    row("Move()", "1;1;10");
    row("Move()", "2;2;300");
    row("Move()", "3;3;10");
    m_ui.fakes->clock->onSleep = [this] {
        if (m_ui.fakes->clock->sleeps.size() == 2)
            m_ui.fakes->hotkeys->press(Modifier::Alt, VK_F10);
    };
    w.ToolButton3Click();
    QCOMPARE(m_ui.fakes->injector->calls, QStringList{"cursor 1 1"});
    QVERIFY(w.isVisible());
    QCOMPARE(w.trayImage(), 7);
    QCOMPARE(m_balloons->count(), 1);
    QCOMPARE(m_balloons->at(0).at(1).toString(), QStringLiteral("Прервано."));
}

void TestPlayCommand::stopKeySeenAnywhereEndsTheRunAtOnce()
{
    // The user's Alt+F10 reaches the watch though no hotkey fires (another program grabs the keyboard, or
    // the script holds Ctrl down).
    TFmain &w = *m_ui.window;
    row("KeyDown()", "VK_CONTROL;29;0");
    row("Move()", "1;1;10");
    row("Move()", "2;2;15000");
    row("Move()", "3;3;10");
    const std::int64_t start = m_ui.fakes->clock->micros;
    m_ui.fakes->clock->interruptAt = start + 2'010'000;
    m_ui.fakes->clock->interrupt = [this] {
        QCOMPARE(m_ui.fakes->stopKeys->calls,
                 QStringList{QStringLiteral("start %1 %2").arg(Modifier::Alt).arg(VK_F10)});
        m_ui.fakes->stopKeys->press();
    };
    w.ToolButton3Click();
    QCOMPARE(m_ui.fakes->clock->micros - start, 2'010'000);
    QCOMPARE(m_ui.fakes->injector->calls, (QStringList{QStringLiteral("key %1 0").arg(VK_CONTROL), "cursor 1 1",
                                                       QStringLiteral("key %1 2").arg(VK_CONTROL)}));
    QCOMPARE(m_ui.fakes->stopKeys->calls.last(), QStringLiteral("stop"));
    // As the stop command leaves it.
    QTRY_VERIFY(w.isVisible());
    QCOMPARE(w.trayImage(), 7);
    QCOMPARE(m_balloons->count(), 1);
    QCOMPARE(m_balloons->at(0).at(1).toString(), QStringLiteral("Прервано."));
}

void TestPlayCommand::secondPlayDuringARunIsIgnored()
{
    TFmain &w = *m_ui.window;
    row("Move()", "1;1;10");
    row("Move()", "2;2;10");
    m_ui.fakes->clock->onSleep = [this] { m_ui.fakes->hotkeys->press(Modifier::Alt, VK_F11); };
    w.ToolButton3Click();
    QCOMPARE(m_ui.fakes->injector->calls, (QStringList{"cursor 1 1", "cursor 2 2"}));
    QCOMPARE(m_balloons->count(), 1);

    // After the run, Play works again.
    m_ui.fakes->clock->onSleep = nullptr;
    w.ToolButton3Click();
    QCOMPARE(m_ui.fakes->injector->calls.size(), 4);
}

void TestPlayCommand::exitDuringARunReleasesHeldKeys()
{
    TFmain &w = *m_ui.window;
    row("KeyDown()", "VK_CONTROL;29;0");
    row("Move()", "5;5;100");
    QStringList callsAtExit;
    m_ui.desktop->onTerminate = [&] { callsAtExit = m_ui.fakes->injector->calls; };
    m_ui.fakes->clock->onSleep = [&] {
        if (m_ui.desktop->terminations == 0)
            w.N5Click();
    };
    w.ToolButton3Click();
    QCOMPARE(m_ui.desktop->terminations, 1);
    QCOMPARE(callsAtExit,
             (QStringList{QStringLiteral("key %1 0").arg(VK_CONTROL), QStringLiteral("key %1 2").arg(VK_CONTROL)}));
}

void TestPlayCommand::endRequestDuringAWaitExitsAtOnceLikeExit()
{
    // SIGTERM during a long wait: the run lets go of its keys and the process ends, without waiting for the
    // row and without a stop.
    TFmain &w = *m_ui.window;
    row("KeyDown()", "VK_CONTROL;29;0");
    row("Move()", "5;5;20000");
    QStringList callsAtExit;
    std::int64_t exitedAt = 0;
    m_ui.desktop->onTerminate = [&] {
        callsAtExit = m_ui.fakes->injector->calls;
        exitedAt = m_ui.fakes->clock->micros;
    };
    const std::int64_t start = m_ui.fakes->clock->micros;
    m_ui.fakes->clock->interruptAt = start + 1'500'000;
    m_ui.fakes->clock->interrupt = [this] { m_ui.fakes->endRequests->request(*m_ui.fakes->clock); };
    w.ToolButton3Click();
    QCOMPARE(m_ui.desktop->terminations, 1);
    QCOMPARE(exitedAt - start, 1'500'000);
    QCOMPARE(callsAtExit,
             (QStringList{QStringLiteral("key %1 0").arg(VK_CONTROL), QStringLiteral("key %1 2").arg(VK_CONTROL)}));
}

void TestPlayCommand::speedComesFromTheTrackBar()
{
    TFmain &w = *m_ui.window;
    row("Move()", "1;1;101");
    row("Move()", "1;1;7");
    w.TrackBar1->setValue(50);
    w.ToolButton3Click();
    QCOMPARE(m_ui.fakes->clock->sleeps, (std::vector<std::int64_t>{50'000, 4'000}));
}

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TestPlayCommand test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestPlayCommand.moc"
