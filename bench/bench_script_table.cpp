#include "app/TFmain.h"
#include "app/UpdateSettings.h"
#include "edit/ScriptGrid.h"
#include "edit/TFAddEdit.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakePlatform.h"
#include "script/ScriptFile.h"
#include "script/ScriptTable.h"

#include "ProcessMemory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

namespace
{

constexpr int RowCount = 1000000;
constexpr int MoveCount = 100000;

// Parameters as the recorder writes them: a wandering cursor, short delays, a key row now and then. They are
// formatted ahead into a small pool so that the timings are the table's own.
class RecorderRows
{
  public:
    RecorderRows()
    {
        int x = 640;
        int y = 480;
        for (int i = 0; i < PoolSize; ++i) {
            x = (x + 7) % 1920;
            y = (y + 3) % 1080;
            const int delay = 8 + i % 17;
            m_pool.push_back(QByteArray::number(x) + ';' + QByteArray::number(y) + ';' + QByteArray::number(delay));
        }
    }

    void appendTo(ScriptTable &table, int count) const
    {
        for (int i = 0; i < count; ++i) {
            if (i % 50 == 49)
                table.appendToLastRow(i % 100 == 99 ? RecordedAction::KeyUp : RecordedAction::KeyDown, "VK_A;30;125");
            else
                table.appendToLastRow(RecordedAction::Move, m_pool[std::size_t(i % PoolSize)]);
        }
    }

