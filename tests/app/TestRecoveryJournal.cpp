#include "app/RecoveryJournal.h"
#include "script/ScriptFile.h"
#include "script/ScriptTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <set>

namespace
{

class FakeClock : public JournalClock
{
  public:
    qint64 utcMilliseconds() override { return utc; }
    qint64 elapsedMilliseconds() override { return elapsed; }
    qint64 utc = 1'765'000'000'000;
    qint64 elapsed = 0;
};

class FakeProcesses : public JournalSystem
{
  public:
    ProcessIdentity current() override { return self; }
    bool isRunning(const ProcessIdentity &identity) override { return running.count(identity.pid) > 0; }
    bool syncData(int handle, const QString &) override
    {
        if (handle >= 0)
            ++syncs;
        return true;
    }
    bool replaceFile(const QString &from, const QString &to) override
    {
        QFile::remove(to);
        return QFile::rename(from, to);
    }
    ProcessIdentity self{100, QStringLiteral("555_abc")};
    std::set<qint64> running{100};
    int syncs = 0;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What Save writes for the table.
QByteArray saved(const ScriptTable &table, const QString &folder)
{
    const QString path = folder + QStringLiteral("/saved.tpx");
    saveScript(table, path);
    return readAll(path);
}

void appendRows(ScriptTable &table, int count, int from = 0)
{
    for (int i = from; i < from + count; ++i)
        table.appendToLastRow(RecordedAction::Move, QByteArray::number(i) + ";" + QByteArray::number(i * 2) + ";5");
}

// A journal file as a copy that ended left it.
void writeJournal(const QString &file, qint64 pid, qint64 written, const QByteArray &rows,
                  const QByteArray &path = QByteArray())
{
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("Tapsmith recovery journal 1\r\npid " + QByteArray::number(pid) + "\r\nstarted 9_x\r\nwritten " +
              QByteArray::number(written).rightJustified(16, '0') + "\r\npath " + path + "\r\n\r\n" + rows);
}

} // namespace

// The journal follows the table: appends during a recording, atomic rewrites after any other change, at
// most one a second with the last always written; it goes when the table is settled; a later start finds
// the journals of copies that ended and takes the newest over.
class TestRecoveryJournal : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void aChangeWritesTheTableAsSaveWouldWithTheHeader();
    void recordedRowsAreAppendedToTheSameFileAndSynced();
    void changesAboveTheWrittenRowsWriteTheFileAnewAtMostOnceASecond();
    void settlingRemovesTheJournalUntilTheNextChange();
    void writeAllWritesWhatIsPendingAtOnce();
    void theNewestJournalOfAnEndedCopyIsOfferedAndTakenOver();
    void journalsOfRunningCopiesAndUnreadableOnesAreNotOffered();
    void restoreFillsTheTableAndTheJournalBecomesThisCopys();
    void aLineTornByTheWritersEndIsNotARow();

  private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    FakeClock m_clock;
    FakeProcesses m_processes;
    std::unique_ptr<ScriptTable> m_table;
    std::unique_ptr<RecoveryJournal> m_journal;
    QString m_captionPath;
};

void TestRecoveryJournal::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_folder = m_dir->filePath(QStringLiteral("recovery"));
    m_clock = FakeClock();
    m_processes = FakeProcesses();
    m_captionPath.clear();
    m_table = std::make_unique<ScriptTable>();
    m_journal =
        std::make_unique<RecoveryJournal>(m_folder, m_clock, m_processes, *m_table, [this] { return m_captionPath; });
}

void TestRecoveryJournal::cleanup()
{
    m_journal.reset();
    m_table.reset();
    m_dir.reset();
}

void TestRecoveryJournal::aChangeWritesTheTableAsSaveWouldWithTheHeader()
{
    QVERIFY(m_journal->settled());
    QVERIFY(!QFile::exists(m_journal->file()));
    m_captionPath = QStringLiteral("/home/u/скрипт | a\r\nb%.tpx");
    m_table->setRows(4);
    m_table->setCellText(ScriptTable::ActionColumn, 1, QStringLiteral("Запуск"));
    m_table->setCellText(ScriptTable::ParametersColumn, 2, QStringLiteral("a|b"));
    QVERIFY(!m_journal->settled());
    m_journal->writeDue();

    const std::optional<RecoveryJournal::Content> content = RecoveryJournal::read(m_journal->file());
    QVERIFY(content);
    QCOMPARE(content->rows, saved(*m_table, m_dir->path()));
    QCOMPARE(content->path, m_captionPath);
    QCOMPARE(content->writer, m_processes.self);
    QCOMPARE(content->written.toMSecsSinceEpoch(), m_clock.utc);
    QCOMPARE(QFileInfo(m_journal->file()).fileName(), QStringLiteral("journal-100-555_abc.tpj"));
}

