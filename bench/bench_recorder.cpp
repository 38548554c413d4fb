// Cost of recording one input event: 1,000,000 mouse moves through the recorder into a script table.
#include "record/InputRecorder.h"
#include "script/ScriptTable.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

namespace
{

std::atomic<std::uint64_t> g_allocations{0};

constexpr int EventCount = 1'000'000;

struct Figures {
    double nsPerEvent = 0;
    double allocationsPerEvent = 0;
    int rows = 0;
};

Figures recordMoves(bool bulk)
{
    ScriptTable table;
    std::uint32_t clock = 0;
    InputRecorder recorder(table, clock);
    EventMsg event;
    event.message = InputMessage::MouseMove;

    const std::uint64_t allocationsBefore = g_allocations.load();
    const auto start = std::chrono::steady_clock::now();
    {
        const auto change = bulk ? std::make_unique<ScriptTable::BulkChange>(table) : nullptr;
        for (int i = 0; i < EventCount; ++i) {
            event.paramL = std::uint32_t(i % 1920);
            event.paramH = std::uint32_t(-(i % 1080));
            event.time = std::uint32_t(i / 3);
            recorder.JournalRecordProc(Hook::Action, event);
        }
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;

    Figures figures;
    figures.nsPerEvent = double(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count()) / EventCount;
    figures.allocationsPerEvent = double(g_allocations.load() - allocationsBefore) / EventCount;
    figures.rows = table.rows();
    return figures;
}

} // namespace

void *operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void *p) noexcept
{
    std::free(p);
}

void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (const bool bulk : {false, true}) {
        const Figures f = recordMoves(bulk);
        std::printf("recorder, %s: %d moves, %.1f ns/event, %.4f allocations/event, %d rows\n",
                    bulk ? "bulk change" : "live model", EventCount, f.nsPerEvent, f.allocationsPerEvent, f.rows);
    }
    return 0;
}
