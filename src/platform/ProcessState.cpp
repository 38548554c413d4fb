#include "ProcessState.h"

HookHandle RecordHook = 0;
std::atomic<bool> StopRequested{false};
