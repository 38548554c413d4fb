#include "CommandLinePlayback.h"

#include "core/DebugLog.h"
#include "core/Errors.h"
#include "platform/Platform.h"
#include "play/PlaybackEngine.h"
#include "play/PlaybackStopKey.h"
#include "script/ScriptFile.h"
#include "script/ScriptTable.h"

#include <QCoreApplication>
#include <QObject>

namespace
{

void print(std::FILE *stream, const QString &line)
{
    std::fputs(line.toLocal8Bit().append('\n').constData(), stream);
    std::fflush(stream);
}

} // namespace

int CommandLinePlayback::run(Platform &platform, const QString &file, const CommandLine::Play &settings,
                             const std::optional<HotkeyBindings::Binding> &stopKey, std::FILE *output,
                             std::FILE *errors)
{
    ScriptTable table;
    try {
        openScript(file, table);
    } catch (const FileError &error) {
        print(errors, error.message());
        print(errors, QStringLiteral("tapsmith: cannot read %1").arg(file));
        return Unreadable;
    }
    if (settings.verbose) {
        const QString interval = settings.intervalMode == 0
                                     ? QString::number(settings.first)
                                     : QStringLiteral("%1-%2").arg(settings.first).arg(settings.second);
        const int rows = table.scriptRowCount();
        print(output, QStringLiteral("tapsmith: playing %1: %2 %3, repeats %4, interval %5 s, speed %6%")
                          .arg(file)
                          .arg(rows)
                          .arg(rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
                          .arg(settings.repeats)
                          .arg(interval)
                          .arg(settings.speed));
    }

    StopRequest stop;
    if (platform.endRequests)
        platform.endRequests->setHandler([&stop] { stop.request(); });
    PlaybackEngine engine(table, *platform.injector, *platform.clock, stop,
                          {[&settings] { return settings.speed; }, [&settings] { return settings.intervalMode; },
                           [] { QCoreApplication::processEvents(); }, 1000,
                           std::int64_t(settings.windowWait.value_or(10)) * 1000});
    engine.followWindows(platform.windows.get());
    // The watch itself requests the stop; there is no command to run after it.
    QObject context;
    const PlaybackStopKey stopWatch(stopKey ? platform.stopKeyWatch.get() : nullptr, *platform.clock, stop,
                                    stopKey ? stopKey->modifiers : 0, stopKey ? stopKey->virtualKey : 0, &context,
                                    [] {});
    if (stopKey && !stopWatch.watching()) {
        const QString why = QString::fromStdString(stopWatch.failure());
        debugLog(QStringLiteral("the stop key %1 cannot be watched: %2").arg(stopKey->text, why));
        if (settings.verbose)
            print(output, QStringLiteral("tapsmith: %1 cannot be watched%2; stop with Ctrl+C")
                              .arg(stopKey->text, why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why)));
    }

    int status = Stopped;
    try {
        const PlaybackEngine::Outcome outcome = engine.run(settings.repeats, settings.first, settings.second);
        status = outcome == PlaybackEngine::Outcome::Completed ? Completed : Stopped;
    } catch (...) {
        print(errors, currentExceptionMessage());
        print(errors, QStringLiteral("tapsmith: row %1 of %2").arg(engine.currentRow()).arg(file));
        status = RowFailed;
    }
    // The handler above refers to this call's state.
    if (platform.endRequests)
        platform.endRequests->setHandler(nullptr);
    if (settings.verbose) {
        if (status == Completed)
            print(output, QStringLiteral("tapsmith: completed"));
        else if (status == Stopped && engine.currentRow() == 0)
            print(output, QStringLiteral("tapsmith: stopped before repetition %1").arg(engine.currentRepetition()));
        else if (status == Stopped)
            print(output, QStringLiteral("tapsmith: stopped at row %1 of repetition %2")
                              .arg(engine.currentRow())
                              .arg(engine.currentRepetition()));
    }
    return status;
}