void TestRecoveryJournal::recordedRowsAreAppendedToTheSameFileAndSynced()
{
    appendRows(*m_table, 3);
    m_journal->writeDue();
    QFile firstWrite(m_journal->file());
    QVERIFY(firstWrite.open(QIODevice::ReadOnly));
    QCOMPARE(m_processes.syncs, 1); // the new file, before it took the journal's place

    // Rows keep coming: each tick appends them; a second after the last sync they are synced.
    for (int tick = 1; tick <= 8; ++tick) {
        appendRows(*m_table, 10, tick * 10);
        m_clock.elapsed += RecoveryJournal::TickMilliseconds;
        m_clock.utc += RecoveryJournal::TickMilliseconds;
        m_journal->writeDue();
        QCOMPARE(RecoveryJournal::read(m_journal->file())->rows, saved(*m_table, m_dir->path()));
    }
    QCOMPARE(m_processes.syncs, 3);
    // The file that was first written is the one that grew: nothing was written anew.
    const QByteArray throughFirstHandle = firstWrite.readAll();
    QVERIFY(throughFirstHandle.endsWith(saved(*m_table, m_dir->path())));
    QCOMPARE(RecoveryJournal::read(m_journal->file())->written.toMSecsSinceEpoch(), m_clock.utc);
}

void TestRecoveryJournal::changesAboveTheWrittenRowsWriteTheFileAnewAtMostOnceASecond()
{
    appendRows(*m_table, 5);
    m_journal->writeDue();
    const QByteArray first = saved(*m_table, m_dir->path());

    m_table->moveRowTo(1, 3);
    m_clock.elapsed = 500;
    m_journal->writeDue();
    QCOMPARE(RecoveryJournal::read(m_journal->file())->rows, first);

    m_table->deleteRow(2);
    m_table->setCellText(ScriptTable::ParametersColumn, 1, QStringLiteral("edited"));
    m_clock.elapsed = 999;
    m_journal->writeDue();
    QCOMPARE(RecoveryJournal::read(m_journal->file())->rows, first);
    m_clock.elapsed = 1000;
    m_journal->writeDue();
    QCOMPARE(RecoveryJournal::read(m_journal->file())->rows, saved(*m_table, m_dir->path()));

    // A whole new table (an undo of a recording, a restore) is a change like any other.
    loadScriptBytes("KeyDown()|A;30;1\r\n", *m_table);
    m_clock.elapsed = 2000;
    m_journal->writeDue();
    QCOMPARE(RecoveryJournal::read(m_journal->file())->rows, QByteArray("KeyDown()|A;30;1\r\n"));
}

void TestRecoveryJournal::settlingRemovesTheJournalUntilTheNextChange()
{
    appendRows(*m_table, 2);
    m_journal->writeDue();
    QVERIFY(QFile::exists(m_journal->file()));
    appendRows(*m_table, 2, 2);
    m_journal->settle();
    QVERIFY(m_journal->settled());
    QVERIFY(!QFile::exists(m_journal->file()));
    m_clock.elapsed += 5000;
    m_journal->writeDue();
    QVERIFY(!QFile::exists(m_journal->file()));

    appendRows(*m_table, 1, 4);
    m_journal->writeDue();
    QCOMPARE(RecoveryJournal::read(m_journal->file())->rows, saved(*m_table, m_dir->path()));
}

void TestRecoveryJournal::writeAllWritesWhatIsPendingAtOnce()
{
    appendRows(*m_table, 2);
    m_journal->writeDue();
    m_table->deleteRow(1); // a rewrite, due only a second later
    m_journal->writeAll();
    QCOMPARE(RecoveryJournal::read(m_journal->file())->rows, saved(*m_table, m_dir->path()));

    appendRows(*m_table, 3, 10);
    const int syncs = m_processes.syncs;
    m_journal->writeAll();
    QCOMPARE(RecoveryJournal::read(m_journal->file())->rows, saved(*m_table, m_dir->path()));
    QCOMPARE(m_processes.syncs, syncs + 1);
}

