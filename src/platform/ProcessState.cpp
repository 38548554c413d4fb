#include "ProcessState.h"

HookHandle RecordHook = 0;
bool StopRequested = false;
