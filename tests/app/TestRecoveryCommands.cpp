// The window's commands and the recovery journal: what leaves the table unsettled keeps the journal, Save,
// Open and Clear remove it, Exit keeps an unsettled one and leaves none after a Save.

#include "MainWindowFixture.h"
#include "app/RecoveryJournal.h"
#include "edit/ScriptEditor.h"
#include "script/ScriptFile.h"

#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

namespace
{

class FakeJournalClock : public JournalClock
{
  public:
    qint64 utcMilliseconds() override { return 1'765'000'000'000; }
    qint64 elapsedMilliseconds() override { return elapsed += 1000; } // every write is due at once
    qint64 elapsed = 0;
};

class FakeProcesses : public JournalSystem
{
  public:
    ProcessIdentity current() override { return {42, QStringLiteral("1_x")}; }
    bool isRunning(const ProcessIdentity &identity) override { return identity.pid == 42; }
    bool syncData(int, const QString &) override { return true; }
    bool replaceFile(const QString &from, const QString &to) override
    {
        QFile::remove(to);
        return QFile::rename(from, to);
    }
};

void answer(QFileDialog *dialog, const QString &path)
{
    QTimer::singleShot(0, dialog, [dialog, path] {
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    });
}

} // namespace

class TestRecoveryCommands : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void exitKeepsAnUnsavedRecording();
    void saveSettlesTheTableAndExitThenLeavesNothing();
    void openAndClearSettleAndTheirUndoDoesNot();
    void aRestoredJournalFillsTheTableAndTheCaptionMarkedAsChanged();

  private:
    void record(int events);
    QByteArray journalRows() const;
    QByteArray saved() const;

    MainWindowFixture m_fixture;
    std::unique_ptr<QTemporaryDir> m_dir;
    FakeJournalClock m_clock;
    FakeProcesses m_processes;
    RecoveryJournal *m_journal = nullptr;
};

void TestRecoveryCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_fixture.open();
    m_fixture.window->keepRecoveryJournal(m_dir->filePath(QStringLiteral("recovery")), m_clock, m_processes);
    m_journal = m_fixture.window->recoveryJournal();
    QVERIFY(m_journal);
}

void TestRecoveryCommands::cleanup()
{
    m_fixture.close();
    m_dir.reset();
}

void TestRecoveryCommands::record(int events)
{
    m_fixture.window->ToolButton1Click();
    for (int i = 0; i < events; ++i)
        m_fixture.fakes->hook->deliver({InputMessage::MouseMove, std::uint32_t(i), 7, std::uint32_t(100 + i)});
    m_fixture.window->ToolButton2Click();
}

QByteArray TestRecoveryCommands::journalRows() const
{
    const std::optional<RecoveryJournal::Content> content = RecoveryJournal::read(m_journal->file());
    return content ? content->rows : QByteArray("<none>");
}

QByteArray TestRecoveryCommands::saved() const
{
    const QString path = m_dir->filePath(QStringLiteral("compare.tpx"));
    saveScript(*m_fixture.window->Script, path);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestRecoveryCommands::exitKeepsAnUnsavedRecording()
{
    record(5);
    QVERIFY(!m_journal->settled());
    // No timer has run yet: Exit writes it all.
    m_fixture.window->N5Click();
    QCOMPARE(m_fixture.desktop->terminations, 1);
    QCOMPARE(journalRows(), saved());
    QVERIFY2(journalRows().startsWith("Move()|0;7;1\r\n"), journalRows().constData());
}

void TestRecoveryCommands::saveSettlesTheTableAndExitThenLeavesNothing()
{
    record(3);
    QTRY_VERIFY(QFile::exists(m_journal->file()));
    answer(m_fixture.window->SaveDialog1, m_dir->filePath(QStringLiteral("kept.tpx")));
    m_fixture.window->ToolButton5Click();
    QVERIFY(m_journal->settled());
    // Nothing is left for a kill to leave behind, and Exit writes nothing.
    QVERIFY(!QFile::exists(m_journal->file()));
    m_fixture.window->N5Click();
    QVERIFY(!QFile::exists(m_journal->file()));

    // An undo after the Save changes the table again.
    m_fixture.window->undoAction->trigger();
    QTRY_VERIFY(QFile::exists(m_journal->file()));
    QCOMPARE(journalRows(), saved());
}

void TestRecoveryCommands::openAndClearSettleAndTheirUndoDoesNot()
{
    record(2);
    m_fixture.window->editor().StringGrid1SelectCell(ScriptTable::ActionColumn, 1);
    m_fixture.window->ToolButton7Click(); // move down
    m_journal->writeAll();
    QCOMPARE(journalRows(), saved());

    m_fixture.window->ToolButton4Click(); // Clear
    QVERIFY(m_journal->settled());
    QVERIFY(!QFile::exists(m_journal->file()));
    m_fixture.window->undoAction->trigger();
    m_journal->writeAll();
    QCOMPARE(journalRows(), saved());
    m_fixture.window->redoAction->trigger();
    m_journal->writeAll();
    QCOMPARE(journalRows(), QByteArray("|\r\n"));

    const QString script = m_dir->filePath(QStringLiteral("a.tpx"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("KeyDown()|A;30;1\r\n");
    file.close();
    m_fixture.window->openScriptFile(script);
    QVERIFY(m_journal->settled());
    QVERIFY(!QFile::exists(m_journal->file()));
}

void TestRecoveryCommands::aRestoredJournalFillsTheTableAndTheCaptionMarkedAsChanged()
{
    const QString folder = m_dir->filePath(QStringLiteral("recovery"));
    QVERIFY(QDir().mkpath(folder));
    QFile left(folder + QStringLiteral("/journal-7-1_x.tpj"));
    QVERIFY(left.open(QIODevice::WriteOnly));
    left.write("Tapsmith recovery journal 1\r\npid 7\r\nstarted 1_x\r\nwritten 0001765000000000\r\n"
               "path /home/u/%D0%B0.tpx\r\n\r\nMove|1;2;1\r\nMove|3;4;5\r\n|\r\n");
    left.close();
    const std::optional<RecoveryJournal::Offer> offer = RecoveryJournal::claimOffer(folder, m_processes);
    QVERIFY(offer);
    QCOMPARE(offer->rows, 2);
    m_fixture.window->restoreRecovery(*offer);
    QCOMPARE(m_fixture.window->windowTitle(), QStringLiteral("Tapsmith - /home/u/а.tpx *"));
    QCOMPARE(saved(), QByteArray("Move|1;2;1\r\nMove|3;4;5\r\n|\r\n"));
    QCOMPARE(RecoveryJournal::read(m_journal->file())->path, QStringLiteral("/home/u/а.tpx"));
    QCOMPARE(journalRows(), saved());
}

QTEST_MAIN(TestRecoveryCommands)
#include "TestRecoveryCommands.moc"
