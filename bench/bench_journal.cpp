// The recovery journal of a large table: writing a 1,000,000-row table anew (what a row command costs
// at that size), reading it back at start, and a 1 kHz recording appended to it for 10 s in real time,
// the journal written every 250 ms as its timer does. The journal lives in a folder under the current
// folder (run it from a build folder on a real disk: /tmp may be memory, where a sync costs nothing).

#include "app/RecoveryJournal.h"
#include "platform/JournalSystem.h"
#include "script/ScriptTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <thread>
#include <vector>

namespace
{

constexpr int kRows = 1000000;
constexpr int kRate = 1000; // rows per second while recording
constexpr int kSeconds = 10;
constexpr int kTickRows = kRate * RecoveryJournal::TickMilliseconds / 1000;

void appendRow(ScriptTable &table, int i)
{
    char buffer[40];
    char *out = std::to_chars(buffer, buffer + 12, 100 + i % 1200).ptr;
    *out++ = ';';
    out = std::to_chars(out, out + 12, 100 + (i / 1200) % 900).ptr;
    *out++ = ';';
    out = std::to_chars(out, out + 12, 1).ptr;
    table.appendToLastRow(RecordedAction::Move, QByteArrayView(buffer, out - buffer));
}

double milliseconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QTemporaryDir folder(QDir::currentPath() + QStringLiteral("/bench_journal-XXXXXX"));
    SystemJournalClock clock;
    const std::unique_ptr<JournalSystem> processes = createJournalSystem();
    ScriptTable table;
    RecoveryJournal journal(folder.path(), clock, *processes, table, [] { return QStringLiteral("/home/u/a.tpx"); });

    for (int i = 0; i < kRows; ++i)
        appendRow(table, i);
    QElapsedTimer timer;
    timer.start();
    journal.writeAll();
    std::printf("1,000,000-row table written anew (atomic, synced): %.0f ms, %.1f MB\n", milliseconds(timer),
                double(QFileInfo(journal.file()).size()) / 1e6);

    timer.restart();
    const std::optional<RecoveryJournal::Content> content = RecoveryJournal::read(journal.file());
    std::printf("read back at start: %.0f ms (%lld lines)\n", milliseconds(timer),
                content ? static_cast<long long>(content->rows.count('\n')) : -1LL);

    // The recording: one row every millisecond, the journal's writes between them on the same thread.
    std::vector<double> writes;
    int appended = 0;
    int behindMost = 0;
    QElapsedTimer wall;
    wall.start();
    const auto start = std::chrono::steady_clock::now();
    for (int ms = 1; ms <= kRate * kSeconds; ++ms) {
        appendRow(table, kRows + appended++);
        if (appended % kTickRows == 0) {
            timer.restart();
            journal.writeDue();
            writes.push_back(milliseconds(timer));
        }
        // Rows the table is ahead of the disk by when the next one is due.
        const auto due = start + std::chrono::milliseconds(ms);
        const auto late = std::chrono::steady_clock::now() - due;
        behindMost = std::max(behindMost, int(std::chrono::duration_cast<std::chrono::milliseconds>(late).count()));
        std::this_thread::sleep_until(due);
    }
    const double seconds = milliseconds(wall) / 1000;
    journal.writeAll();
    std::sort(writes.begin(), writes.end());
    const auto percentile = [&writes](double p) { return writes[std::size_t(p * double(writes.size() - 1))]; };
    std::printf("1 kHz recording onto it for %d s: %d rows in %.2f s of wall time (%.0f rows/s)\n", kSeconds, appended,
                seconds, appended / seconds);
    std::printf("  journal writes every %d rows: %zu, median %.2f ms, p99 %.2f ms, max %.2f ms (budget %d ms)\n",
                kTickRows, writes.size(), percentile(0.5), percentile(0.99), writes.back(),
                RecoveryJournal::TickMilliseconds);
    std::printf("  the recording fell behind its clock by at most %d ms\n", behindMost);
    const std::optional<RecoveryJournal::Content> after = RecoveryJournal::read(journal.file());
    std::printf("  journal lines at the end: %lld (table rows %d)\n",
                after ? static_cast<long long>(after->rows.count('\n')) : -1LL, table.rows() - 1);
    journal.settle();
    return 0;
}
