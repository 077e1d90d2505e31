// The phase marks of a bench build (KV_BENCH_PHASES): each mark appends the time since the
// process was created to the file that KV_BENCH_PHASES_FILE names. Other builds have none.
#include "base/base.h"

#ifdef KV_BENCH_PHASES
#include <stdio.h>
#include <stdlib.h>

static ULONGLONG FileTimeValue(const FILETIME& time)
{
    return ((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

void BenchPhase(const char* name)
{
    const char* path = getenv("KV_BENCH_PHASES_FILE");
    if (!path || !*path)
        return;
    FILETIME now, created, ended, kernel, user;
    GetSystemTimeAsFileTime(&now);
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
        return;
    FILE* file = fopen(path, "a");
    if (!file)
        return;
    // FILETIME counts 100 ns steps.
    fprintf(file, "%s %.3f\n", name, (double)(FileTimeValue(now) - FileTimeValue(created)) / 10000.0);
    fclose(file);
}
#endif
