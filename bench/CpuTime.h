#pragma once

#include <sys/resource.h>

// User plus system CPU time so far, in seconds, of `who` (RUSAGE_SELF, or RUSAGE_CHILDREN: the children that
// have ended and been waited for).
inline double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
