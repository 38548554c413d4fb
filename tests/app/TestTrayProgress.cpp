// The tray tooltip follows a playback row by row and repetition by repetition, counts a recording's rows,
// and is the application's title again when both are over. A row that fails is named in the error box's
// title.

#include "MainWindowFixture.h"
#include "app/Application.h"

#include <QLineEdit>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolButton>

class TestTrayProgress : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void playbackShowsRowAndRepetition();
    void recordingCountsItsRows();
    void failedRowIsNamedInTheErrorBoxTitle();

  private:
    MainWindowFixture m_ui;
};

void TestTrayProgress::init()
{
    m_ui.open();
}

void TestTrayProgress::cleanup()
{
    m_ui.close();
}

void TestTrayProgress::playbackShowsRowAndRepetition()
{
    TFmain &window = *m_ui.window;
    const QString idle = window.TrayIcon1->toolTip();
    QCOMPARE(idle, QCoreApplication::applicationName());
    m_ui.row("Move()", "1;1;10");
    m_ui.row("Move()", "2;2;20");
    m_ui.row("Move()", "3;3;30");
    window.Edit1->setText(QStringLiteral("2"));
    QStringList seen;
    QString shown;
    m_ui.fakes->clock->onSleep = [&] {
        const std::int64_t slept = m_ui.fakes->clock->sleeps.back();
        if (slept == 20'000) // row 2's wait
            seen << window.progressText();
        if (seen.size() == 2 && shown.isEmpty()) {
            // Real time passes: the timer brings the text to the tooltip.
            QTest::qWait(TFmain::ProgressIntervalMs + 100);
            shown = window.TrayIcon1->toolTip();
        }
    };
    window.ToolButton3Click();
    // The empty open row at the end is not a row of the script.
    QCOMPARE(seen, (QStringList{"Воспроизведение: строка 2 из 3, повтор 1 из 2",
                                "Воспроизведение: строка 2 из 3, повтор 2 из 2"}));
    QCOMPARE(shown, seen.last());
    QCOMPARE(window.TrayIcon1->toolTip(), idle);
}

void TestTrayProgress::recordingCountsItsRows()
{
    TFmain &window = *m_ui.window;
    m_ui.row("Move()", "1;1;10"); // rows before the recording are not its own
    window.ToolButton1Click();
    QCOMPARE(window.TrayIcon1->toolTip(), QStringLiteral("Запись: строк записано 0"));
    for (std::uint32_t i = 0; i < 3; ++i)
        m_ui.fakes->hook->deliver({InputMessage::MouseMove, 10 + i, 20, 100 + i * 10});
    QCOMPARE(window.progressText(), QStringLiteral("Запись: строк записано 3"));
    QTRY_COMPARE(window.TrayIcon1->toolTip(), QStringLiteral("Запись: строк записано 3"));
    window.ToolButton2Click();
    QCOMPARE(window.TrayIcon1->toolTip(), QCoreApplication::applicationName());
}

void TestTrayProgress::failedRowIsNamedInTheErrorBoxTitle()
{
    TFmain &window = *m_ui.window;
    m_ui.row("Move()", "1;1;0");
    m_ui.row("Move()", "100;200;x");
    QStringList shown;
    const auto saved = Application::showError;
    Application::showError = [&shown](const QString &message) { shown << Application::errorTitle() << message; };
    window.ToolButton3->click();
    Application::showError = saved;
    QCOMPARE(shown, (QStringList{QCoreApplication::applicationName() + QStringLiteral(" - строка 2"),
                                 QStringLiteral("'x' is not a valid integer value")}));
    QVERIFY(Application::errorTitle().isEmpty());
}

QTEST_MAIN(TestTrayProgress)
#include "TestTrayProgress.moc"