  private:
    static constexpr int PoolSize = 4093;
    std::vector<QByteArray> m_pool;
};

double millisecondsSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void benchmarkBareModel(const RecorderRows &recorder)
{
    const long rssBefore = statusKilobytes("VmRSS");
    ScriptTable table;
    QElapsedTimer timer;
    timer.start();
    recorder.appendTo(table, RowCount);
    const double appendMs = millisecondsSince(timer);
    const long rssAfter = statusKilobytes("VmRSS");

    timer.restart();
    std::size_t checksum = 0;
    for (int row = 1; row < table.rows(); ++row) {
        for (int column = 0; column < ScriptTable::ColumnCount; ++column)
            checksum += std::size_t(table.cell(column, row).size());
    }
    const double readMs = millisecondsSince(timer);

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pick(1, table.rows() - 2);
    timer.restart();
    for (int i = 0; i < MoveCount; ++i) {
        const int row = pick(random);
        table.moveRowTo(row, row + 1);
    }
    const double moveMs = millisecondsSince(timer);

    std::printf("bare model, %d rows:\n", RowCount);
    std::printf("  append            %8.1f ms  (%.0f ns/row)\n", appendMs, appendMs * 1e6 / RowCount);
    std::printf("  read all cells    %8.1f ms  (7 columns, checksum %zu)\n", readMs, checksum);
    std::printf("  neighbour moves   %8.1f ms  (%d moves)\n", moveMs, MoveCount);
    std::printf("  resident memory   %8.1f bytes/row (VmRSS delta)\n",
                double(rssAfter - rssBefore) * 1024.0 / RowCount);
    std::printf("  memoryUsage()     %8.1f bytes/row\n", double(table.memoryUsage()) / RowCount);
}

// The recorder appends while the main window holds a view on the table (hidden while recording).
void benchmarkWithView(const RecorderRows &recorder, bool shown, int count)
{
    const long rssBefore = statusKilobytes("VmRSS");
    ScriptTable table;
    ScriptGrid view;
    view.setModel(&table);
    if (shown) {
        view.resize(800, 600);
        view.show();
        QApplication::processEvents();
    }
    QElapsedTimer timer;
    timer.start();
    recorder.appendTo(table, count);
    const double appendMs = millisecondsSince(timer);
    timer.restart();
    QApplication::processEvents();
    const double settleMs = millisecondsSince(timer);
    const long rssAfter = statusKilobytes("VmRSS");
    std::printf("with a %s script view, %d rows:\n", shown ? "shown" : "hidden", count);
    std::printf("  append            %8.1f ms  (%.0f ns/row), then events %.1f ms\n", appendMs, appendMs * 1e6 / count,
                settleMs);
    std::printf("  resident memory   %8.1f bytes/row (VmRSS delta, view included)\n",
                double(rssAfter - rssBefore) * 1024.0 / count);
}

// Ten million rows given to a shown view at once, as Open does (one model reset), set up as the main window
// sets up its grid; then a repaint while scrolled to the middle.
void benchmarkTenMillionRowsInAView(const RecorderRows &recorder)
{
    constexpr int Count = 10000000;
    ScriptTable table;
    ScriptGrid view;
    view.setRowHeight(view.fontMetrics().height() + 6);
    view.setModel(&table);
    view.resize(800, 600);
    view.show();
    QApplication::processEvents();
    const long rssBefore = statusKilobytes("VmRSS");
    QElapsedTimer timer;
    timer.start();
    double appendMs = 0;
    {
        ScriptTable::BulkChange change(table);
        recorder.appendTo(table, Count);
        appendMs = millisecondsSince(timer);
        timer.restart();
    }
    QApplication::processEvents();
    const double takeMs = millisecondsSince(timer);
    const long rssAfter = statusKilobytes("VmRSS");
    view.scrollTo(table.index(Count / 2, 0), QAbstractItemView::PositionAtCenter);
    QApplication::processEvents();
    timer.restart();
    constexpr int Repaints = 10;
    for (int i = 0; i < Repaints; ++i)
        view.viewport()->repaint();
    const double repaintMs = millisecondsSince(timer) / Repaints;
    std::printf("%d rows in a shown view, filled in one model reset:\n", Count);
    std::printf("  append            %8.1f ms, then the view takes the rows in %.1f ms\n", appendMs, takeMs);
    std::printf("  resident memory   %8.1f bytes/row (VmRSS delta, view included)\n",
                double(rssAfter - rssBefore) * 1024.0 / Count);
    std::printf("  repaint, middle   %8.2f ms\n", repaintMs);
}

// A script whose one line is 10 MB long: the cost of painting the table that shows it.
void benchmarkHugeCell()
{
    ScriptTable table;
    const QByteArray huge = "1;2;" + QByteArray(10 * 1024 * 1024, '7');
    table.appendToLastRow(QByteArrayView("Move()"), huge);
    ScriptGrid view;
    view.setModel(&table);
    view.resize(800, 600);
    view.show();
    QApplication::processEvents();
    const long rssBefore = statusKilobytes("VmRSS");
    QElapsedTimer timer;
    timer.start();
    constexpr int Repaints = 10;
    for (int i = 0; i < Repaints; ++i)
        view.viewport()->repaint();
    const double repaintMs = millisecondsSince(timer) / Repaints;
    std::printf("one 10 MB cell, shown:\n");
    std::printf("  repaint           %8.1f ms\n", repaintMs);
    std::printf("  resident memory   %8.1f MB more while painting\n",
                double(statusKilobytes("VmRSS") - rssBefore) / 1024.0);

    // The edit dialog keeps the whole text: opening it on the row, drawing it and writing it back.
    TFAddEdit dialog;
    timer.restart();
    QTimer::singleShot(0, &dialog, [&dialog] {
        dialog.repaint();
        dialog.Button2Click();
    });
    dialog.editRow(table, 1);
    std::printf("  edit dialog       %8.1f ms to open, draw and write back (%s)\n", millisecondsSince(timer),
                table.parameters(1) == huge ? "kept whole" : "CHANGED");
}

// Starts a fresh peak (VmHWM) measurement from the current resident size.
void resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

// A ten-million-row file opened in the main window with its script view shown, as Open does after its
// dialog: the time until the caption names the file and the view has painted, the memory then and at the
// peak, and a repaint while scrolled to the middle.
void benchmarkTenMillionRowsOpenedInTheWindow(const RecorderRows &recorder)
{
    constexpr int Count = 10000000;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("ten-million.tpx"));
    {
        ScriptTable source;
        recorder.appendTo(source, Count);
        saveScript(source, path);
    }
    FakePlatform fakes;
    FakeDesktop desktop;
    TFmain window(fakes.platform, desktop, UpdateSettings());
    window.show();
    window.N10Click();
    QApplication::processEvents();
    const long rssBefore = statusKilobytes("VmRSS");
    resetPeakMemory();
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpuStart = std::clock();
    window.openScriptFile(path);
    const double openMs = millisecondsSince(timer);
    const double openCpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
    window.repaint();
    QApplication::processEvents();
    const double shownMs = millisecondsSince(timer);
    const long rssAfter = statusKilobytes("VmRSS");
    const long peak = statusKilobytes("VmHWM");
    window.StringGrid1->scrollTo(window.Script->index(Count / 2, 0), QAbstractItemView::PositionAtCenter);
    QApplication::processEvents();
    timer.restart();
    constexpr int Repaints = 10;
    for (int i = 0; i < Repaints; ++i)
        window.StringGrid1->viewport()->repaint();
    const double repaintMs = millisecondsSince(timer) / Repaints;
    std::printf("%d rows opened in the main window, script view shown (%s):\n", Count,
                window.windowTitle().endsWith(QStringLiteral("ten-million.tpx")) ? "caption set" : "NO CAPTION");
    std::printf("  open to caption   %8.1f ms (%.1f ms of processor time), shown and painted at %.1f ms\n", openMs,
                openCpuMs, shownMs);
    std::printf("  resident memory   %8.1f bytes/row after (VmRSS delta, window included)\n",
                double(rssAfter - rssBefore) * 1024.0 / Count);
    std::printf("  peak memory       %8.1f bytes/row (VmHWM over the resident size before)\n",
                double(peak - rssBefore) * 1024.0 / Count);
    std::printf("  repaint, middle   %8.2f ms\n", repaintMs);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const RecorderRows recorder;
    // "window" runs only the ten-million-row Open in the main window, in a process of its own.
    if (argc > 1 && std::strcmp(argv[1], "window") == 0) {
        QApplication app(argc, argv);
        benchmarkTenMillionRowsOpenedInTheWindow(recorder);
        return 0;
    }
    benchmarkBareModel(recorder);

    QApplication app(argc, argv);
    benchmarkWithView(recorder, false, RowCount);
    benchmarkWithView(recorder, true, RowCount);
    benchmarkHugeCell();
    benchmarkTenMillionRowsInAView(recorder);
    return 0;
}
