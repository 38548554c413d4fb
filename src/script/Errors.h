#pragma once

// The error types moved to core/, below every layer that throws or catches them; sources of this folder
// that still name them by this header keep compiling.
#include "core/Errors.h"
