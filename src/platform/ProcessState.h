#pragma once

#include "platform/Platform.h"

// The two process-wide values that connect the commands.

// Handle of the installed recording hook; 0 when none is installed.
extern HookHandle RecordHook;

// Set by the stop command; a running playback ends at its next row when it finds it set.
extern bool StopRequested;
