#include "platform/JournalSystem.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The system's side of the recovery journal: which processes still run (a reused id is not the same
// process), and a replace that leaves either the old or the new file.
class TestJournalSystem : public QObject
{
    Q_OBJECT

  private slots:
    void aProcessRunsUntilItEndsAndItsIdAloneIsNotEnough();
    void replaceTakesThePlaceOfTheOldFile();
};

void TestJournalSystem::aProcessRunsUntilItEndsAndItsIdAloneIsNotEnough()
{
    const auto system = createJournalSystem();
    const ProcessIdentity self = system->current();
    QVERIFY(self.pid > 0);
    QVERIFY(!self.started.isEmpty());
    QVERIFY(system->isRunning(self));
    // Another start token under the same id is a later process that got the id.
    QVERIFY(!system->isRunning({self.pid, self.started + QStringLiteral("0")}));
    QCOMPARE(system->current(), self);

    QProcess child;
#ifdef Q_OS_WIN
    child.start(QStringLiteral("cmd"), {QStringLiteral("/c"), QStringLiteral("exit")});
#else
    child.start(QStringLiteral("sleep"), {QStringLiteral("0.2")});
#endif
    QVERIFY(child.waitForStarted());
    const qint64 pid = child.processId();
    QVERIFY(child.waitForFinished());
    QVERIFY(!system->isRunning({pid, self.started}));
    QVERIFY(!system->isRunning({0, QString()}));
}

void TestJournalSystem::replaceTakesThePlaceOfTheOldFile()
{
    const auto system = createJournalSystem();
    const QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("journal.tpj"));
    const QString fresh = target + QStringLiteral(".new");
    for (const auto &[path, text] : {std::pair{target, "old"}, std::pair{fresh, "new"}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        QVERIFY(file.flush());
        QVERIFY(system->syncData(int(file.handle()), path));
    }
    QVERIFY(system->replaceFile(fresh, target));
    QVERIFY(!QFile::exists(fresh));
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("new"));
    QVERIFY(!system->replaceFile(fresh, target)); // nothing to put there
}

QTEST_GUILESS_MAIN(TestJournalSystem)
#include "TestJournalSystem.moc"
