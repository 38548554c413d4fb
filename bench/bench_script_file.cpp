#include "script/ScriptFile.h"
#include "script/ScriptTable.h"

#include "ProcessMemory.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace
{

constexpr int DefaultRowCount = 10000000;

// Starts a fresh peak (VmHWM) measurement from the current resident size.
void resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

void appendRecorderLikeRows(ScriptTable &table, int count)
{
    char buffer[48];
    int x = 640;
    int y = 480;
    for (int i = 0; i < count; ++i) {
        if (i % 50 == 49) {
            table.appendToLastRow(i % 100 == 99 ? RecordedAction::KeyUp : RecordedAction::KeyDown, "VK_A;30;125");
            continue;
        }
        x = (x + 7) % 1920;
        y = (y + 3) % 1080;
        const int length = std::snprintf(buffer, sizeof buffer, "%d;%d;%d", x, y, 8 + i % 17);
        table.appendToLastRow(RecordedAction::Move, QByteArrayView(buffer, length));
    }
}

double millisecondsSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

// Argument: the row count (10 000 000 unless given).
int main(int argc, char **argv)
{
    const int RowCount = argc > 1 ? std::atoi(argv[1]) : DefaultRowCount;
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString path = folder.filePath(QStringLiteral("bench.tpx"));

    auto source = std::make_unique<ScriptTable>();
    appendRecorderLikeRows(*source, RowCount);
    QElapsedTimer timer;
    timer.start();
    saveScript(*source, path);
    const double saveMs = millisecondsSince(timer);
    const int sourceRows = source->rows();
    source.reset();

    const long rssBefore = statusKilobytes("VmRSS");
    resetPeakMemory();
    ScriptTable opened;
    timer.restart();
    openScript(path, opened);
    const double openMs = millisecondsSince(timer);
    const long rssAfter = statusKilobytes("VmRSS");
    const long peak = statusKilobytes("VmHWM");

    std::printf("script file, %d rows (%lld bytes) in %s:\n", RowCount, QFileInfo(path).size(),
                qPrintable(folder.path()));
    std::printf("  save              %8.1f ms (fsync included)\n", saveMs);
    timer.restart();
    saveScript(opened, path + QStringLiteral(".again"));
    const double saveAgainMs = millisecondsSince(timer);
    QFile first(path), again(path + QStringLiteral(".again"));
    const bool identical = first.open(QIODevice::ReadOnly) && again.open(QIODevice::ReadOnly) && [&] {
        while (!first.atEnd()) {
            if (first.read(1 << 20) != again.read(1 << 20))
                return false;
        }
        return again.atEnd();
    }();
    std::printf("  save of the opened %7.1f ms (%s)\n", saveAgainMs, identical ? "byte-identical" : "DIFFERENT bytes");
    std::printf("  open              %8.1f ms (%s row count)\n", openMs,
                opened.rows() == sourceRows ? "same" : "DIFFERENT");
    std::printf("  peak memory       %8.1f MB VmHWM during open (%.1f MB before it)\n", peak / 1024.0,
                rssBefore / 1024.0);
    std::printf("  resident memory   %8.1f bytes/row after open (VmRSS delta)\n",
                double(rssAfter - rssBefore) * 1024.0 / RowCount);
    std::printf("  memoryUsage()     %8.1f bytes/row\n", double(opened.memoryUsage()) / RowCount);
    return 0;
}
