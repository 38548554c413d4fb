#include "DebugLog.h"

#include <QByteArray>

#include <cstdio>

bool debugLogging()
{
    static const bool enabled = qgetenv("TAPSMITH_DEBUG") == "1";
    return enabled;
}

void debugLog(const QString &line)
{
    if (!debugLogging())
        return;
    std::fprintf(stderr, "tapsmith: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}