void TestRecoveryJournal::theNewestJournalOfAnEndedCopyIsOfferedAndTakenOver()
{
    QVERIFY(QDir().mkpath(m_folder));
    writeJournal(m_folder + QStringLiteral("/journal-7-9_x.tpj"), 7, 2000, "Move|1;2;3\r\n|\r\n");
    writeJournal(m_folder + QStringLiteral("/journal-8-9_x.tpj"), 8, 3000, "Move|1;2;3\r\nMove|4;5;6\r\n|\r\n",
                 QByteArray("/tmp/%D1%84 x.tpx"));
    writeJournal(m_folder + QStringLiteral("/journal-9-9_x.tpj"), 9, 1000, "KeyDown()|A;30;1\r\n");

    const std::optional<RecoveryJournal::Offer> offer = RecoveryJournal::claimOffer(m_folder, m_processes);
    QVERIFY(offer);
    QCOMPARE(offer->rows, 2);
    QCOMPARE(offer->written.toMSecsSinceEpoch(), 3000);
    QCOMPARE(offer->path, QStringLiteral("/tmp/ф x.tpx"));
    QCOMPARE(offer->file, m_journal->file());
    QVERIFY(!QFile::exists(m_folder + QStringLiteral("/journal-8-9_x.tpj")));
    QVERIFY(QFile::exists(m_folder + QStringLiteral("/journal-7-9_x.tpj")));
    QVERIFY(QFile::exists(m_folder + QStringLiteral("/journal-9-9_x.tpj")));

    RecoveryJournal::decline(*offer);
    QVERIFY(!QFile::exists(offer->file));
    // The next start offers the next newest.
    QCOMPARE(RecoveryJournal::claimOffer(m_folder, m_processes)->written.toMSecsSinceEpoch(), 2000);
}

void TestRecoveryJournal::journalsOfRunningCopiesAndUnreadableOnesAreNotOffered()
{
    QVERIFY(QDir().mkpath(m_folder));
    m_processes.running.insert(7);
    writeJournal(m_folder + QStringLiteral("/journal-7-9_x.tpj"), 7, 2000, "Move|1;2;3\r\n");
    const QString corrupt = m_folder + QStringLiteral("/journal-8-9_x.tpj");
    QFile out(corrupt);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("\x00\x01garbage\r\n", 11);
    out.close();
    writeJournal(m_folder + QStringLiteral("/journal-9-9_x.tpj"), 9, 1000, "|\r\n"); // nothing recorded

    QVERIFY(!RecoveryJournal::claimOffer(m_folder, m_processes));
    QVERIFY(QFile::exists(m_folder + QStringLiteral("/journal-7-9_x.tpj")));
    QVERIFY(!QFile::exists(corrupt));
    QVERIFY(QFile::exists(corrupt + QStringLiteral(".unreadable")));
    QVERIFY(!QFile::exists(m_folder + QStringLiteral("/journal-9-9_x.tpj")));

    // Once that copy has ended, its journal is offered.
    m_processes.running.erase(7);
    QVERIFY(RecoveryJournal::claimOffer(m_folder, m_processes));
}

void TestRecoveryJournal::restoreFillsTheTableAndTheJournalBecomesThisCopys()
{
    QVERIFY(QDir().mkpath(m_folder));
    const QByteArray rows = "Move|1;2;3\r\nKeyDown()|\xc0;30;1\r\nodd line\r\n|\r\n";
    writeJournal(m_folder + QStringLiteral("/journal-7-9_x.tpj"), 7, 2000, rows, "/a/b.tpx");
    const std::optional<RecoveryJournal::Offer> offer = RecoveryJournal::claimOffer(m_folder, m_processes);
    QVERIFY(offer);
    QCOMPARE(offer->rows, 3);
    m_captionPath = m_journal->restore(*offer);
    QCOMPARE(m_captionPath, QStringLiteral("/a/b.tpx"));
    m_journal->writeDue();
    QCOMPARE(saved(*m_table, m_dir->path()), QByteArray("Move|1;2;3\r\nKeyDown()|\xc0;30;1\r\n|odd line\r\n|\r\n"));
    QVERIFY(!m_journal->settled());
    const std::optional<RecoveryJournal::Content> content = RecoveryJournal::read(m_journal->file());
    QCOMPARE(content->writer, m_processes.self);
    QCOMPARE(content->rows, saved(*m_table, m_dir->path()));
    QCOMPARE(content->path, QStringLiteral("/a/b.tpx"));

    // Recording on into the restored table appends.
    appendRows(*m_table, 2);
    m_journal->writeDue();
    QCOMPARE(RecoveryJournal::read(m_journal->file())->rows, saved(*m_table, m_dir->path()));
}

void TestRecoveryJournal::aLineTornByTheWritersEndIsNotARow()
{
    QVERIFY(QDir().mkpath(m_folder));
    writeJournal(m_folder + QStringLiteral("/journal-7-9_x.tpj"), 7, 2000, "Move|1;2;3\r\nMove|4;5;6\r\nMov");
    const std::optional<RecoveryJournal::Offer> offer = RecoveryJournal::claimOffer(m_folder, m_processes);
    QVERIFY(offer);
    QCOMPARE(offer->rows, 2);
    m_journal->restore(*offer);
    QCOMPARE(saved(*m_table, m_dir->path()), QByteArray("Move|1;2;3\r\nMove|4;5;6\r\n"));
}

QTEST_GUILESS_MAIN(TestRecoveryJournal)
#include "TestRecoveryJournal.moc"
