#pragma once

#include "platform/Platform.h"

#include <atomic>

// The two process-wide values that connect the commands.

// Handle of the installed recording hook; 0 when none is installed.
extern HookHandle RecordHook;

// Set by the stop command; a running playback ends when it finds it set. Atomic because a stop may also be
// detected off the GUI thread (the stop key watch), which sets it and wakes the playback's sleep.
extern std::atomic<bool> StopRequested;
