// Any bytes as a script file: what Open reads must follow the line rules, and what Save writes from it
// must read back as the same rows and be written back byte for byte.
#include "FuzzCheck.h"

#include "script/ScriptFile.h"
#include "script/ScriptTable.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace
{

using Row = std::pair<QByteArray, QByteArray>;

// The line rules written out plainly: LF ends a line, every CR is dropped, 0x1A as the first byte of a
// line ends the file and elsewhere skips the rest of its line; the first '|' splits a line.
std::vector<Row> expectedRows(const QByteArray &bytes)
{
    std::vector<Row> rows;
    qsizetype i = 0;
    while (i < bytes.size() && bytes[i] != '\x1A') {
        QByteArray line;
        bool skipping = false;
        for (; i < bytes.size() && bytes[i] != '\n'; ++i) {
            skipping = skipping || bytes[i] == '\x1A';
            if (!skipping && bytes[i] != '\r')
                line += bytes[i];
        }
        ++i;
        const qsizetype bar = line.indexOf('|');
        rows.emplace_back(bar < 0 ? QByteArray() : line.left(bar), bar < 0 ? line : line.mid(bar + 1));
    }
    if (rows.empty())
        rows.emplace_back();
    return rows;
}

std::vector<Row> rowsOf(const ScriptTable &table)
{
    std::vector<Row> rows;
    for (int row = 1; row < table.rows(); ++row)
        rows.emplace_back(table.action(row).toByteArray(), table.parameters(row).toByteArray());
    return rows;
}

QByteArray fileText(const std::vector<Row> &rows)
{
    QByteArray text;
    for (const Row &row : rows)
        text += row.first + '|' + row.second + "\r\n";
    return text;
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// Kept in memory-backed storage where there is some: Save syncs every file it writes.
std::unique_ptr<QTemporaryDir> g_folder;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const QString shared = QStringLiteral("/dev/shm");
    g_folder = QDir(shared).exists() && QFileInfo(shared).isWritable()
                   ? std::make_unique<QTemporaryDir>(shared + QStringLiteral("/tapsmith-fuzz-XXXXXX"))
                   : std::make_unique<QTemporaryDir>();
    FUZZ_CHECK(g_folder->isValid());
    std::atexit([] { g_folder.reset(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString original = g_folder->filePath(QStringLiteral("input.tpx"));
    const QString saved = g_folder->filePath(QStringLiteral("saved.tpx"));
    const QString savedAgain = g_folder->filePath(QStringLiteral("saved-again.tpx"));
    {
        QFile file(original);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(input) == input.size());
    }

    ScriptTable first;
    openScript(original, first);
    const std::vector<Row> firstRows = rowsOf(first);
    FUZZ_CHECK(firstRows == expectedRows(input));

    saveScript(first, saved);
    FUZZ_CHECK(readBytes(saved) == fileText(firstRows));
    ScriptTable second;
    openScript(saved, second);
    FUZZ_CHECK(rowsOf(second) == firstRows);

    saveScript(second, savedAgain);
    FUZZ_CHECK(readBytes(saved) == readBytes(savedAgain));
    return 0;
}
