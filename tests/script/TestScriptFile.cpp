#include "core/Errors.h"
#include "platform/SystemFileSystem.h"
#include "script/ScriptFile.h"
#include "script/ScriptTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include <cerrno>

#include "PlatformDifferences.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{

// A path through a missing folder: POSIX says ENOENT ("File not found"); Windows' own code for it is
// ERROR_PATH_NOT_FOUND, 3, whose runtime text is "Invalid filename".
#ifdef Q_OS_WIN
const QString MissingFolderError = QStringLiteral("Invalid filename");
#else
const QString MissingFolderError = QStringLiteral("File not found");
#endif

// A byte string literal with its embedded NUL bytes.
template <std::size_t N> QByteArray bytesOf(const char (&literal)[N])
{
    return QByteArray(literal, qsizetype(N - 1));
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Rows as "Action|Parameters" strings, so whole tables compare in one QCOMPARE.
QList<QByteArray> rowsOf(const ScriptTable &table)
{
    QList<QByteArray> rows;
    for (int row = 1; row < table.rows(); ++row)
        rows << table.action(row).toByteArray() + '|' + table.parameters(row).toByteArray();
    return rows;
}

void fill(ScriptTable &table, const QList<QPair<QByteArray, QByteArray>> &rows)
{
    for (const auto &row : rows)
        table.appendToLastRow(QByteArrayView(row.first), QByteArrayView(row.second));
}

QString errorOf(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const FileError &error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

class TestScriptFile : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { setFileSystem(createFileSystem()); }
    void init();

    void initialTableSavesAsThreeBytes();
    void roundTripRestoresRowsAndReSavesIdentically();
    void reopenOfRecordedScriptKeepsOpenRow();
    void linesAcrossAndBeyondTheReadChunks();
    void readingRules_data();
    void readingRules();
    void openReplacesLongerTableAndEmptiesRowOne();
    void savePathGetsExtensionUnlessItHasOne_data();
    void savePathGetsExtensionUnlessItHasOne();
    void newFileGetsUmaskPermissionsAndReplacingKeepsThem();
    void openFailuresLeaveTableUnchanged_data();
    void openFailuresLeaveTableUnchanged();
    void saveFailuresKeepOldFileAndLeaveNoTemporary();
    void readOnlyTargetIsRefused();
    void savingOverSymbolicLinkReplacesTheLinkedFile();
    void pipeTargetIsWrittenNotReplaced();
    void pipeWithoutReaderFailsAtOnce();
    void readFailureReportsErrorNumber();
    void onlyRegularFilesAreOpened();
    void replacingKeepsTheOwner();
    void failuresWithoutTheSystemsReason();
    void windowsTextsGoByTheSystemsCode();

  private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QStringList folderEntries() const
    {
        return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestScriptFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestScriptFile::initialTableSavesAsThreeBytes()
{
    const ScriptTable table;
    saveScript(table, path("empty.tpx"));
    QCOMPARE(readBytes(path("empty.tpx")), QByteArray("|\r\n"));
    QCOMPARE(folderEntries(), QStringList{"empty.tpx"});
}

void TestScriptFile::roundTripRestoresRowsAndReSavesIdentically()
{
    ScriptTable table;
    const QByteArray cyrillic("\xD3\xE4\xE0\xEB\xE8\xF2\xFC\x3F"); // "Удалить?"
    fill(table, {{"KeyDown()", "VK_A;30;125"},
                 {"Move()", "-512;384;16"},
                 {"", ""},
                 {cyrillic, cyrillic + ";1;2"},
                 {"custom", "1;2;3;4"}});
    table.setRows(table.rows() - 1);
    saveScript(table, path("trip.tpx"));

    const QByteArray expected = "KeyDown()|VK_A;30;125\r\nMove()|-512;384;16\r\n|\r\n" + cyrillic + "|" + cyrillic +
                                ";1;2\r\ncustom|1;2;3;4\r\n";
    QCOMPARE(readBytes(path("trip.tpx")), expected);

    ScriptTable reopened;
    openScript(path("trip.tpx"), reopened);
    QCOMPARE(reopened.rows(), table.rows());
    QCOMPARE(rowsOf(reopened), rowsOf(table));
    QCOMPARE(reopened.cellText(4, 4), QStringLiteral("Удалить?"));
    for (const int column : {0, 1, 2, 3, 6})
        QCOMPARE(reopened.cellText(column, 1), QString());

    // A file that Open read comes back byte for byte, whatever line ends it had.
    writeBytes(path("odd.tpx"), bytesOf("a|b|c\nno separator\r\n\r\n\xFF\x00|x\n|"));
    ScriptTable odd;
    openScript(path("odd.tpx"), odd);
    saveScript(odd, path("odd.tpx"));
    ScriptTable again;
    openScript(path("odd.tpx"), again);
    QCOMPARE(rowsOf(again), rowsOf(odd));
    const QByteArray resaved = readBytes(path("odd.tpx"));
    saveScript(again, path("odd.tpx"));
    QCOMPARE(readBytes(path("odd.tpx")), resaved);
    QCOMPARE(resaved, bytesOf("a|b|c\r\n|no separator\r\n|\r\n\xFF\x00|x\r\n|\r\n"));
}

void TestScriptFile::linesAcrossAndBeyondTheReadChunks()
{
    // The file is read 4 MiB at a time: a CR LF split by a chunk's end, a line longer than two chunks and a
    // last line without its LF all come out as the lines they are.
    constexpr int chunk = 4 << 20;
    const QByteArray first = "Move()|" + QByteArray(chunk - 1 - 7, '1');
    const QByteArray longLine = "custom|" + QByteArray(9 << 20, '2');
    QByteArray many;
    for (int i = 0; i < 1000; ++i)
        many += "KeyDown()|VK_" + QByteArray::number(i) + ";30;5\r\n";
    writeBytes(path("chunks.tpx"), first + "\r\n" + longLine + "\r\n" + many + "LUp()|1;2;3");
    QCOMPARE(first.size() + 1, chunk); // its CR ends the first chunk, its LF starts the next

    ScriptTable table;
    openScript(path("chunks.tpx"), table);
    QCOMPARE(table.rows(), 1 + 1 + 1 + 1000 + 1);
    QCOMPARE(table.parameters(1), QByteArrayView(first).sliced(7));
    QCOMPARE(table.action(2), QByteArrayView("custom"));
    QCOMPARE(table.parameters(2).size(), qsizetype(9 << 20));
    QCOMPARE(table.parameters(503), QByteArrayView("VK_500;30;5"));
    QCOMPARE(table.action(1003), QByteArrayView("LUp()"));
    QCOMPARE(table.parameters(1003), QByteArrayView("1;2;3"));
    saveScript(table, path("chunks.tpx"));
    QCOMPARE(readBytes(path("chunks.tpx")), first + "\r\n" + longLine + "\r\n" + many + "LUp()|1;2;3\r\n");
}

void TestScriptFile::reopenOfRecordedScriptKeepsOpenRow()
{
    ScriptTable table;
    table.appendToLastRow(RecordedAction::Move, "1;2;3");
    table.appendToLastRow(RecordedAction::LDown, "1;2;4");
    saveScript(table, path("rec"));
    QCOMPARE(readBytes(path("rec")), QByteArray("Move()|1;2;3\r\nLDown()|1;2;4\r\n|\r\n"));
    ScriptTable reopened;
    openScript(path("rec"), reopened);
    QCOMPARE(reopened.rows(), 4);
    QCOMPARE(rowsOf(reopened), (QList<QByteArray>{"Move()|1;2;3", "LDown()|1;2;4", "|"}));
}

void TestScriptFile::readingRules_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<QByteArray>>("rows");
    using Rows = QList<QByteArray>;
    QTest::newRow("crlf") << QByteArray("Move()|1;2;3\r\nLUp()|4;5;6\r\n") << Rows{"Move()|1;2;3", "LUp()|4;5;6"};
    QTest::newRow("lf only") << QByteArray("Move()|1;2;3\nLUp()|4;5;6\n") << Rows{"Move()|1;2;3", "LUp()|4;5;6"};
    QTest::newRow("last line without end") << QByteArray("a|1\nb|2") << Rows{"a|1", "b|2"};
    QTest::newRow("lone cr dropped") << QByteArray("a\r|1\r2\r\nb|\r") << Rows{"a|12", "b|"};
    QTest::newRow("cr cr lf") << QByteArray("a|1\r\r\n") << Rows{"a|1"};
    QTest::newRow("ctrl-z at line start ends file") << QByteArray("a|1\r\n\x1A"
                                                                  "b|2\r\nc|3\r\n")
                                                    << Rows{"a|1"};
    QTest::newRow("ctrl-z first byte") << QByteArray("\x1A"
                                                     "a|1\r\n")
                                       << Rows{"|"};
    QTest::newRow("ctrl-z mid-line ends line") << QByteArray("a|1\x1Ajunk|x\r\nb|2\r\n") << Rows{"a|1", "b|2"};
    QTest::newRow("ctrl-z after lone cr") << QByteArray("a|1\r\x1A"
                                                        "z\nb|2")
                                          << Rows{"a|1", "b|2"};
    QTest::newRow("nul bytes are text") << bytesOf("a\0b|\0\r\n") << Rows{bytesOf("a\0b|\0")};
    QTest::newRow("no separator") << QByteArray("just text\r\n") << Rows{"|just text"};
    QTest::newRow("action holding separator") << QByteArray("A|B|1;2;3\r\n") << Rows{"A|B|1;2;3"};
    QTest::newRow("column titles are a row")
        << QByteArray("\xC4\xE5\xE9\xF1\xF2\xE2\xE8\xE5|\xCF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xFB\r\nMove()|1;2;3\r\n")
        << Rows{"\xC4\xE5\xE9\xF1\xF2\xE2\xE8\xE5|\xCF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xFB", "Move()|1;2;3"};
    QTest::newRow("empty lines are rows") << QByteArray("\r\n\n|\r\n") << Rows{"|", "|", "|"};
    QTest::newRow("empty file") << QByteArray() << Rows{"|"};
    QTest::newRow("single line end") << QByteArray("\n") << Rows{"|"};
    QTest::newRow("long line") << QByteArray("x|") + QByteArray(100000, 'y') << Rows{"x|" + QByteArray(100000, 'y')};
}

void TestScriptFile::readingRules()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<QByteArray>, rows);
    writeBytes(path("in.tpx"), content);
    ScriptTable table;
    fill(table, {{"old", "row"}, {"KeyDown()", "VK_A;30;1"}});
    openScript(path("in.tpx"), table);
    QCOMPARE(rowsOf(table), rows);
    QCOMPARE(table.rows(), int(rows.size()) + 1);
}

