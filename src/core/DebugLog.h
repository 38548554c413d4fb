#pragma once

#include <QString>

// Lines for whoever looks into a problem that the program otherwise keeps quiet about (a hotkey another
// program holds, a stop key that cannot be watched): written to stderr when the environment has
// TAPSMITH_DEBUG=1, dropped otherwise.
bool debugLogging();
void debugLog(const QString &line);