void TestScriptFile::openReplacesLongerTableAndEmptiesRowOne()
{
    ScriptTable table;
    for (int i = 0; i < 50; ++i)
        table.appendToLastRow(RecordedAction::Move, "9;9;9");
    QSignalSpy shrunk(&table, &ScriptTable::rowsShrunk);
    writeBytes(path("two.tpx"), "|\r\nLDown()|1;1;1\r\n");
    openScript(path("two.tpx"), table);
    QCOMPARE(rowsOf(table), (QList<QByteArray>{"|", "LDown()|1;1;1"}));
    QCOMPARE(shrunk.size(), 1);
    QCOMPARE(shrunk.first().first().toInt(), 2);
    // Nothing of the old rows comes back when the table grows again.
    table.setRows(60);
    for (int row = 3; row < 60; ++row)
        QVERIFY(table.action(row).isEmpty() && table.parameters(row).isEmpty());
}

void TestScriptFile::savePathGetsExtensionUnlessItHasOne_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("saved");
    QTest::newRow("no extension") << "/home/u/script"
                                  << "/home/u/script.tpx";
    QTest::newRow("capitals") << "/home/u/SCRIPT.TPX"
                              << "/home/u/SCRIPT.TPX.tpx";
    QTest::newRow("has extension") << "/home/u/a.tpx"
                                   << "/home/u/a.tpx";
    QTest::newRow("extension inside") << "/home/u/run.tpx.bak"
                                      << "/home/u/run.tpx.bak";
    QTest::newRow("folder with extension") << "/home/old.tpx/script"
                                           << "/home/old.tpx/script";
    QTest::newRow("cyrillic") << QStringLiteral("/tmp/скрипт") << QStringLiteral("/tmp/скрипт.tpx");
}

void TestScriptFile::savePathGetsExtensionUnlessItHasOne()
{
    QFETCH(QString, chosen);
    QFETCH(QString, saved);
    QCOMPARE(scriptSavePath(chosen), saved);
}

void TestScriptFile::newFileGetsUmaskPermissionsAndReplacingKeepsThem()
{
#ifdef Q_OS_UNIX
    const mode_t previous = ::umask(027);
    ScriptTable table;
    saveScript(table, path("new.tpx"));
    ::umask(previous);
    struct stat status {
    };
    QCOMPARE(::stat(QFile::encodeName(path("new.tpx")).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0640));

    QVERIFY(QFile::setPermissions(path("new.tpx"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    table.appendToLastRow(RecordedAction::RUp, "5;6;7");
    saveScript(table, path("new.tpx"));
    QCOMPARE(::stat(QFile::encodeName(path("new.tpx")).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0604));
    QCOMPARE(readBytes(path("new.tpx")), QByteArray("RUp()|5;6;7\r\n|\r\n"));
#else
    QSKIP(PlatformDifferences::noPosixModes);
#endif
}

void TestScriptFile::openFailuresLeaveTableUnchanged_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("error");
    QTest::newRow("missing file") << "missing.tpx"
                                  << "File not found";
    QTest::newRow("missing folder") << "nowhere/x.tpx" << MissingFolderError;
    QTest::newRow("file used as folder") << "plain.tpx/x.tpx" << MissingFolderError;
    QTest::newRow("folder given as file") << "folder.tpx"
                                          << "File access denied";
#ifndef Q_OS_WIN // PlatformDifferences::longNameError
    QTest::newRow("name too long") << QString(300, 'n') << "Invalid filename";
#endif
    QTest::newRow("nul in name") << QStringLiteral("a\u0000b") << "Invalid filename";
}

void TestScriptFile::openFailuresLeaveTableUnchanged()
{
    QFETCH(QString, name);
    QFETCH(QString, error);
    writeBytes(path("plain.tpx"), "a|b\r\n");
    QVERIFY(QDir(m_dir->path()).mkdir("folder.tpx"));
    ScriptTable table;
    fill(table, {{"KeyUp()", "VK_B;48;5"}});
    QCOMPARE(errorOf([&] { openScript(path(name), table); }), error);
    QCOMPARE(rowsOf(table), (QList<QByteArray>{"KeyUp()|VK_B;48;5", "|"}));
}

void TestScriptFile::saveFailuresKeepOldFileAndLeaveNoTemporary()
{
    ScriptTable table;
    fill(table, {{"Move()", "1;1;1"}});
    writeBytes(path("keep.tpx"), "old|content\r\n");
    QVERIFY(QDir(m_dir->path()).mkdir("folder.tpx"));
    QCOMPARE(errorOf([&] { saveScript(table, path("nowhere/x.tpx")); }), MissingFolderError);
    QCOMPARE(errorOf([&] { saveScript(table, path("keep.tpx/x.tpx")); }), MissingFolderError);
    QCOMPARE(errorOf([&] { saveScript(table, path("folder.tpx")); }), QStringLiteral("File access denied"));
#ifdef Q_OS_WIN
    QVERIFY2(!errorOf([&] { saveScript(table, path(QString(300, 'n'))); }).isEmpty(),
             PlatformDifferences::longNameError);
#else
    QCOMPARE(errorOf([&] { saveScript(table, path(QString(300, 'n'))); }), QStringLiteral("Invalid filename"));
#endif
    QCOMPARE(errorOf([&] { saveScript(table, QString()); }), QStringLiteral("Invalid filename"));
    QCOMPARE(readBytes(path("keep.tpx")), QByteArray("old|content\r\n"));
    QCOMPARE(folderEntries(), (QStringList{"folder.tpx", "keep.tpx"}));
    QVERIFY(QDir(path("folder.tpx")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    // Replacing works after the failures and leaves only the target behind.
    saveScript(table, path("keep.tpx"));
    QCOMPARE(readBytes(path("keep.tpx")), QByteArray("Move()|1;1;1\r\n|\r\n"));
    QCOMPARE(folderEntries(), (QStringList{"folder.tpx", "keep.tpx"}));
}

void TestScriptFile::readOnlyTargetIsRefused()
{
#ifdef Q_OS_UNIX
    if (::geteuid() == 0)
#endif
        QSKIP("root may write any file; the folder-as-target case covers the refusal path");
    writeBytes(path("ro.tpx"), "old|content\r\n");
    QVERIFY(QFile::setPermissions(path("ro.tpx"), QFile::ReadOwner));
    ScriptTable table;
    QCOMPARE(errorOf([&] { saveScript(table, path("ro.tpx")); }), QStringLiteral("File access denied"));
    QCOMPARE(readBytes(path("ro.tpx")), QByteArray("old|content\r\n"));
    QCOMPARE(folderEntries(), QStringList{"ro.tpx"});
}

void TestScriptFile::savingOverSymbolicLinkReplacesTheLinkedFile()
{
#ifdef Q_OS_UNIX
    writeBytes(path("real.tpx"), "old|x\r\n");
    QVERIFY(QFile::link(path("real.tpx"), path("link.tpx")));
    ScriptTable table;
    saveScript(table, path("link.tpx"));
    QVERIFY(QFileInfo(path("link.tpx")).isSymLink());
    QCOMPARE(readBytes(path("real.tpx")), QByteArray("|\r\n"));
#else
    QSKIP(PlatformDifferences::noSymbolicLinks);
#endif
}

void TestScriptFile::pipeTargetIsWrittenNotReplaced()
{
#ifdef Q_OS_UNIX
    const QByteArray fifo = QFile::encodeName(path("pipe.tpx"));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    ScriptTable table;
    table.appendToLastRow(RecordedAction::MDown, "7;8;9");
    saveScript(table, path("pipe.tpx"));
    char buffer[64] = {};
    const ssize_t got = ::read(reader, buffer, sizeof buffer);
    ::close(reader);
    QCOMPARE(QByteArray(buffer, int(got)), QByteArray("MDown()|7;8;9\r\n|\r\n"));
    struct stat status {
    };
    QCOMPARE(::lstat(fifo.constData(), &status), 0);
    QVERIFY(S_ISFIFO(status.st_mode));
    QCOMPARE(folderEntries(), QStringList{"pipe.tpx"});
#else
    QSKIP(PlatformDifferences::noSpecialFiles);
#endif
}

void TestScriptFile::pipeWithoutReaderFailsAtOnce()
{
#ifdef Q_OS_UNIX
    // Opening a pipe for writing waits for a reader: with none, Save would hold the GUI thread for ever.
    const QByteArray fifo = QFile::encodeName(path("nobody.tpx"));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    ScriptTable table;
    table.appendToLastRow(RecordedAction::MDown, "7;8;9");
    QCOMPARE(errorOf([&] { saveScript(table, path("nobody.tpx")); }), QStringLiteral("I/O error %1").arg(ENXIO));
    struct stat status {
    };
    QCOMPARE(::lstat(fifo.constData(), &status), 0);
    QVERIFY(S_ISFIFO(status.st_mode));

    // A reader that goes away before the script is through: an error, and the program goes on.
    for (int i = 0; i < 20000; ++i)
        table.appendToLastRow(RecordedAction::Move, "1000;1000;1000");
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    struct Joined : std::thread {
        using std::thread::thread;
        ~Joined() { join(); }
    };
    const Joined goesAway([reader] {
        pollfd ready{reader, POLLIN, 0};
        ::poll(&ready, 1, 10000);
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(reader, &byte, 1);
        ::close(reader);
    });
    QCOMPARE(errorOf([&] { saveScript(table, path("nobody.tpx")); }), QStringLiteral("I/O error %1").arg(EPIPE));
#else
    QSKIP(PlatformDifferences::noSpecialFiles);
#endif
}

void TestScriptFile::readFailureReportsErrorNumber()
{
#ifdef Q_OS_UNIX
    // Reading this process's memory from address 0 fails with EIO right after a successful open.
    if (!QFile::exists("/proc/self/mem"))
        QSKIP("no /proc");
    ScriptTable table;
    fill(table, {{"KeyUp()", "VK_B;48;5"}});
    QCOMPARE(errorOf([&] { openScript("/proc/self/mem", table); }), QStringLiteral("I/O error %1").arg(EIO));
    QCOMPARE(rowsOf(table), QList<QByteArray>{"|"});
#else
    QSKIP(PlatformDifferences::noSpecialFiles);
#endif
}

void TestScriptFile::onlyRegularFilesAreOpened()
{
#ifdef Q_OS_UNIX
    // A pipe would hold the open (and the GUI thread) until a writer comes; a device such as /dev/zero
    // would never end. Neither is read: both are refused like a file without access.
    const QByteArray fifo = QFile::encodeName(path("pipe.tpx"));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    // Stands in for a writer that comes along: should the pipe be opened, it gets one line and its end.
    struct Joined : std::thread {
        using std::thread::thread;
        ~Joined() { join(); }
    };
    const Joined writer([&fifo] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (std::chrono::steady_clock::now() < deadline) {
            const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                [[maybe_unused]] const ssize_t written = ::write(fd, "a|b\r\n", 5);
                ::close(fd);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    ScriptTable table;
    fill(table, {{"KeyUp()", "VK_B;48;5"}});
    QCOMPARE(errorOf([&] { openScript(path("pipe.tpx"), table); }), QStringLiteral("File access denied"));
    QCOMPARE(rowsOf(table), (QList<QByteArray>{"KeyUp()|VK_B;48;5", "|"}));

    QCOMPARE(errorOf([&] { openScript("/dev/null", table); }), QStringLiteral("File access denied"));
    QCOMPARE(rowsOf(table), (QList<QByteArray>{"KeyUp()|VK_B;48;5", "|"}));

    // A link to a regular file is opened as the file.
    writeBytes(path("real.tpx"), "Move()|1;2;3\r\n");
    QVERIFY(QFile::link(path("real.tpx"), path("link.tpx")));
    openScript(path("link.tpx"), table);
    QCOMPARE(rowsOf(table), QList<QByteArray>{"Move()|1;2;3"});
#else
    QSKIP(PlatformDifferences::noSpecialFiles);
#endif
}

void TestScriptFile::replacingKeepsTheOwner()
{
#ifdef Q_OS_UNIX
    if (::geteuid() != 0)
        QSKIP("only a privileged user can give a file to someone else");
    const QByteArray target = QFile::encodeName(path("owned.tpx"));
    writeBytes(path("owned.tpx"), "old|x\r\n");
    QCOMPARE(::chown(target.constData(), 4321, 8765), 0);
    QCOMPARE(::chmod(target.constData(), 0640), 0);
    ScriptTable table;
    saveScript(table, path("owned.tpx"));
    struct stat status {
    };
    QCOMPARE(::stat(target.constData(), &status), 0);
    QCOMPARE(status.st_uid, uid_t(4321));
    QCOMPARE(status.st_gid, gid_t(8765));
    QCOMPARE(status.st_mode & 07777, mode_t(0640));
    QCOMPARE(readBytes(path("owned.tpx")), QByteArray("|\r\n"));
#else
    QSKIP(PlatformDifferences::noPosixModes);
#endif
}

void TestScriptFile::failuresWithoutTheSystemsReason()
{
    // Without the system's file layer the texts come from what Qt tells and what the folder shows.
    setFileSystem(nullptr);
    QVERIFY(QDir(m_dir->path()).mkdir("folder.tpx"));
    ScriptTable table;
    fill(table, {{"KeyUp()", "VK_B;48;5"}});
    const QString missing = errorOf([&] { openScript(path("missing.tpx"), table); });
    const QString folder = errorOf([&] { openScript(path("folder.tpx"), table); });
    const QString noFolder = errorOf([&] { saveScript(table, path("nowhere/x.tpx")); });
    const QString saveFolder = errorOf([&] { saveScript(table, path("folder.tpx")); });
    setFileSystem(createFileSystem());
    QCOMPARE(missing, QStringLiteral("File not found"));
    QCOMPARE(folder, QStringLiteral("File access denied"));
    QCOMPARE(noFolder, QStringLiteral("File not found"));
    QCOMPARE(saveFolder, QStringLiteral("File access denied"));
    QCOMPARE(rowsOf(table), (QList<QByteArray>{"KeyUp()|VK_B;48;5", "|"}));
}

void TestScriptFile::windowsTextsGoByTheSystemsCode()
{
#ifdef Q_OS_WIN
    // A file that another program holds open without sharing: ERROR_SHARING_VIOLATION has no text of its own.
    writeBytes(path("held.tpx"), "a|b\r\n");
    const HANDLE held =
        ::CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path("held.tpx")).utf16()),
                      GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    QVERIFY(held != INVALID_HANDLE_VALUE);
    ScriptTable table;
    const QString error = errorOf([&] { openScript(path("held.tpx"), table); });
    ::CloseHandle(held);
    QCOMPARE(error, QStringLiteral("I/O error %1").arg(ERROR_SHARING_VIOLATION));
    QCOMPARE(errorOf([&] { openScript(path("missing.tpx"), table); }), QStringLiteral("File not found"));
    QCOMPARE(errorOf([&] { openScript(path("nowhere/x.tpx"), table); }), QStringLiteral("Invalid filename"));
#else
    QSKIP("Windows' error codes: the POSIX texts go by the error's meaning (openFailuresLeaveTableUnchanged)");
#endif
}

QTEST_GUILESS_MAIN(TestScriptFile)
#include "TestScriptFile.moc"
